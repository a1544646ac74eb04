#include "study_main/progress_line.hpp"

#include "platform/terminal.hpp"

namespace quivor::study {

std::size_t CharacterCount(std::string_view utf8) {
  std::size_t count = 0;
  for (const char c : utf8) {
    // Every byte but a continuation byte (10xxxxxx) starts a character.
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  }
  return count;
}

std::string RedrawnLine(std::string_view text, std::size_t& shown) {
  std::string line = "\r";
  line += text;
  const std::size_t width = CharacterCount(text);
  if (width < shown) line.append(shown - width, ' ');
  shown = width;
  return line;
}

void ProgressLine::Show(std::string_view text) {
  if (console_) terminal::WriteErr(RedrawnLine(text, shown_));
}

void ProgressLine::Finish(std::string_view last) {
  if (!console_) {
    if (!last.empty()) terminal::WriteErr(std::string(last) + "\n");
    return;
  }
  if (!last.empty()) {
    terminal::WriteErr(RedrawnLine(last, shown_) + "\n");
  } else if (shown_ > 0) {
    terminal::WriteErr(RedrawnLine("", shown_) + "\r");
  }
  shown_ = 0;
}

}  // namespace quivor::study
