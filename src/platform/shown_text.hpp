// Text from outside the program (a name, a line of a model file) as a
// message, a JSON document, a CSV table or a page may show it: always valid
// UTF-8, never a control character, never longer than a message can hold.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quivor::terminal {

// Characters of a name shown in a message.
inline constexpr std::size_t kShownName = 200;

// How a control character shows: escaped in C's way ("\x00"), as '?', or
// as it is (for text of our own that holds line ends).
enum class Controls { kEscaped, kQuestionMark, kKept };

// The text in UTF-8: its own UTF-8 sequences as they are, any other byte
// taken as a Windows-1252 letter (Latin-1 for the accented ones; '?' for the
// rest), controls as asked; past `limit` characters it is cut, with "...".
std::string ShownText(std::string_view text, std::size_t limit = kShownName,
                      Controls controls = Controls::kEscaped);

// Whether the text is well-formed UTF-8 already.
bool IsValidUtf8(std::string_view text);

// Text of our own as it goes out: as it is when it is UTF-8; otherwise
// mended (bytes echoed from outside that did not go through ShownText),
// nothing cut and no control touched.
std::string MendedUtf8(std::string_view text);

}  // namespace quivor::terminal
