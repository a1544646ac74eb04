// Floating-point <charconv> conversions over the C library's strtod and
// printf, for a C++ library that lacks them (the web build's).
//
// The results are those of std::to_chars and std::from_chars, character for
// character: the shortest text that reads back as the value (fixed or
// scientific, whichever is shorter, fixed on a tie; a whole number in fixed
// form exactly), the fixed and scientific forms with a precision, and the
// nearest value to a decimal text (out of range when it overflows, or when
// it underflows to zero). They rest on a C library whose strtod and strtof
// round correctly and whose printf converts exactly, as glibc's and musl's
// do. The native builds call the standard functions; these are compiled
// there only to be tested against them.
#pragma once

#include <charconv>

namespace quivor::platform {

// std::to_chars(first, last, value): the shortest round trip.
std::to_chars_result ShortestChars(char* first, char* last, double value);
// std::to_chars(first, last, value, format): the shortest round trip in
// that form (fixed, scientific or, as without a form, the shorter of both).
std::to_chars_result ShortestChars(char* first, char* last, double value, std::chars_format format);
// std::to_chars(first, last, value, format, precision).
std::to_chars_result PrecisionChars(char* first, char* last, double value, std::chars_format format,
                                    int precision);
// std::from_chars(first, last, value) in its general form.
std::from_chars_result NumberFromChars(const char* first, const char* last, double& value);
std::from_chars_result NumberFromChars(const char* first, const char* last, float& value);

}  // namespace quivor::platform
