#include "calc/wide_math.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

namespace halverne::conv {
namespace {

// The 32-bit targets multiply by halves; the tests run where a 128-bit type
// exists, so the halves are checked against it here.
TEST(WideMath, MultiplyByHalvesIsExact) {
#if defined(__SIZEOF_INT128__)
  __extension__ using Wide = unsigned __int128;
  std::mt19937_64 rng(128);
  const std::uint64_t edges[] = {
      0, 1, 0xFFFFFFFFu, 0x100000000u, ~std::uint64_t{0}, std::uint64_t{1} << 63};
  auto check = [](std::uint64_t a, std::uint64_t b) {
    const U128 r = multiply_full_by_halves(a, b);
    const Wide p = static_cast<Wide>(a) * b;
    ASSERT_EQ(r.hi, static_cast<std::uint64_t>(p >> 64)) << a << " * " << b;
    ASSERT_EQ(r.lo, static_cast<std::uint64_t>(p)) << a << " * " << b;
  };
  for (std::uint64_t a : edges) {
    for (std::uint64_t b : edges) check(a, b);
  }
  for (int i = 0; i < 100000; ++i) check(rng(), rng());
#else
  GTEST_SKIP() << "no 128-bit integer type to compare with";
#endif
}

// The table's contract at the edges of exactness: 5^55 is the last power
// that fits 128 bits, so T * 2^b == 5^q up to it and below it after.
TEST(WideMath, PowersOfFiveAreTruncatedSignificands) {
  const PowerOfFive& one = power_of_five(0);
  EXPECT_EQ(one.hi, std::uint64_t{1} << 63);
  EXPECT_EQ(one.lo, 0u);
  EXPECT_EQ(one.binary_exponent, -127);
  // 5^27 = 7450580596923828125 < 2^63: shifted up by 65 bits into the 128.
  const PowerOfFive& p27 = power_of_five(27);
  EXPECT_EQ(p27.hi, std::uint64_t{7450580596923828125u} << 1);
  EXPECT_EQ(p27.lo, 0u);
  EXPECT_EQ(p27.binary_exponent, -65);
  // 5^-1 = 0.2 = 0.0011 0011 ... in binary: the significand repeats 1100.
  const PowerOfFive& fifth = power_of_five(-1);
  EXPECT_EQ(fifth.hi, 0xCCCCCCCCCCCCCCCCu);
  EXPECT_EQ(fifth.lo, 0xCCCCCCCCCCCCCCCCu);
  EXPECT_EQ(fifth.binary_exponent, -130);
  for (int q = kMinPowerOfFive; q <= kMaxPowerOfFive; ++q) {
    ASSERT_NE(power_of_five(q).hi >> 63, 0u) << q;  // normalised
  }
}

}  // namespace
}  // namespace halverne::conv
