// Text for people, in UTF-8, on a console that may expect something else.
//
// quivor's own console texts are single-byte; the companion command speaks
// UTF-8. On a Windows console the text goes out as characters, so the
// accents show whatever the code page; written to a pipe or a file it goes
// out as UTF-8 bytes, as it does everywhere on POSIX.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/files.hpp"

namespace quivor::terminal {

void WriteOut(std::string_view utf8);
void WriteErr(std::string_view utf8);

// Whether standard error is a console (a terminal), where a line can be
// redrawn in place; false for a pipe or a file.
bool ErrIsConsole();

// A name (UTF-8 on our side, as the companion's files take it) as a message
// shows it: valid UTF-8, controls escaped, cut when very long (ShownText).
std::string NameInUtf8(const std::string& name);

// Whether some of what was written to standard output could not be; then
// why. Standard error has no one to tell and is not watched.
bool OutputFailed();
files::Outcome OutputFailure();
// For tests: standard output starts afresh.
void ForgetOutputFailure();

// Bytes typed at the console, in UTF-8 (a Windows console is read as
// characters); 0 at the end of the input or when it cannot be read.
std::size_t ReadIn(char* buffer, std::size_t capacity);

}  // namespace quivor::terminal
