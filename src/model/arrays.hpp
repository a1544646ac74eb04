// The arrays of a run: 1-based, two-dimensional ones stored column by column
// (the first index varies fastest), as every routine of the analysis expects.
//
// Every array is allocated through Allocate(), which turns a failed
// allocation, or a byte count that does not fit in memory, into fatal error
// report 41. A shape taken from a count that is zero or negative is empty.
// New storage is zeroed, so no array is ever read before it holds a value.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <type_traits>

#include "platform/failure.hpp"
#include "platform/platform.hpp"

namespace quivor {

// Gives an array's storage back to the platform layer, which needs the byte
// count it handed out.
struct StorageRelease {
  std::size_t bytes = 0;
  void operator()(void* storage) const { platform::FreeZeroed(storage, bytes); }
};

template <class T>
class Array2 {
  // The storage comes zeroed from the system and is never constructed.
  static_assert(std::is_arithmetic_v<T>);

 public:
  Array2() = default;

  T& operator()(int i, int j) {
    assert(i >= 1 && i <= rows_ && j >= 1 && j <= columns_);
    return data_[static_cast<std::size_t>(j - 1) * static_cast<std::size_t>(rows_) +
                 static_cast<std::size_t>(i - 1)];
  }
  const T& operator()(int i, int j) const {
    assert(i >= 1 && i <= rows_ && j >= 1 && j <= columns_);
    return data_[static_cast<std::size_t>(j - 1) * static_cast<std::size_t>(rows_) +
                 static_cast<std::size_t>(i - 1)];
  }

  int rows() const { return rows_; }
  int columns() const { return columns_; }
  std::size_t size() const {
    return static_cast<std::size_t>(rows_) * static_cast<std::size_t>(columns_);
  }
  // Column-major storage, for routines that walk it directly.
  T* data() { return data_.get(); }
  const T* data() const { return data_.get(); }

  void Release() {
    data_.reset();
    rows_ = 0;
    columns_ = 0;
  }

  template <class U>
  friend Failure Allocate(Array2<U>& array, int rows, int columns);

 private:
  std::unique_ptr<T[], StorageRelease> data_;
  int rows_ = 0;
  int columns_ = 0;
};

// A one-dimensional array is a single column.
template <class T>
class Array1 {
 public:
  T& operator()(int i) { return column_(i, 1); }
  const T& operator()(int i) const { return column_(i, 1); }
  int size() const { return column_.rows(); }
  T* data() { return column_.data(); }
  const T* data() const { return column_.data(); }
  void Release() { column_.Release(); }

  template <class U>
  friend Failure Allocate(Array1<U>& array, int size);

 private:
  Array2<T> column_;
};

// Gives the array the shape (rows, columns), all zero; a count <= 0 gives an
// empty extent. Whatever the array held before is released first.
template <class T>
Failure Allocate(Array2<T>& array, int rows, int columns) {
  array.Release();
  std::size_t r = rows > 0 ? static_cast<std::size_t>(rows) : 0;
  std::size_t c = columns > 0 ? static_cast<std::size_t>(columns) : 0;
  constexpr std::size_t kMaxElements = std::numeric_limits<std::ptrdiff_t>::max() / sizeof(T);
  if (c != 0 && r > kMaxElements / c) return {ErrorNumber::kNoMemory, 0, 0};
  std::size_t count = r * c;
  if (count != 0) {
    const std::size_t bytes = count * sizeof(T);
    T* storage = static_cast<T*>(platform::AllocateZeroed(bytes));
    if (storage == nullptr) return {ErrorNumber::kNoMemory, 0, 0};
    array.data_ = std::unique_ptr<T[], StorageRelease>(storage, StorageRelease{bytes});
  }
  array.rows_ = static_cast<int>(r);
  array.columns_ = static_cast<int>(c);
  return kSuccess;
}

template <class T>
Failure Allocate(Array1<T>& array, int size) {
  return Allocate(array.column_, size, 1);
}

}  // namespace quivor
