// What the companion command asks of the desktop: showing a page in the
// user's own browser, and noticing that a file was saved.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quivor::desktop {

// Opens the file in the default browser, the system's own way (ShellExecute
// on Windows, xdg-open elsewhere), without waiting for it; false when there
// is no way to.
bool OpenInBrowser(const std::string& name);

// A stamp that changes whenever the file is written; empty when the file
// cannot be seen.
std::optional<std::int64_t> ModificationStamp(const std::string& name);

void SleepMilliseconds(int milliseconds);

}  // namespace quivor::desktop
