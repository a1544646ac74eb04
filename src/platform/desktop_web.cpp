// Web body of the desktop: a page has no browser to open a file in, and
// never waits; the files it sees are those of its run, in memory.
#include <sys/stat.h>

#include "platform/desktop.hpp"

namespace quivor::desktop {

bool OpenInBrowser(const std::string&) { return false; }

std::optional<std::int64_t> ModificationStamp(const std::string& name) {
  struct stat about {};
  if (::stat(name.c_str(), &about) != 0) return std::nullopt;
  return static_cast<std::int64_t>(about.st_mtim.tv_sec) * 1'000'000'000 + about.st_mtim.tv_nsec +
         static_cast<std::int64_t>(about.st_size) * 7;
}

void SleepMilliseconds(int) {}

}  // namespace quivor::desktop
