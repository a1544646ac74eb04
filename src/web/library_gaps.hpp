// What the engine uses of the C++20 library and the web build's libc++ 13
// (as Emscripten 3.1.6 ships it) lacks: std::bit_cast, and the
// floating-point overloads of <charconv>, over the platform's conversions
// (src/platform/float_chars.hpp), which give the same characters and
// values. The web build includes this header before every C++ source, so
// that the engine's sources call them as the standard names them.
#pragma once

#include <bit>
#include <charconv>
#include <version>

#include "platform/float_chars.hpp"

#if !defined(__cpp_lib_bit_cast)
namespace std {

template <class To, class From>
constexpr To bit_cast(const From& from) noexcept {
  return __builtin_bit_cast(To, from);
}

}  // namespace std
#endif

#if !defined(__cpp_lib_to_chars)
namespace std {

inline to_chars_result to_chars(char* first, char* last, double value) {
  return quivor::platform::ShortestChars(first, last, value);
}
inline to_chars_result to_chars(char* first, char* last, double value, chars_format format) {
  return quivor::platform::ShortestChars(first, last, value, format);
}
inline to_chars_result to_chars(char* first, char* last, double value, chars_format format,
                                int precision) {
  return quivor::platform::PrecisionChars(first, last, value, format, precision);
}
inline from_chars_result from_chars(const char* first, const char* last, double& value) {
  return quivor::platform::NumberFromChars(first, last, value);
}
inline from_chars_result from_chars(const char* first, const char* last, float& value) {
  return quivor::platform::NumberFromChars(first, last, value);
}

}  // namespace std
#endif
