// The page's text as it is written: markup appended as is, text escaped for
// HTML (in content and in quoted attribute values alike), and numbers.
#pragma once

#include <string>
#include <string_view>

namespace quivor::page {

class Markup {
 public:
  Markup& Raw(std::string_view markup) {
    out_ += markup;
    return *this;
  }
  Markup& Text(std::string_view text);
  Markup& Int(long long value);
  // A drawing coordinate: at most 2 decimals, no trailing zeros, "0" for
  // anything that is not a finite number.
  Markup& Coord(double value);

  std::string& str() { return out_; }

 private:
  std::string out_;
};

// `text` escaped for HTML.
std::string Escaped(std::string_view text);

}  // namespace quivor::page
