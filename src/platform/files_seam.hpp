// What the two bodies of the companion's files share: the test seam's pending
// failures, the temporaries' names and a few small pieces of their outcomes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/files.hpp"

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

// A failure found before the system is asked: no system code or text.
inline Outcome Problem(Cause cause) { return {cause, 0, {}}; }

// A name no system call can take whole.
inline bool HasNul(const std::string& name) { return name.find('\0') != std::string::npos; }

// Whether a failure of this cause is told with the system's own text: the
// causes whose words say it all go without it.
inline bool ToldWithSystemText(Cause cause) {
  return cause == Cause::kDiskFull || cause == Cause::kReadOnly || cause == Cause::kOther;
}

}  // namespace quivor::files
