#include "calc/text_to_number.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <string>

#include "calc/full_width.h"

namespace halverne {
namespace {

std::uint64_t bits_of(double x) { return std::bit_cast<std::uint64_t>(x); }
double from_bits(std::uint64_t b) { return std::bit_cast<double>(b); }
constexpr double kInf = std::numeric_limits<double>::infinity();

struct ParseCase {
  std::string text;
  double value;
  std::size_t end;  // where the scan stops
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << testing::PrintToString(c.text); }

class TextToNumberTable : public testing::TestWithParam<ParseCase> {};

// Value and sign by bits (so -0 and +0 differ), and where the number ends.
TEST_P(TextToNumberTable, ReadsTheLongestNumberPrefix) {
  const ParseCase& c = GetParam();
  EXPECT_EQ(bits_of(text_to_number(c.text)), bits_of(c.value)) << text_to_number(c.text);
  EXPECT_EQ(scan_number(c.text).end, c.end);
}

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, TextToNumberTable,
    testing::Values(
        ParseCase{"70", 70, 2}, ParseCase{"1.75", 1.75, 4}, ParseCase{"  1.75", 1.75, 6},
        ParseCase{"\t\n1.5", 1.5, 5}, ParseCase{"\v\f\r 2", 2, 5}, ParseCase{"+1.75", 1.75, 5},
        ParseCase{"-1.75", -1.75, 5}, ParseCase{".5", 0.5, 2}, ParseCase{"5.", 5, 2},
        ParseCase{"0012.50", 12.5, 7}, ParseCase{"1.75m", 1.75, 4}, ParseCase{"1,75", 1, 1},
        ParseCase{"1 000", 1, 1}, ParseCase{"1.2.3", 1.2, 3}, ParseCase{"1e2", 100, 3},
        ParseCase{"1E+2", 100, 4}, ParseCase{"1d2", 100, 3}, ParseCase{"1D-2", 0.01, 4},
        ParseCase{"1e", 1, 1}, ParseCase{"1e+", 1, 1}, ParseCase{"1e-x", 1, 1},
        ParseCase{"1.e5", 1e5, 4}, ParseCase{".5e1", 5, 4}, ParseCase{"e5", 0, 0},
        ParseCase{"", 0, 0}, ParseCase{"abc", 0, 0}, ParseCase{"-", 0, 0}, ParseCase{".", 0, 0},
        ParseCase{"-.", 0, 0}, ParseCase{"-.e5", 0, 0}, ParseCase{"+-1", 0, 0},
        ParseCase{"0x1A", 0, 1}, ParseCase{"-0", -0.0, 2}, ParseCase{"-0.000e999", -0.0, 10},
        ParseCase{"0e-99999", 0, 8}, ParseCase{"1e0x", 1, 3},
        // Full-width forms count like their ordinary ones, by byte offsets.
        ParseCase{"\xA3\xB1\xA3\xAE\xA3\xB7\xA3\xB5", 1.75, 8},
        ParseCase{"\xA1\xA1"
                  "1.75",
                  1.75, 6},
        ParseCase{"\xA3\xAD\xA3\xB1", -1, 4},
        ParseCase{"1\xA3\xE4\xA3\xAB\xA3\xB2", 100, 7},  // 1ｄ＋２
        ParseCase{"\xC6\xDF\xCA\xAE", 0, 0},             // 七十
        ParseCase{"1\xA3", 1, 1},                        // a lone lead byte ends the text
        ParseCase{"1\xA3\xAE", 1, 3},                    // 1．
        ParseCase{std::string("1\0"
                              "5",
                              3),
                  1, 1},
        ParseCase{"1e400", kInf, 5}, ParseCase{"-1e400", -kInf, 6}, ParseCase{"1e-400", 0, 6},
        ParseCase{"-1e-400", -0.0, 7}, ParseCase{"1e-310", from_bits(0x12688b70e62b), 6}));

TEST(TextToNumberContract, HeaderExamplesHold) {
  EXPECT_EQ(text_to_number("70"), 70.0);
  EXPECT_EQ(text_to_number("  1.75m"), 1.75);
  EXPECT_EQ(text_to_number("1,75"), 1.0);
  EXPECT_EQ(text_to_number("1d2"), 100.0);
  EXPECT_EQ(text_to_number("1e+"), 1.0);
  EXPECT_EQ(bits_of(text_to_number("0x1A")), bits_of(0.0));
  EXPECT_EQ(bits_of(text_to_number("abc")), bits_of(0.0));
  EXPECT_EQ(bits_of(text_to_number("-0")), bits_of(-0.0));
  EXPECT_EQ(text_to_number("\xA3\xAD\xA3\xB1"), -1.0);
  EXPECT_EQ(text_to_number("1e400"), kInf);
  EXPECT_EQ(text_to_number("2.4703282292062328e-324"), 0x0.0000000000001p-1022);
  EXPECT_EQ(bits_of(text_to_number(static_cast<const char*>(nullptr))), bits_of(0.0));

  const ScannedNumber a = scan_number("  -12.5e3x");
  EXPECT_TRUE(a.has_digits);
  EXPECT_TRUE(a.negative);
  EXPECT_EQ(a.significand, 125u);
  EXPECT_EQ(a.exponent, 2);
  EXPECT_FALSE(a.truncated);
  EXPECT_EQ(a.mantissa_begin, 3u);
  EXPECT_EQ(a.mantissa_end, 7u);
  EXPECT_EQ(a.end, 9u);
  const ScannedNumber b = scan_number("1e+");
  EXPECT_EQ(b.significand, 1u);
  EXPECT_EQ(b.exponent, 0);
  EXPECT_EQ(b.end, 1u);
  const ScannedNumber c = scan_number("-.");
  EXPECT_FALSE(c.has_digits);
  EXPECT_EQ(c.end, 0u);
}

TEST(ScanNumber, KeepsNineteenSignificantDigitsAndCountsTheRest) {
  // Leading zeros are not significant but move the exponent.
  const ScannedNumber a = scan_number("000.00012345");
  EXPECT_EQ(a.significand, 12345u);
  EXPECT_EQ(a.exponent, -8);
  // Twenty-two digits: three dropped, the last non-zero, so truncated.
  const ScannedNumber b = scan_number("1234567890123456789012");
  EXPECT_EQ(b.significand, 1234567890123456789u);
  EXPECT_EQ(b.exponent, 3);
  EXPECT_TRUE(b.truncated);
  // Dropped digits that are all zero leave the value exact.
  const ScannedNumber c = scan_number("12345678901234567890.000e-5");
  EXPECT_EQ(c.significand, 1234567890123456789u);
  EXPECT_EQ(c.exponent, 1 - 5);
  EXPECT_FALSE(c.truncated);
}

// Halfway cases need every digit: the same 19 leading digits round
// differently depending on a digit far behind them.
TEST(TextToNumberRounding, TiesGoToEvenAndAnyLaterDigitBreaksThem) {
  // 2^53 + 1 lies halfway between 2^53 and 2^53 + 2: ties to even go down.
  EXPECT_EQ(text_to_number("9007199254740993"), 0x1p53);
  EXPECT_EQ(text_to_number("9007199254740993.000000000000000000000000000000000000000000001"),
            0x1p53 + 2);
  std::string long_tie = "9007199254740993." + std::string(100'000, '0');
  EXPECT_EQ(text_to_number(long_tie), 0x1p53);
  EXPECT_EQ(text_to_number(long_tie + "1"), 0x1p53 + 2);
  // 2^53 + 3 lies halfway between 2^53 + 2 and 2^53 + 4: ties to even go up.
  EXPECT_EQ(text_to_number("9007199254740995"), 0x1p53 + 4);
  // Halfway between 1 and the next double, 1 + 2^-53, written out exactly.
  EXPECT_EQ(text_to_number("1.00000000000000011102230246251565404236316680908203125"), 1.0);
  EXPECT_EQ(text_to_number("1.00000000000000011102230246251565404236316680908203126"),
            1.0 + 0x1p-52);
  EXPECT_EQ(text_to_number("1.00000000000000011102230246251565404236316680908203124"), 1.0);
  // Half of the smallest subnormal (2^-1075) rounds to even, zero; a hair more
  // gives the smallest subnormal.
  const std::string half_min =
      "2."
      "47032822920623272088284396434110686182529901307162382212792841250337753635104375932649918180"
      "8179961898982823"
      "47722858865463328355177969898199387398005390939063150356595155702263922908583924491051844359"
      "318028499365361525"
      "00319370457678249219365623669863658480757001585769269903706311928279558551332927834338409351"
      "978015531246597263"
      "57957462276646527282722005637400648549997709659947045402082816622623785739345073633900796776"
      "193057750674017632"
      "46736009689513405355374585166611342237666786041621596804619144672918403005300575308490487653"
      "917113865916462395"
      "24912623653881879636239373280423891018672348497668235089863388587925628302755995657524455507"
      "255189313690836254"
      "77918694866799496832404970582102851318545139621383772282614543769341253209859132766723632812"
      "5e-324";
  EXPECT_EQ(bits_of(text_to_number(half_min)), 0u);
  EXPECT_EQ(bits_of(text_to_number(half_min.substr(0, half_min.size() - 5) + "1e-324")), 1u);
  // The largest double and the point halfway to 2^1024, which rounds to even:
  // up, to infinity.
  EXPECT_EQ(text_to_number("1.7976931348623157e308"), std::numeric_limits<double>::max());
  EXPECT_EQ(text_to_number("1.7976931348623158079e308"), std::numeric_limits<double>::max());
  EXPECT_EQ(text_to_number(
                "1797693134862315807937289714053034150799341327100378269361737789804449682927647509"
                "4664901797758720709633028641669288791094655554785194040263065748867150582068190890"
                "2000708383676273854845817711531764475730270069855571366959622842914819860834936475"
                "292719074168444365510704342711559699508093042880177904174497792"),
            kInf);
  EXPECT_EQ(text_to_number(
                "1797693134862315807937289714053034150799341327100378269361737789804449682927647509"
                "4664901797758720709633028641669288791094655554785194040263065748867150582068190890"
                "2000708383676273854845817711531764475730270069855571366959622842914819860834936475"
                "292719074168444365510704342711559699508093042880177904174497791"),
            std::numeric_limits<double>::max());
  // The smallest normal double and its neighbour below.
  EXPECT_EQ(text_to_number("2.2250738585072014e-308"), 0x1p-1022);
  EXPECT_EQ(text_to_number("2.2250738585072009e-308"), from_bits(0x000FFFFFFFFFFFFF));
}

TEST(TextToNumberTotal, HugeExponentsAndMantissas) {
  EXPECT_EQ(text_to_number("1e999999999999"), kInf);
  EXPECT_EQ(text_to_number("-1e99999999999999999999999999999999"), -kInf);
  EXPECT_EQ(bits_of(text_to_number("1e-999999999999")), 0u);
  EXPECT_EQ(bits_of(text_to_number("-1e-99999999999999999999999999999999")), bits_of(-0.0));
  // A 100,000-digit mantissa balanced by its exponent.
  const std::string digits = "1" + std::string(99'999, '0');
  EXPECT_EQ(text_to_number(digits + "e-99999"), 1.0);
  EXPECT_EQ(text_to_number("0." + std::string(99'999, '0') + "15e100000"), 1.5);
  EXPECT_EQ(text_to_number(digits), kInf);
  EXPECT_EQ(text_to_number("0." + digits), 0.1);
  // A megabyte of digits with the exponent at the end.
  const std::string mega(1 << 20, '7');
  const ScannedNumber s = scan_number(mega + "e-1048570");
  EXPECT_EQ(s.end, mega.size() + 9);
  EXPECT_EQ(text_to_number(mega + "e-1048570"), from_bits(0x4127bc638e38e38e));
}

TEST(TextToNumberTotal, FoldedAndUnfoldedTextsReadAlike) {
  const char* texts[] = {"\xA3\xB7\xA3\xB0\xA3\xAE\xA3\xB5\xA3\xE5\xA3\xAD\xA3\xB3kg",
                         "\xA1\xA1\xA1\xA1 \xA3\xAB\xA3\xAE\xA3\xB5", "1\xA3\xC4", "\xB0\xA3\xB1",
                         "\xA3\xB1\xB0"};
  for (const char* t : texts) {
    EXPECT_EQ(bits_of(text_to_number(t)), bits_of(text_to_number(fold_full_width(t)))) << t;
  }
}

}  // namespace
}  // namespace halverne
