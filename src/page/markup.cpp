#include "page/markup.hpp"

#include <charconv>
#include <cmath>
#include <utility>

#include "study_output/portuguese.hpp"

namespace quivor::page {

Markup& Markup::Text(std::string_view text) {
  std::size_t plain = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char* entity = nullptr;
    switch (text[i]) {
      case '&':
        entity = "&amp;";
        break;
      case '<':
        entity = "&lt;";
        break;
      case '>':
        entity = "&gt;";
        break;
      case '"':
        entity = "&quot;";
        break;
      case '\'':
        entity = "&#39;";
        break;
      default:
        continue;
    }
    out_.append(text.substr(plain, i - plain));
    out_ += entity;
    plain = i + 1;
  }
  out_.append(text.substr(plain));
  return *this;
}

Markup& Markup::Int(long long value) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  out_.append(digits, result.ptr);
  return *this;
}

Markup& Markup::Coord(double value) {
  // The drawings keep their coordinates within a few thousand units; the
  // buffer holds any double all the same.
  char digits[400];
  if (!std::isfinite(value)) value = 0.0;
  const auto result =
      std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 2);
  char* end = result.ptr;
  while (end[-1] == '0') --end;
  if (end[-1] == '.') --end;
  const char* start = digits;
  if (end - start == 2 && start[0] == '-' && start[1] == '0') ++start;
  out_.append(start, static_cast<std::size_t>(end - start));
  return *this;
}

// study::Decimal never writes a negative zero, so neither does this.
std::string Brief(double value, int decimals) {
  std::string text = study::Decimal(value, decimals);
  if (text.find(',') != std::string::npos) {
    while (text.back() == '0') text.pop_back();
    if (text.back() == ',') text.pop_back();
  }
  return text;
}

std::string Escaped(std::string_view text) {
  Markup markup;
  markup.Text(text);
  return std::move(markup.str());
}

}  // namespace quivor::page
