// A progress line on standard error, for work that takes a while.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quivor::study {

// The characters of UTF-8 text, as a console shows them: one column each.
std::size_t CharacterCount(std::string_view utf8);

// The bytes that redraw a console line in place: back to its start, the
// text, then blanks over what a longer line left there. `shown` is the
// width of the line on screen, in characters, and is updated.
std::string RedrawnLine(std::string_view text, std::size_t& shown);

// A line redrawn in place on a console while the work goes on. Where
// standard error is not a console (a pipe, a log file) nothing is redrawn:
// only the line the work ends with is written, if it has one.
class ProgressLine {
 public:
  explicit ProgressLine(bool console) : console_(console) {}

  // The line, in place of the one before (on a console only).
  void Show(std::string_view text);
  // Ends the progress: `last` as a line of its own, or, when it is empty,
  // the line wiped from the console.
  void Finish(std::string_view last);

 private:
  bool console_;
  std::size_t shown_ = 0;
};

}  // namespace quivor::study
