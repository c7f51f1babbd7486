#include "calc/number_to_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <string>

namespace halverne {
namespace {

double from_bits(std::uint64_t b) { return std::bit_cast<double>(b); }

struct FormatCase {
  double value;
  const char* text;
};

void PrintTo(const FormatCase& c, std::ostream* os) {
  *os << std::hex << std::bit_cast<std::uint64_t>(c.value) << " -> " << c.text;
}

class NumberToTextTable : public testing::TestWithParam<FormatCase> {};

TEST_P(NumberToTextTable, LaysOutThirteenDigitsTwiceRounded) {
  EXPECT_EQ(number_to_text(GetParam().value), GetParam().text);
}

constexpr double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, NumberToTextTable,
    testing::Values(
        FormatCase{22.857142857142858, "22.85714285714"},
        FormatCase{-22.857142857142858, "-22.85714285714"},
        FormatCase{23.437499999999996, "23.4375"}, FormatCase{2.2857142857142856, "2.285714285714"},
        FormatCase{0.1111111111111111, "0.1111111111111"},
        FormatCase{0.002285714285714286, "0.002285714285714"}, FormatCase{0.0001, "0.0001"},
        FormatCase{0.00001, "1e-005"}, FormatCase{0.00012345678901234, "0.0001234567890123"},
        FormatCase{1e-10, "1e-010"}, FormatCase{0.5, "0.5"}, FormatCase{100, "100"},
        FormatCase{123456789012.34, "123456789012.3"}, FormatCase{1234567890123.4, "1234567890123"},
        FormatCase{9999999999999, "9999999999999"}, FormatCase{10000000000000, "1e+013"},
        FormatCase{12345678901234, "1.234567890123e+013"}, FormatCase{99999999999999, "1e+014"},
        FormatCase{from_bits(0x4023ffffffffffe4), "10"},              // 9.99999999999995
        FormatCase{from_bits(0x3ff3c0ca428c5abe), "1.234567890124"},  // 1.2345678901235
        FormatCase{from_bits(0x407e7138a23fdd1a), "487.0763266082"},  // 487.07632660815
        FormatCase{from_bits(0x7FEFFFFFFFFFFFFF), "1.797693134862e+308"},
        FormatCase{from_bits(1), "4.940656458412e-324"}, FormatCase{0.0, "0"},
        FormatCase{-0.0, "0"}, FormatCase{kInf, "1.#INF"}, FormatCase{-kInf, "-1.#INF"},
        FormatCase{from_bits(0xFFF8000000000000), "-1.#IND"},  // the default NaN
        // Other NaNs: quiet or signalling, either sign.
        FormatCase{from_bits(0x7FF8000000000000), "1.#QNAN"},
        FormatCase{from_bits(0xFFF8000000000001), "-1.#QNAN"},
        FormatCase{from_bits(0x7FF0000000000001), "1.#QNAN"},
        FormatCase{from_bits(0xFFF0000000000001), "-1.#QNAN"},
        FormatCase{from_bits(0xFFF4000000000000), "-1.#QNAN"},
        FormatCase{from_bits(0x7FFFFFFFFFFFFFFF), "1.#QNAN"},
        // Layout boundaries: the longest texts, both forms.
        FormatCase{-1.2345678901234e-100, "-1.234567890123e-100"},
        FormatCase{-0.00012345678901234, "-0.0001234567890123"}, FormatCase{1e100, "1e+100"},
        FormatCase{1.5e-300, "1.5e-300"}, FormatCase{0x1p-1022, "2.225073858507e-308"}));

// Exact digits of the 18th and 14th places decide, each rounding half up.
struct RoundCase {
  const char* name;
  ExactDigits exact;
  RoundedDigits rounded;
};

class RoundTwice : public testing::TestWithParam<RoundCase> {};

TEST_P(RoundTwice, RoundsHalfUpOnTheNextDigitAlone) {
  const RoundedDigits r = round_twice(GetParam().exact);
  EXPECT_EQ(r.digits, GetParam().rounded.digits);
  EXPECT_EQ(r.exponent, GetParam().rounded.exponent);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, RoundTwice,
    testing::Values(RoundCase{"NoRounding", {123456789012300000, 3}, {1234567890123, 3}},
                    RoundCase{"TieAt18thRoundsUp", {123456789012349995, 0}, {1234567890124, 0}},
                    RoundCase{"BelowTieAt18thStays", {123456789012349994, 0}, {1234567890123, 0}},
                    RoundCase{"TieAt14thRoundsUp", {123456789012350000, 0}, {1234567890124, 0}},
                    RoundCase{"BelowTieAt14thStays", {123456789012349900, 0}, {1234567890123, 0}},
                    // The 15th to 17th digits are not looked at once the 17 are fixed.
                    RoundCase{"OnlyThe14thDecides", {123456789012349999, 0}, {1234567890124, 0}},
                    RoundCase{"Single14thDigitFour", {123456789012349499, 0}, {1234567890123, 0}},
                    RoundCase{"CarryThroughNines", {123456789012999999, -7}, {1234567890130, -7}},
                    RoundCase{"CarryOutAt17", {999999999999999995, 5}, {1000000000000, 6}},
                    RoundCase{"CarryOutAt13", {999999999999950000, 0}, {1000000000000, 1}},
                    RoundCase{"NoCarryJustBelow", {999999999999949994, 0}, {9999999999999, 0}},
                    // The first rounding makes the tie that the second one rounds up.
                    RoundCase{"DoubleRoundingCarries", {999999999999949999, 0}, {1000000000000, 1}},
                    RoundCase{"The487Case", {487076326608149999, 2}, {4870763266082, 2}}),
    [](const testing::TestParamInfo<RoundCase>& param_info) {
      return std::string(param_info.param.name);
    });

TEST(ExactDigits, TruncatesTheExactExpansion) {
  // 0.1 = 0.1000000000000000055511151231257827...
  EXPECT_EQ(exact_digits(0.1).digits, 100000000000000005u);
  EXPECT_EQ(exact_digits(0.1).exponent, -1);
  // 487.07632660815 = 487.0763266081499978099600...
  EXPECT_EQ(exact_digits(from_bits(0x407e7138a23fdd1a)).digits, 487076326608149997u);
  EXPECT_EQ(exact_digits(from_bits(0x407e7138a23fdd1a)).exponent, 2);
  // Exact decimals need the exact power of ten (no digit may be lost below).
  EXPECT_EQ(exact_digits(1.0).digits, 100000000000000000u);
  EXPECT_EQ(exact_digits(1e22).digits, 100000000000000000u);
  EXPECT_EQ(exact_digits(1e22).exponent, 22);
  EXPECT_EQ(exact_digits(1e23).digits,
            99999999999999991u * 10 + 6);  // 1e23 = 99999999999999991611392
  EXPECT_EQ(exact_digits(1e23).exponent, 22);
  // Multiples of big powers of ten: the product is an integer, the table's
  // power of five is not exact.
  EXPECT_EQ(exact_digits(0x1p100).digits,
            126765060022822940u);  // 2^100 = 1267650600228229401496703205376
  // The extremes: the largest double and the smallest subnormal.
  EXPECT_EQ(exact_digits(from_bits(0x7FEFFFFFFFFFFFFF)).digits, 179769313486231570u);
  EXPECT_EQ(exact_digits(from_bits(0x7FEFFFFFFFFFFFFF)).exponent, 308);
  EXPECT_EQ(exact_digits(from_bits(1)).digits, 494065645841246544u);
  EXPECT_EQ(exact_digits(from_bits(1)).exponent, -324);
}

TEST(LayoutDigits, ChoosesTheFormByTheExponent) {
  struct Case {
    bool negative;
    RoundedDigits r;
    const char* text;
  };
  const Case cases[] = {{false, {2285714285714, 1}, "22.85714285714"},
                        {true, {1000000000000, -5}, "-1e-005"},
                        {false, {1000000000000, -4}, "0.0001"},
                        {false, {1234567890123, 12}, "1234567890123"},
                        {false, {1000000000000, 13}, "1e+013"},
                        {false, {1200000000000, 0}, "1.2"},
                        {true, {9999999999999, -5}, "-9.999999999999e-005"},
                        {false, {1000000000000, 308}, "1e+308"},
                        {false, {4940656458412, -324}, "4.940656458412e-324"},
                        {false, {1500000000000, 12}, "1500000000000"},
                        {false, {1234567890123, -1}, "0.1234567890123"}};
  for (const Case& c : cases) {
    char out[kMaxNumberTextLength];
    const std::size_t n = layout_digits(c.negative, c.r, out);
    EXPECT_EQ(std::string(out, n), c.text);
  }
}

TEST(NumberToTextContract, HeaderExamplesHold) {
  EXPECT_EQ(number_to_text(22.857142857142858), "22.85714285714");
  EXPECT_EQ(number_to_text(0.00001), "1e-005");
  EXPECT_EQ(number_to_text(99999999999999.0), "1e+014");
  EXPECT_EQ(number_to_text(487.07632660815), "487.0763266082");
  EXPECT_EQ(number_to_text(-0.0), "0");
  EXPECT_EQ(number_to_text(0x1p-1074), "4.940656458412e-324");
  EXPECT_EQ(number_to_text(-kInf), "-1.#INF");
  EXPECT_EQ(number_to_text(from_bits(0xFFF8000000000000)), "-1.#IND");
  const ExactDigits e = exact_digits(0.1);
  EXPECT_EQ(e.digits, 100000000000000005u);
  EXPECT_EQ(e.exponent, -1);
  const RoundedDigits a = round_twice({999999999999950000, 0});
  EXPECT_EQ(a.digits, 1000000000000u);
  EXPECT_EQ(a.exponent, 1);
  const RoundedDigits b = round_twice({487076326608149999, 2});
  EXPECT_EQ(b.digits, 4870763266082u);
  EXPECT_EQ(b.exponent, 2);
  char out[kMaxNumberTextLength];
  EXPECT_EQ(std::string(out, layout_digits(false, {2285714285714, 1}, out)), "22.85714285714");
  EXPECT_EQ(std::string(out, layout_digits(true, {1000000000000, -5}, out)), "-1e-005");
}

}  // namespace
}  // namespace halverne
