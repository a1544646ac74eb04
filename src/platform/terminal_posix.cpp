// POSIX body of the UTF-8 console: bytes are written as they are.
#include <unistd.h>

#include "platform/platform.hpp"
#include "platform/terminal.hpp"

namespace quivor::terminal {

void WriteOut(std::string_view utf8) { platform::WriteConsole(utf8); }
void WriteErr(std::string_view utf8) { platform::WriteError(utf8); }
bool ErrIsConsole() { return ::isatty(STDERR_FILENO) == 1; }
std::string NameInUtf8(const std::string& name) { return name; }

}  // namespace quivor::terminal
