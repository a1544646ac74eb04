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
  // The end attributes of an SVG line: ` x1="…" y1="…" x2="…" y2="…"`.
  Markup& LineEnds(double x1, double y1, double x2, double y2) {
    return Raw(" x1=\"")
        .Coord(x1)
        .Raw("\" y1=\"")
        .Coord(y1)
        .Raw("\" x2=\"")
        .Coord(x2)
        .Raw("\" y2=\"")
        .Coord(y2)
        .Raw("\"");
  }
  // A point of an SVG path or transform: `x y`.
  Markup& Point(double x, double y) { return Coord(x).Raw(" ").Coord(y); }
  // The value of an SVG viewBox attribute: `left top width height`.
  Markup& ViewBox(double left, double top, double width, double height) {
    return Coord(left).Raw(" ").Coord(top).Raw(" ").Coord(width).Raw(" ").Coord(height);
  }

  std::string& str() { return out_; }

 private:
  std::string out_;
};

// `text` escaped for HTML.
std::string Escaped(std::string_view text);

// A number for people: at most `decimals` decimals, trailing zeros dropped,
// decimal comma.
std::string Brief(double value, int decimals);

}  // namespace quivor::page
