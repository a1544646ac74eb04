// POSIX body of the UTF-8 console: bytes are written as they are.
#include <unistd.h>

#include <cerrno>

#include "platform/shown_text.hpp"
#include "platform/terminal.hpp"

namespace quivor::terminal {
namespace {

files::Outcome outputFailure;

// Writes everything, or gives the error code.
int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t put = ::write(fd, bytes.data(), bytes.size());
    if (put < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return 0;
}

}  // namespace

void WriteOut(std::string_view utf8) {
  const int code = WriteAll(STDOUT_FILENO, MendedUtf8(utf8));
  if (code != 0 && outputFailure.ok()) outputFailure = files::FromSystemCode(code);
}

// Standard error that has gone away cannot be told so.
void WriteErr(std::string_view utf8) { (void)WriteAll(STDERR_FILENO, MendedUtf8(utf8)); }

bool ErrIsConsole() { return ::isatty(STDERR_FILENO) == 1; }

std::string NameInUtf8(const std::string& name) { return ShownText(name); }

bool OutputFailed() { return !outputFailure.ok(); }
files::Outcome OutputFailure() { return outputFailure; }
void ForgetOutputFailure() { outputFailure = {}; }

std::size_t ReadIn(char* buffer, std::size_t capacity) {
  for (;;) {
    const ssize_t got = ::read(STDIN_FILENO, buffer, capacity);
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno != EINTR) return 0;
  }
}

}  // namespace quivor::terminal
