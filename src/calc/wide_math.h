#pragma once

// Integer helpers shared by the two numeric conversions (internal to calc/).
// All digit work is done in integers so that the results do not depend on how
// the target evaluates double expressions (x87 on 32-bit x86 keeps 64-bit
// significands in registers).

#include <array>
#include <cstddef>
#include <cstdint>

namespace halverne::conv {

struct U128 {
  std::uint64_t hi;
  std::uint64_t lo;
};

// The full 128-bit product of two 64-bit integers from four 32-bit products:
// what 32-bit targets use, having no 128-bit integer type.
inline U128 multiply_full_by_halves(std::uint64_t a, std::uint64_t b) noexcept {
  const std::uint64_t a_lo = a & 0xFFFFFFFFu, a_hi = a >> 32;
  const std::uint64_t b_lo = b & 0xFFFFFFFFu, b_hi = b >> 32;
  const std::uint64_t ll = a_lo * b_lo, lh = a_lo * b_hi, hl = a_hi * b_lo, hh = a_hi * b_hi;
  const std::uint64_t mid = (ll >> 32) + (lh & 0xFFFFFFFFu) + (hl & 0xFFFFFFFFu);
  return {hh + (lh >> 32) + (hl >> 32) + (mid >> 32), (mid << 32) | (ll & 0xFFFFFFFFu)};
}

inline U128 multiply_full(std::uint64_t a, std::uint64_t b) noexcept {
#if defined(__SIZEOF_INT128__)
  __extension__ using Wide = unsigned __int128;
  const Wide p = static_cast<Wide>(a) * b;
  return {static_cast<std::uint64_t>(p >> 64), static_cast<std::uint64_t>(p)};
#else
  return multiply_full_by_halves(a, b);
#endif
}

// A 192-bit unsigned integer, w[0] least significant.
struct U192 {
  std::uint64_t w[3];
};

// The product of a 64-bit and a 128-bit integer, exactly.
inline U192 multiply_64_128(std::uint64_t a, std::uint64_t b_hi, std::uint64_t b_lo) noexcept {
  const U128 low = multiply_full(a, b_lo);
  const U128 high = multiply_full(a, b_hi);
  U192 r{};
  r.w[0] = low.lo;
  r.w[1] = low.hi + high.lo;
  r.w[2] = high.hi + (r.w[1] < low.hi ? 1u : 0u);
  return r;
}

// Bits [from, from + 64) of x, zero beyond bit 191; 0 <= from < 192.
inline std::uint64_t bits_from(const U192& x, int from) noexcept {
  const int limb = from / 64;
  const int off = from % 64;
  std::uint64_t v = x.w[limb] >> off;
  if (off != 0 && limb < 2) v |= x.w[limb + 1] << (64 - off);
  return v;
}

// A power of five as a 128-bit significand T (top bit set) and a binary
// exponent b: T * 2^b <= 5^q < (T + 1) * 2^b. T is exact for 0 <= q <= 55.
struct PowerOfFive {
  std::uint64_t hi;
  std::uint64_t lo;
  std::int32_t binary_exponent;
};

inline constexpr int kMinPowerOfFive = -350;
inline constexpr int kMaxPowerOfFive = 350;
inline constexpr int kMaxExactPowerOfFive = 55;

extern const std::array<PowerOfFive, kMaxPowerOfFive - kMinPowerOfFive + 1> kPowersOfFive;

// 5^q for kMinPowerOfFive <= q <= kMaxPowerOfFive.
inline const PowerOfFive& power_of_five(int q) noexcept {
  return kPowersOfFive[static_cast<std::size_t>(q - kMinPowerOfFive)];
}

// A fixed-size unsigned big integer for the rare exact comparisons: wide enough
// for a 800-digit decimal significand scaled by any power of two or five that
// the conversions need (about 4000 bits).
class BigUnsigned {
 public:
  static constexpr std::size_t kLimbs = 136;  // 32-bit limbs: 4352 bits

  BigUnsigned() = default;
  explicit BigUnsigned(std::uint64_t v) noexcept;

  void multiply_small(std::uint32_t m) noexcept;
  void add_small(std::uint32_t a) noexcept;
  void multiply_power_of_five(int n) noexcept;
  void shift_left(int n) noexcept;
  // -1, 0 or +1 as *this is below, equal to or above other.
  int compare(const BigUnsigned& other) const noexcept;

 private:
  std::array<std::uint32_t, kLimbs> limb_{};
  std::size_t used_ = 0;  // limbs in use; higher ones are zero
};

}  // namespace halverne::conv
