#include "calc/wide_math.h"

#include <algorithm>
#include <bit>

namespace halverne::conv {

namespace {

constexpr int kTableSize = kMaxPowerOfFive - kMinPowerOfFive + 1;

// Little big-integer helpers for building the table at compile time: 5^350
// needs 813 bits, 2^1024 / 5^q at most 1025.
constexpr std::size_t kTableLimbs = 34;
using Limbs = std::array<std::uint32_t, kTableLimbs>;

constexpr int bit_length(const Limbs& x) {
  for (int i = static_cast<int>(kTableLimbs) - 1; i >= 0; --i) {
    const std::uint32_t v = x[static_cast<std::size_t>(i)];
    if (v != 0) return i * 32 + (32 - std::countl_zero(v));
  }
  return 0;
}

// Bits [from, from + 32) of x.
constexpr std::uint32_t bits32(const Limbs& x, int from) {
  std::uint64_t v = 0;
  for (int k = 1; k >= 0; --k) {
    const int limb = (from >> 5) + k;
    v <<= 32;
    if (limb >= 0 && limb < static_cast<int>(kTableLimbs)) v |= x[static_cast<std::size_t>(limb)];
  }
  const int off = from & 31;
  return static_cast<std::uint32_t>(v >> off);
}

// The top 128 bits of x (x has at least one bit), truncated; `length` is the
// bit length of x.
constexpr PowerOfFive top_128(const Limbs& x, int length, int extra_exponent) {
  const int from = length - 128;  // may be negative: then shifted left
  std::uint32_t part[4]{};
  for (int k = 0; k < 4; ++k) {
    const int at = from + 32 * k;
    if (at >= 0) {
      part[k] = bits32(x, at);
    } else if (at > -32) {
      part[k] = x[0] << (-at);
    }
  }
  return {(std::uint64_t{part[3]} << 32) | part[2], (std::uint64_t{part[1]} << 32) | part[0],
          static_cast<std::int32_t>(from + extra_exponent)};
}

constexpr std::array<PowerOfFive, kTableSize> make_table() {
  std::array<PowerOfFive, kTableSize> table{};
  // Non-negative q: 5^q exactly, multiplied up.
  Limbs x{};
  x[0] = 1;
  for (int q = 0; q <= kMaxPowerOfFive; ++q) {
    table[static_cast<std::size_t>(q - kMinPowerOfFive)] = top_128(x, bit_length(x), 0);
    std::uint64_t carry = 0;
    for (auto& limb : x) {
      const std::uint64_t v = std::uint64_t{limb} * 5 + carry;
      limb = static_cast<std::uint32_t>(v);
      carry = v >> 32;
    }
  }
  // Negative q: floor(2^1024 / 5^-q), divided down one 5 at a time
  // (floor(floor(a) / 5) = floor(a / 5)), then truncated to 128 bits.
  constexpr int kScale = 1024;
  Limbs y{};
  y[kScale / 32] = 1;
  for (int q = -1; q >= kMinPowerOfFive; --q) {
    std::uint64_t rem = 0;
    for (int i = static_cast<int>(kTableLimbs) - 1; i >= 0; --i) {
      const std::uint64_t v = (rem << 32) | y[static_cast<std::size_t>(i)];
      y[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(v / 5);
      rem = v % 5;
    }
    table[static_cast<std::size_t>(q - kMinPowerOfFive)] = top_128(y, bit_length(y), -kScale);
  }
  return table;
}

}  // namespace

// Built by the compiler: no start-up work, and a table that cannot drift
// from how it is made.
constexpr std::array<PowerOfFive, kTableSize> kPowersOfFive = make_table();

BigUnsigned::BigUnsigned(std::uint64_t v) noexcept {
  limb_[0] = static_cast<std::uint32_t>(v);
  limb_[1] = static_cast<std::uint32_t>(v >> 32);
  used_ = limb_[1] != 0 ? 2 : (limb_[0] != 0 ? 1 : 0);
}

void BigUnsigned::multiply_small(std::uint32_t m) noexcept {
  std::uint64_t carry = 0;
  for (std::size_t i = 0; i < used_; ++i) {
    const std::uint64_t v = std::uint64_t{limb_[i]} * m + carry;
    limb_[i] = static_cast<std::uint32_t>(v);
    carry = v >> 32;
  }
  if (carry != 0 && used_ < kLimbs) limb_[used_++] = static_cast<std::uint32_t>(carry);
}

void BigUnsigned::add_small(std::uint32_t a) noexcept {
  std::uint64_t carry = a;
  for (std::size_t i = 0; i < used_ && carry != 0; ++i) {
    const std::uint64_t v = std::uint64_t{limb_[i]} + carry;
    limb_[i] = static_cast<std::uint32_t>(v);
    carry = v >> 32;
  }
  if (carry != 0 && used_ < kLimbs) limb_[used_++] = static_cast<std::uint32_t>(carry);
}

void BigUnsigned::multiply_power_of_five(int n) noexcept {
  constexpr std::uint32_t kFive13 = 1220703125;  // 5^13, the largest power below 2^32
  for (; n >= 13; n -= 13) multiply_small(kFive13);
  std::uint32_t rest = 1;
  for (; n > 0; --n) rest *= 5;
  multiply_small(rest);
}

void BigUnsigned::shift_left(int n) noexcept {
  if (used_ == 0 || n <= 0) return;
  const std::size_t limbs = static_cast<std::size_t>(n) / 32;
  const int bits = n % 32;
  const std::size_t new_used = std::min(kLimbs, used_ + limbs + 1);
  for (std::size_t i = new_used; i-- > 0;) {
    std::uint32_t v = 0;
    if (i >= limbs) {
      const std::size_t src = i - limbs;
      if (src < used_) v = limb_[src] << bits;
      if (bits != 0 && src >= 1 && src - 1 < used_) v |= limb_[src - 1] >> (32 - bits);
    }
    limb_[i] = v;
  }
  used_ = new_used;
  while (used_ > 0 && limb_[used_ - 1] == 0) --used_;
}

int BigUnsigned::compare(const BigUnsigned& other) const noexcept {
  if (used_ != other.used_) return used_ < other.used_ ? -1 : 1;
  for (std::size_t i = used_; i-- > 0;) {
    if (limb_[i] != other.limb_[i]) return limb_[i] < other.limb_[i] ? -1 : 1;
  }
  return 0;
}

}  // namespace halverne::conv
