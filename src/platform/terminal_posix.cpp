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

// The text, mended where it is not UTF-8 (bytes echoed from outside that a
// message did not go through ShownText).
std::string Valid(std::string_view utf8) {
  if (IsValidUtf8(utf8)) return std::string(utf8);
  return ShownText(utf8, std::string_view::npos, Controls::kKept);
}

}  // namespace

void WriteOut(std::string_view utf8) {
  const int code = WriteAll(STDOUT_FILENO, Valid(utf8));
  if (code != 0 && outputFailure.ok()) outputFailure = files::FromSystemCode(code);
}

// Standard error that has gone away cannot be told so.
void WriteErr(std::string_view utf8) { (void)WriteAll(STDERR_FILENO, Valid(utf8)); }

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
