// What the two bodies of the companion's files share: the test seam's pending
// failures and the temporaries' names.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quivor::files {

// The pending simulated failures, each taken once: TakeWriteFailure is
// called once by every WriteWhole, TakeRenameFailure once by every one that
// reaches its rename.
std::optional<std::size_t> TakeWriteFailure();
bool TakeRenameFailure();

// The temporary beside the entry `base` (the last part of a name): the part
// before its random letters, ".NAME.tmp-".
std::string TemporaryStem(std::string_view base);

// Six letters or digits, different at each call of a process.
std::string RandomLetters();

}  // namespace quivor::files
