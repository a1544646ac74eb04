// Floating-point <charconv> conversions over strtod and printf.
#include "platform/float_chars.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>

namespace quivor::platform {
namespace {

// `text` into [first, last), or value_too_large when it does not fit.
std::to_chars_result Put(char* first, char* last, std::string_view text) {
  if (static_cast<std::size_t>(last - first) < text.size()) {
    return {last, std::errc::value_too_large};
  }
  std::memcpy(first, text.data(), text.size());
  return {first + text.size(), std::errc{}};
}

// printf's conversion of `value` with one '*' precision.
std::string Printed(const char* format, int precision, double value) {
  const int size = std::snprintf(nullptr, 0, format, precision, value);
  std::string text(static_cast<std::size_t>(size) + 1, '\0');
  std::snprintf(text.data(), text.size(), format, precision, value);
  text.pop_back();
  return text;
}

// "inf", "-inf", "nan" or "-nan"; empty for a finite value.
std::string NonFinite(double value) {
  if (std::isfinite(value)) return {};
  std::string text = std::signbit(value) ? "-" : "";
  return text + (std::isnan(value) ? "nan" : "inf");
}

// A finite magnitude as d.ddd x 10^exponent: the significant digits and the
// exponent of the first.
struct Decimal {
  std::string digits;
  int exponent = 0;
};

// The P-digit form of printf's "%.*e" text.
Decimal FromScientific(const std::string& text) {
  Decimal decimal;
  const std::size_t mark = text.find('e');
  for (std::size_t i = 0; i < mark; ++i) {
    if (text[i] != '.') decimal.digits += text[i];
  }
  decimal.exponent = std::atoi(text.c_str() + mark + 1);
  return decimal;
}

std::string ScientificText(const Decimal& decimal) {
  std::string text(1, decimal.digits[0]);
  if (decimal.digits.size() > 1) {
    text += '.';
    text.append(decimal.digits, 1);
  }
  const int magnitude = std::abs(decimal.exponent);
  text += decimal.exponent < 0 ? "e-" : "e+";
  if (magnitude < 10) text += '0';
  return text + std::to_string(magnitude);
}

bool ReadsBack(const Decimal& decimal, double magnitude) {
  return std::strtod(ScientificText(decimal).c_str(), nullptr) == magnitude;
}

// The next decimal of as many digits above this one.
Decimal Above(Decimal decimal) {
  std::size_t i = decimal.digits.size();
  while (i > 0 && decimal.digits[i - 1] == '9') decimal.digits[--i] = '0';
  if (i > 0) {
    ++decimal.digits[i - 1];
  } else {
    decimal.digits[0] = '1';  // all nines became zeros: one more digit's worth
    ++decimal.exponent;
  }
  return decimal;
}

// The fewest significant digits that read back as the finite, positive
// magnitude; of those, the decimal nearest to it. printf rounds correctly,
// so its P-digit decimal is the nearest one; when that one misses the
// magnitude the only other candidate is the next one beyond it (the
// interval that reads back as a power of two is wider above it than below).
Decimal ShortestDecimal(double magnitude) {
  for (int precision = 0; precision < 17; ++precision) {
    const Decimal nearest = FromScientific(Printed("%.*e", precision, magnitude));
    if (ReadsBack(nearest, magnitude)) return nearest;
    const double read = std::strtod(ScientificText(nearest).c_str(), nullptr);
    if (read < magnitude) {
      const Decimal above = Above(nearest);
      if (ReadsBack(above, magnitude)) return above;
    }
  }
  return FromScientific(Printed("%.*e", 16, magnitude));  // 17 digits always read back
}

// The fixed form of the shortest digits; a whole number exactly, as printf
// gives it (the same count of characters, nearer the value).
std::string FixedText(const Decimal& decimal, double magnitude) {
  const int count = static_cast<int>(decimal.digits.size());
  if (decimal.exponent >= count - 1) return Printed("%.*f", 0, magnitude);
  if (decimal.exponent >= 0) {
    const auto split = static_cast<std::size_t>(decimal.exponent) + 1;
    return decimal.digits.substr(0, split) + "." + decimal.digits.substr(split);
  }
  return "0." + std::string(static_cast<std::size_t>(-decimal.exponent - 1), '0') + decimal.digits;
}

// The characters of the fixed form, from the digits alone.
std::size_t FixedLength(const Decimal& decimal) {
  const int count = static_cast<int>(decimal.digits.size());
  if (decimal.exponent >= count - 1) return static_cast<std::size_t>(decimal.exponent) + 1;
  if (decimal.exponent >= 0) return decimal.digits.size() + 1;
  return decimal.digits.size() + 1 + static_cast<std::size_t>(-decimal.exponent);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Whether [at, last) starts with `word`, in either case.
bool StartsWithWord(const char* at, const char* last, std::string_view word) {
  if (static_cast<std::size_t>(last - at) < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    char c = at[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != word[i]) return false;
  }
  return true;
}

template <class Real>
Real Convert(const std::string& text);
template <>
double Convert<double>(const std::string& text) {
  return std::strtod(text.c_str(), nullptr);
}
template <>
float Convert<float>(const std::string& text) {
  return std::strtof(text.c_str(), nullptr);
}

template <class Real>
std::from_chars_result FromChars(const char* first, const char* last, Real& value) {
  const char* at = first;
  const bool negative = at != last && *at == '-';
  if (negative) ++at;
  if (StartsWithWord(at, last, "inf")) {
    at += StartsWithWord(at, last, "infinity") ? 8 : 3;
    value =
        negative ? -std::numeric_limits<Real>::infinity() : std::numeric_limits<Real>::infinity();
    return {at, std::errc{}};
  }
  if (StartsWithWord(at, last, "nan")) {
    at += 3;
    // An optional (n-char-sequence), taken only when it is closed.
    if (at != last && *at == '(') {
      const char* end = at + 1;
      while (end != last && (IsDigit(*end) || *end == '_' || (*end >= 'a' && *end <= 'z') ||
                             (*end >= 'A' && *end <= 'Z'))) {
        ++end;
      }
      if (end != last && *end == ')') at = end + 1;
    }
    const Real nan = std::numeric_limits<Real>::quiet_NaN();
    value = negative ? -nan : nan;
    return {at, std::errc{}};
  }
  const char* const mantissa = at;
  bool nonZero = false;
  std::size_t digits = 0;
  for (; at != last && IsDigit(*at); ++at, ++digits) nonZero = nonZero || *at != '0';
  if (at != last && *at == '.') {
    ++at;
    for (; at != last && IsDigit(*at); ++at, ++digits) nonZero = nonZero || *at != '0';
  }
  if (digits == 0) return {first, std::errc::invalid_argument};
  // The exponent only when it has digits.
  if (at != last && (*at == 'e' || *at == 'E')) {
    const char* exponent = at + 1;
    if (exponent != last && (*exponent == '+' || *exponent == '-')) ++exponent;
    if (exponent != last && IsDigit(*exponent)) {
      at = exponent;
      while (at != last && IsDigit(*at)) ++at;
    }
  }
  const Real converted = Convert<Real>(std::string(mantissa, at));
  // Out of range: beyond the largest finite value, or a nonzero number
  // that rounds to zero; the value is left as it was.
  if (std::isinf(converted) || (converted == Real{0} && nonZero)) {
    return {at, std::errc::result_out_of_range};
  }
  value = negative ? -converted : converted;
  return {at, std::errc{}};
}

}  // namespace

std::to_chars_result ShortestChars(char* first, char* last, double value) {
  return ShortestChars(first, last, value, std::chars_format{});
}

std::to_chars_result ShortestChars(char* first, char* last, double value,
                                   std::chars_format format) {
  const std::string nonFinite = NonFinite(value);
  if (!nonFinite.empty()) return Put(first, last, nonFinite);
  const std::string sign = std::signbit(value) ? "-" : "";
  const double magnitude = std::fabs(value);
  const Decimal decimal = magnitude == 0.0 ? Decimal{"0", 0} : ShortestDecimal(magnitude);
  bool fixed = format == std::chars_format::fixed;
  if (format == std::chars_format{}) {
    fixed = FixedLength(decimal) <= ScientificText(decimal).size();
  } else if (format == std::chars_format::general) {
    // As printf's %g chooses with its default precision, 6.
    fixed = decimal.exponent >= -4 && decimal.exponent < 6;
  }
  return Put(first, last, sign + (fixed ? FixedText(decimal, magnitude) : ScientificText(decimal)));
}

std::to_chars_result PrecisionChars(char* first, char* last, double value, std::chars_format format,
                                    int precision) {
  const std::string nonFinite = NonFinite(value);
  if (!nonFinite.empty()) return Put(first, last, nonFinite);
  const char* printf = format == std::chars_format::fixed        ? "%.*f"
                       : format == std::chars_format::scientific ? "%.*e"
                                                                 : "%.*g";
  return Put(first, last, Printed(printf, precision, value));
}

std::from_chars_result NumberFromChars(const char* first, const char* last, double& value) {
  return FromChars(first, last, value);
}

std::from_chars_result NumberFromChars(const char* first, const char* last, float& value) {
  return FromChars(first, last, value);
}

}  // namespace quivor::platform
