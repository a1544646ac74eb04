// Text from outside the program, in valid UTF-8 for a message.
#include "platform/shown_text.hpp"

#include <array>

namespace quivor::terminal {
namespace {

// The length of the well-formed UTF-8 sequence at the start of `text`: no
// overlong form, no surrogate, nothing past U+10FFFF; 0 when there is none.
std::size_t SequenceLength(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char c = byte(0);
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3;
    if (c == 0xE0) low = 0xA0;
    if (c == 0xED) high = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4;
    if (c == 0xF0) low = 0x90;
    if (c == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t k = 2; k < length; ++k) {
    if ((byte(k) & 0xC0) != 0x80) return 0;
  }
  return length;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      ++i;
      continue;
    }
    const std::size_t length = SequenceLength(text.substr(i));
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::string ShownText(std::string_view text, std::size_t limit, Controls controls) {
  static constexpr std::array<char, 16> kHex = {'0', '1', '2', '3', '4', '5', '6', '7',
                                                '8', '9', 'a', 'b', 'c', 'd', 'e', 'f'};
  std::string out;
  std::size_t characters = 0;
  std::size_t i = 0;
  for (; i < text.size() && characters < limit; ++characters) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      if (const std::size_t length = SequenceLength(text.substr(i)); length > 0) {
        out.append(text.substr(i, length));
        i += length;
        continue;
      }
    }
    ++i;
    if ((c < 0x20 || c == 0x7F) && controls == Controls::kKept) {
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      if (controls == Controls::kQuestionMark) {
        out += '?';
      } else {
        out += "\\x";
        out += kHex[c >> 4];
        out += kHex[c & 0xF];
      }
    } else if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0xA0) {
      out += '?';
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  if (i < text.size()) out += "...";
  return out;
}

std::string MendedUtf8(std::string_view text) {
  if (IsValidUtf8(text)) return std::string(text);
  return ShownText(text, std::string_view::npos, Controls::kKept);
}

}  // namespace quivor::terminal
