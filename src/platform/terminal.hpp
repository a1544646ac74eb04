// Text for people, in UTF-8, on a console that may expect something else.
//
// quivor's own console texts are single-byte; the companion command speaks
// UTF-8. On a Windows console the text goes out as characters, so the
// accents show whatever the code page; written to a pipe or a file it goes
// out as UTF-8 bytes, as it does everywhere on POSIX.
#pragma once

#include <string>
#include <string_view>

namespace quivor::terminal {

void WriteOut(std::string_view utf8);
void WriteErr(std::string_view utf8);

// Whether standard error is a console (a terminal), where a line can be
// redrawn in place; false for a pipe or a file.
bool ErrIsConsole();

// A file name as the system takes it (the ANSI code page on Windows, bytes
// on POSIX), in UTF-8 for a message.
std::string NameInUtf8(const std::string& name);

}  // namespace quivor::terminal
