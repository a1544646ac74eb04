// Bit-level comparison of reals and arrays: results follow a fixed order of
// operations, so they are compared exactly, -0.0 and NaN payloads included.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "model/arrays.hpp"

namespace quivor::test {

inline std::uint64_t Bits(double x) { return std::bit_cast<std::uint64_t>(x); }

template <class T>
bool SameBits(const Array2<T>& a, const Array2<T>& b) {
  return a.rows() == b.rows() && a.columns() == b.columns() &&
         (a.size() == 0 || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

template <class T>
bool SameBits(const Array1<T>& a, const Array1<T>& b) {
  return a.size() == b.size() &&
         (a.size() == 0 ||
          std::memcmp(a.data(), b.data(), static_cast<std::size_t>(a.size()) * sizeof(T)) == 0);
}

template <class T>
Array2<T> Copy(const Array2<T>& a) {
  Array2<T> copy;
  (void)Allocate(copy, a.rows(), a.columns());
  if (a.size() != 0) std::memcpy(copy.data(), a.data(), a.size() * sizeof(T));
  return copy;
}

}  // namespace quivor::test
