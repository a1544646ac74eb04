// POSIX body of the desktop: xdg-open, started apart from us, and stat.
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>

#include "platform/desktop.hpp"

extern char** environ;

namespace quivor::desktop {

bool OpenInBrowser(const std::string& name) {
  // xdg-open may stay with the browser it starts: a middle child starts it
  // and leaves at once, so nothing of ours waits for the browser.
  const pid_t middle = fork();
  if (middle < 0) return false;
  if (middle == 0) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", 01, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", 01, 0);
    char* const argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(name.c_str()), nullptr};
    pid_t opener = -1;
    const int started = posix_spawnp(&opener, "xdg-open", &actions, nullptr, argv, environ);
    _exit(started == 0 ? 0 : 1);
  }
  int status = 0;
  return waitpid(middle, &status, 0) == middle && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::optional<std::int64_t> ModificationStamp(const std::string& name) {
  struct stat about {};
  if (::stat(name.c_str(), &about) != 0) return std::nullopt;
  return static_cast<std::int64_t>(about.st_mtim.tv_sec) * 1'000'000'000 + about.st_mtim.tv_nsec +
         static_cast<std::int64_t>(about.st_size) * 7;
}

void SleepMilliseconds(int milliseconds) {
  timespec wait{milliseconds / 1000, (milliseconds % 1000) * 1'000'000L};
  while (::nanosleep(&wait, &wait) != 0) {
  }
}

}  // namespace quivor::desktop
