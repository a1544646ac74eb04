// Numeric values of a free-form read: the condensing of long values and the
// conversion, correctly rounded and locale-free, to the item's type.
#include "model/free_form_value.hpp"

#include <algorithm>
#include <cassert>
#include <cfloat>
#include <charconv>
#include <cstdint>
#include <limits>
#include <span>
#include <system_error>
#include <type_traits>

namespace quivor::free_form {
namespace {

// A written exponent is read up to this bound, far beyond any offset that the
// digits of a value can give it (one per character).
constexpr std::int64_t kExponentBound = 1'000'000'000'000'000;
// A decimal exponent beyond this overflows or underflows both types.
constexpr std::int64_t kExponentLimit = 100000;
// More items than any read has: a longer repeat count acts the same.
constexpr std::int64_t kRepeatLimit = std::int64_t{1} << 40;

// True when a number that from_chars found out of range has a magnitude of
// at least 1, so it overflowed; below 1 it underflowed.
bool Overflows(std::string_view number) {
  std::size_t i = number.front() == '-' ? 1 : 0;
  std::int64_t magnitude = 0;  // the decimal exponent of the first significant digit, plus 1
  bool significant = false;
  for (; i < number.size() && ClassOf(number[i]) == kDigit; ++i) {
    significant = significant || number[i] != '0';
    if (significant) ++magnitude;
  }
  if (i < number.size() && number[i] == '.') {
    for (++i; i < number.size() && ClassOf(number[i]) == kDigit; ++i) {
      if (significant) continue;
      significant = number[i] != '0';
      if (!significant) --magnitude;
    }
  }
  std::int64_t exponent = 0;
  if (i < number.size()) {  // "e[sign]digits"
    ++i;
    const bool negative = number[i] == '-';
    if (number[i] == '-' || number[i] == '+') ++i;
    for (; i < number.size(); ++i) {
      exponent = std::min(exponent * 10 + (number[i] - '0'), kExponentBound);
    }
    if (negative) exponent = -exponent;
  }
  return magnitude + exponent > 0;
}

// Every power of ten up to 10^22 is a double, and up to 10^10 a float.
constexpr double kExactDoublePowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                         1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr float kExactFloatPowers[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                       1e6f, 1e7f, 1e8f, 1e9f, 1e10f};

template <class Real>
constexpr std::span<const Real> ExactPowersOfTen() {
  if constexpr (std::is_same_v<Real, float>) {
    return kExactFloatPowers;
  } else {
    return kExactDoublePowers;
  }
}

// The usual short value, "[-]digits[.digits]" with at most 19 digits: when
// its digits w fit the significand and its decimals f have an exact power,
// w / 10^f divides two exact values, and the one rounding of that division
// gives the nearest Real, as from_chars does. False for any other number.
template <class Real>
bool ToRealShort(std::string_view number, Real& value) {
#if FLT_EVAL_METHOD == 0  // each operation rounds to its own type
  constexpr std::span<const Real> kPowers = ExactPowersOfTen<Real>();
  constexpr std::uint64_t kSignificandLimit = std::uint64_t{1} << std::numeric_limits<Real>::digits;
  const bool negative = number.front() == '-';
  const std::size_t first = negative ? 1 : 0;
  if (number.size() - first > 19) return false;
  std::uint64_t digits = 0;
  std::size_t point = number.size();  // where the point stands
  for (std::size_t i = first; i < number.size(); ++i) {
    const auto digit = static_cast<unsigned char>(number[i] - '0');
    if (digit < 10) {
      digits = digits * 10 + digit;
    } else if (number[i] == '.' && point == number.size()) {
      point = i;
    } else {
      return false;  // an exponent
    }
  }
  const std::size_t decimals = point == number.size() ? 0 : number.size() - point - 1;
  if (digits > kSignificandLimit || decimals >= kPowers.size()) return false;
  const Real magnitude = static_cast<Real>(digits) / kPowers[decimals];
  value = negative ? -magnitude : magnitude;
  return true;
#else
  (void)number;
  (void)value;
  return false;
#endif
}

// The nearest Real to the number; false when it overflows. A value that
// underflows gives zero of its sign.
template <class Real>
bool ToReal(std::string_view number, Real& value) {
  if (ToRealShort(number, value)) return true;
  Real converted{};
  const auto [end, error] =
      std::from_chars(number.data(), number.data() + number.size(), converted);
  assert(error == std::errc::result_out_of_range || end == number.data() + number.size());
  if (error == std::errc()) {
    value = converted;
    return true;
  }
  if (Overflows(number)) return false;
  value = number.front() == '-' ? -Real{0} : Real{0};
  return true;
}

// "[-]digits" into 16 bits; false outside -32768..32767. The bound is tested
// before each step, so nothing overflows on the way.
bool ToInt16(std::string_view number, std::int16_t& value) {
  const bool negative = number.front() == '-';
  const int limit = negative ? 32768 : 32767;
  int magnitude = 0;
  for (std::size_t i = negative ? 1 : 0; i < number.size(); ++i) {
    const int digit = number[i] - '0';
    if (magnitude > (limit - digit) / 10) return false;
    magnitude = magnitude * 10 + digit;
  }
  value = static_cast<std::int16_t>(negative ? -magnitude : magnitude);
  return true;
}

}  // namespace

std::int64_t AddRepeatDigit(std::int64_t repeat, char c) {
  return std::min(repeat * 10 + (c - '0'), kRepeatLimit);
}

GrammarState LongNumber::Feed(char c) {
  const int digit = c - '0';
  switch (grammar_.Feed(c)) {
    case kItem:  // "r*": what came before was the count
      zeroRepeat_ = repeat_ == 0;
      repeated_ = true;
      negative_ = false;
      kept_ = 0;
      dropped_ = false;
      scale_ = 0;
      break;
    case kSigned:
      negative_ = c == '-';
      break;
    case kLead:
      repeat_ = AddRepeatDigit(repeat_, c);
      AddIntegerDigit(c, digit);
      break;
    case kInteger:
      AddIntegerDigit(c, digit);
      break;
    case kFraction:
      if (ClassOf(c) == kDigit) AddFractionDigit(c, digit);
      break;
    case kExponentSign:
      exponentNegative_ = c == '-';
      break;
    case kExponentDigits:
      exponent_ = std::min(exponent_ * 10 + digit, kExponentBound);
      break;
    default:
      break;
  }
  return state();
}

std::string_view LongNumber::Text(std::span<char> text, Outcome& outcome) const {
  char* out = text.data();
  if (negative_) *out++ = '-';
  if (kept_ == 0) *out++ = '0';
  out = std::copy_n(digits_.data(), kept_, out);
  std::int64_t scale = scale_ + (exponentNegative_ ? -exponent_ : exponent_);
  if (dropped_) {
    *out++ = '1';
    --scale;
  }
  if (outcome == Outcome::kInteger && scale != 0) outcome = Outcome::kReal;
  if (outcome == Outcome::kReal) {
    *out++ = 'e';
    scale = std::clamp(scale, -kExponentLimit, kExponentLimit);
    out = std::to_chars(out, text.data() + text.size(), scale).ptr;
  }
  return {text.data(), static_cast<std::size_t>(out - text.data())};
}

void LongNumber::AddIntegerDigit(char c, int digit) {
  if (kept_ == 0 && digit == 0) return;  // a leading zero
  if (kept_ < kKeptDigits) {
    digits_[static_cast<std::size_t>(kept_++)] = c;
  } else {
    ++scale_;
    dropped_ = dropped_ || digit != 0;
  }
}

void LongNumber::AddFractionDigit(char c, int digit) {
  if (kept_ == 0 && digit == 0) {
    --scale_;
  } else if (kept_ < kKeptDigits) {
    digits_[static_cast<std::size_t>(kept_++)] = c;
    --scale_;
  } else {
    dropped_ = dropped_ || digit != 0;
  }
}

bool Store(ReadItem& item, Outcome outcome, std::string_view number) {
  const bool logical = outcome == Outcome::kTrue || outcome == Outcome::kFalse;
  const int truth = outcome == Outcome::kTrue ? -1 : 0;
  switch (item.kind) {
    case ItemKind::kInt16: {
      auto& target = *static_cast<std::int16_t*>(item.target);
      if (logical) {
        target = static_cast<std::int16_t>(truth);
        return true;
      }
      if (outcome == Outcome::kInteger) return ToInt16(number, target);
      double real = 0.0;
      if (!ToReal(number, real) || !(real > -32769.0 && real < 32768.0)) return false;
      target = static_cast<std::int16_t>(real);
      return true;
    }
    case ItemKind::kReal64: {
      auto& target = *static_cast<double*>(item.target);
      if (!logical) return ToReal(number, target);
      target = truth;
      return true;
    }
    case ItemKind::kReal32: {
      auto& target = *static_cast<float*>(item.target);
      if (!logical) return ToReal(number, target);
      target = static_cast<float>(truth);
      return true;
    }
    case ItemKind::kText:
      break;
  }
  return false;
}

}  // namespace quivor::free_form
