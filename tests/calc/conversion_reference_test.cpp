// Differential tests of both conversions against independent references:
// number-to-text against the full decimal expansion of each double, computed
// here with a plain base-10^9 big integer and rounded twice on the digit
// string; text-to-number against std::from_chars (correctly rounding, no
// locale) on random well-formed texts.
//
// HALVERNE_SWEEP_SAMPLES, set per build in CMakeLists.txt, is the number of
// random bit patterns: 1,000,000 natively, fewer where every operation is
// checked (sanitizers). The other counts follow it.

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdlib>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "calc/number_to_text.h"
#include "calc/text_to_number.h"

#ifndef HALVERNE_SWEEP_SAMPLES
#define HALVERNE_SWEEP_SAMPLES 1000000
#endif

namespace halverne {
namespace {

constexpr long kSweepSamples = HALVERNE_SWEEP_SAMPLES;

// ---- The reference for number-to-text --------------------------------------

// The exact decimal expansion of a finite positive double: all its digits
// (no leading zeros) and the power of ten of the first one.
struct Expansion {
  std::string digits;
  int exponent;
};

// Little-endian base-10^9 limbs.
void multiply(std::vector<std::uint32_t>& n, std::uint32_t m) {
  std::uint64_t carry = 0;
  for (auto& limb : n) {
    const std::uint64_t v = std::uint64_t{limb} * m + carry;
    limb = static_cast<std::uint32_t>(v % 1'000'000'000);
    carry = v / 1'000'000'000;
  }
  while (carry != 0) {
    n.push_back(static_cast<std::uint32_t>(carry % 1'000'000'000));
    carry /= 1'000'000'000;
  }
}

void append_9_digits(std::string& s, std::uint32_t v) {
  char buf[9];
  for (int i = 8; i >= 0; --i) {
    buf[i] = static_cast<char>('0' + v % 10);
    v /= 10;
  }
  s.append(buf, 9);
}

// The expansion of f * 2^e, f > 0, up to `max_digits` significant digits
// (all of them when the expansion is shorter). Integers are built in base
// 10^9 by doubling; fractions give their digits nine at a time, multiplying
// the binary fraction by 10^9 and taking what passes the binary point.
Expansion expand(std::uint64_t f, int e, std::size_t max_digits = 100000) {
  std::string s;
  int exponent = 0;
  if (e >= 0) {
    std::vector<std::uint32_t> n{static_cast<std::uint32_t>(f % 1'000'000'000),
                                 static_cast<std::uint32_t>(f / 1'000'000'000 % 1'000'000'000),
                                 static_cast<std::uint32_t>(f / 1'000'000'000'000'000'000)};
    int twos = e;
    for (; twos >= 29; twos -= 29) multiply(n, 1u << 29);
    multiply(n, 1u << twos);
    while (n.size() > 1 && n.back() == 0) n.pop_back();
    s = std::to_string(n.back());
    for (std::size_t i = n.size() - 1; i-- > 0;) append_9_digits(s, n[i]);
    exponent = static_cast<int>(s.size()) - 1;
    while (s.back() == '0') s.pop_back();
    return {s, exponent};
  }
  const int bits = -e;  // binary digits after the point
  const std::uint64_t whole = bits < 64 ? f >> bits : 0;
  std::vector<std::uint32_t> frac(static_cast<std::size_t>((bits + 31) / 32), 0);
  for (int i = 0; i < 64 && i < bits; ++i) {
    if ((f >> i) & 1u) frac[static_cast<std::size_t>(i / 32)] |= 1u << (i % 32);
  }
  const int top_bits =
      bits - 32 * (static_cast<int>(frac.size()) - 1);  // 1..32 bits in the top limb
  int leading_zeros = 0;  // zero digits after the point before the first significant one
  if (whole != 0) {
    s = std::to_string(whole);
    exponent = static_cast<int>(s.size()) - 1;
  }
  auto is_zero = [&] {
    return std::all_of(frac.begin(), frac.end(), [](std::uint32_t v) { return v == 0; });
  };
  while (!is_zero() && s.size() < max_digits) {
    std::uint64_t carry = 0;
    for (auto& limb : frac) {
      const std::uint64_t v = std::uint64_t{limb} * 1'000'000'000 + carry;
      limb = static_cast<std::uint32_t>(v);
      carry = v >> 32;
    }
    const std::uint64_t top = carry;
    const std::uint64_t top_limb = frac.back();
    const auto chunk =
        static_cast<std::uint32_t>((top << (32 - top_bits)) | (top_limb >> top_bits));
    frac.back() = static_cast<std::uint32_t>(top_limb & ((std::uint64_t{1} << top_bits) - 1));
    if (s.empty()) {
      if (chunk == 0) {
        leading_zeros += 9;
        continue;
      }
      std::string part = std::to_string(chunk);
      leading_zeros += 9 - static_cast<int>(part.size());
      s = part;
      exponent = -leading_zeros - 1;
    } else {
      append_9_digits(s, chunk);
    }
  }
  if (s.size() > max_digits) s.resize(max_digits);
  while (s.back() == '0') s.pop_back();
  return {s, exponent};
}

Expansion expand_bits(std::uint64_t bits, std::size_t max_digits = 100000) {
  const int biased = static_cast<int>((bits >> 52) & 0x7FF);
  std::uint64_t f = bits & ((std::uint64_t{1} << 52) - 1);
  int e = -1074;
  if (biased != 0) {
    f |= std::uint64_t{1} << 52;
    e = biased - 1075;
  }
  return expand(f, e, max_digits);
}

// Rounds a digit string to `keep` digits, half up on the next digit alone,
// carrying into a new first digit (then the exponent grows).
void round_half_up(std::string& digits, int& exponent, std::size_t keep) {
  if (digits.size() < keep + 1) digits.resize(keep + 1, '0');
  const bool up = digits[keep] >= '5';
  digits.resize(keep);
  if (!up) return;
  std::size_t i = keep;
  while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
  if (i == 0) {
    digits.insert(digits.begin(), '1');
    digits.resize(keep);
    ++exponent;
  } else {
    ++digits[i - 1];
  }
}

std::string reference_text(double x) {
  const auto bits = std::bit_cast<std::uint64_t>(x);
  const bool negative = (bits >> 63) != 0;
  // The digits after the 18th are never looked at.
  Expansion ex = expand_bits(bits & ~(std::uint64_t{1} << 63), 18);
  std::string d = ex.digits;
  int exponent = ex.exponent;
  if (d.size() > 18) d.resize(18);  // the exact 18th digit, nothing after it
  round_half_up(d, exponent, 17);
  round_half_up(d, exponent, 13);
  std::string text = negative ? "-" : "";
  std::string tail = d.substr(1);
  while (!tail.empty() && tail.back() == '0') tail.pop_back();
  if (exponent < -4 || exponent >= 13) {
    text += d[0];
    if (!tail.empty()) text += "." + tail;
    std::string e = std::to_string(exponent < 0 ? -exponent : exponent);
    text += std::string(exponent < 0 ? "e-" : "e+") +
            std::string(e.size() < 3 ? 3 - e.size() : 0, '0') + e;
  } else if (exponent >= 0) {
    std::string whole = d.substr(0, static_cast<std::size_t>(exponent) + 1);
    std::string frac = d.substr(static_cast<std::size_t>(exponent) + 1);
    while (!frac.empty() && frac.back() == '0') frac.pop_back();
    text += whole + (frac.empty() ? "" : "." + frac);
  } else {
    std::string all = std::string(static_cast<std::size_t>(-exponent - 1), '0') + d;
    while (all.back() == '0') all.pop_back();
    text += "0." + all;
  }
  return text;
}

// The reference itself, on values whose expansions are known.
TEST(ConversionReference, ExpandsAndRoundsExactly) {
  EXPECT_EQ(expand_bits(std::bit_cast<std::uint64_t>(0.1)).digits,
            "1000000000000000055511151231257827021181583404541015625");
  EXPECT_EQ(expand_bits(std::bit_cast<std::uint64_t>(1e23)).digits, "99999999999999991611392");
  EXPECT_EQ(expand_bits(std::bit_cast<std::uint64_t>(0.75)).digits, "75");
  EXPECT_EQ(expand_bits(std::bit_cast<std::uint64_t>(0.001)).exponent, -3);
  EXPECT_EQ(expand_bits(std::bit_cast<std::uint64_t>(0.1)).exponent, -1);
  EXPECT_EQ(expand_bits(std::bit_cast<std::uint64_t>(0x1p60)).digits, "1152921504606846976");
  EXPECT_EQ(expand_bits(1).digits.size(), 751u);  // 2^-1074 has 751 significant digits
  EXPECT_EQ(reference_text(487.07632660815), "487.0763266082");
  EXPECT_EQ(reference_text(99999999999999.0), "1e+014");
  EXPECT_EQ(reference_text(-0.00001), "-1e-005");
}

double random_bits_double(std::mt19937_64& rng) {
  for (;;) {
    const double x = std::bit_cast<double>(rng());
    if (x == x && x - x == 0 && x != 0) return x;  // finite, non-zero
  }
}

void expect_matches_reference(double x, long& mismatches) {
  char out[kMaxNumberTextLength];
  const std::size_t n = number_to_chars(x, out);
  const std::string ref = reference_text(x);
  if (std::string(out, n) != ref) {
    if (++mismatches <= 10) {
      ADD_FAILURE() << std::hex << std::bit_cast<std::uint64_t>(x) << ": " << std::string(out, n)
                    << " vs " << ref;
    }
  }
}

TEST(NumberToTextDifferential, RandomBitPatternsAcrossAllExponents) {
  std::mt19937_64 rng(20261211);
  long mismatches = 0;
  for (long i = 0; i < kSweepSamples; ++i)
    expect_matches_reference(random_bits_double(rng), mismatches);
  EXPECT_EQ(mismatches, 0);
}

// Quotients of the sizes heights and weights give, and their neighbours.
TEST(NumberToTextDifferential, ValuesOfTheSizeOfBmis) {
  std::mt19937_64 rng(175);
  std::uniform_real_distribution<double> bmi(5.0, 80.0);
  std::uniform_int_distribution<int> height_cm(50, 250), weight_dg(10, 3000);
  long mismatches = 0;
  for (long i = 0; i < kSweepSamples / 10; ++i) {
    const double h = height_cm(rng) / 100.0;
    const double quotient = (weight_dg(rng) / 10.0) / (h * h);
    expect_matches_reference(quotient, mismatches);
    expect_matches_reference(bmi(rng), mismatches);
  }
  EXPECT_EQ(mismatches, 0);
}

// Doubles next to the places where the roundings change: near ties at the
// 18th and the 14th digit, at carries, and around every power of ten.
TEST(NumberToTextDifferential, NeighboursOfTiesAndPowersOfTen) {
  long mismatches = 0;
  for (int p = -323; p <= 308; ++p) {
    const std::string base = "1e" + std::to_string(p);
    for (const char* mantissa :
         {"1", "9.9999999999995", "9.99999999999995", "1.00000000000005", "1.0000000000000499999",
          "4.5", "2.2857142857142855", "9.999999999999999"}) {
      const double v = text_to_number(std::string(mantissa) + "e" + std::to_string(p));
      if (!(v > 0) || v - v != 0) continue;
      const auto b = std::bit_cast<std::uint64_t>(v);
      for (std::uint64_t d = b - 2; d <= b + 2; ++d) {
        const double x = std::bit_cast<double>(d);
        if (x > 0 && x - x == 0) expect_matches_reference(x, mismatches);
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

// ---- Text-to-number against std::from_chars --------------------------------

struct RandomText {
  std::string plain;      // what from_chars reads: [-]digits[.digits][e[-]digits]
  std::string decorated;  // the same number as a user might type it, then junk
  std::size_t end;        // where the number ends in `decorated`
};

std::string full_width(const std::string& s) {
  std::string out;
  for (char c : s) {
    out += '\xA3';
    out += static_cast<char>(static_cast<unsigned char>(c) + 0x80);
  }
  return out;
}

RandomText make_text(std::mt19937_64& rng, int max_digits) {
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const int digits = pick(1, max_digits);
  std::string mantissa;
  for (int i = 0; i < digits; ++i) mantissa += static_cast<char>('0' + pick(0, 9));
  if (pick(0, 3) != 0) mantissa.insert(static_cast<std::size_t>(pick(0, digits)), ".");
  std::string exponent_digits;
  bool negative_exponent = false;
  if (pick(0, 4) != 0) {
    // Mostly within range, covering subnormals and overflow.
    int e = pick(-360 - digits, 330);
    negative_exponent = e < 0;
    exponent_digits = std::to_string(e < 0 ? -e : e);
    if (pick(0, 5) == 0) exponent_digits.insert(0, "00");
  }
  const bool negative = pick(0, 1) == 1;

  RandomText t;
  t.plain = (negative ? "-" : "") + mantissa;
  std::string body = mantissa;
  if (!exponent_digits.empty()) {
    t.plain += (negative_exponent ? "e-" : "e") + exponent_digits;
    const char letters[] = {'e', 'E', 'd', 'D'};
    const int sign_form = pick(0, 1);
    body += letters[pick(0, 3)];
    body += negative_exponent ? "-" : (sign_form != 0 ? "+" : "");
    body += exponent_digits;
  }
  std::string sign = negative ? "-" : (pick(0, 2) == 0 ? "+" : "");
  if (pick(0, 4) == 0) {
    body = full_width(body);
    sign = full_width(sign);
  }
  const char* spaces[] = {"", " ", "\t", "\n\v\f\r ", "\xA1\xA1", "  "};
  const char* junk[] = {"",         "kg",       "e",  "E+", "d-x", ".5",
                        "\xA3\xAE", "\xC6\xDF", " 1", ",5", "\xA3"};
  t.decorated = std::string(spaces[pick(0, 5)]) + sign + body;
  t.end = t.decorated.size();
  const std::string tail = junk[pick(0, 10)];
  // A second point after a mantissa that has none would extend the number.
  if (!((tail == ".5" || tail == "\xA3\xAE") && mantissa.find('.') == std::string::npos &&
        exponent_digits.empty())) {
    t.decorated += tail;
  }
  return t;
}

void expect_matches_from_chars(const RandomText& t, long& mismatches) {
  double want = 0;
  const auto r = std::from_chars(t.plain.data(), t.plain.data() + t.plain.size(), want);
  ASSERT_TRUE(r.ec == std::errc() || r.ec == std::errc::result_out_of_range) << t.plain;
  ASSERT_EQ(r.ptr, t.plain.data() + t.plain.size()) << t.plain;
  if (r.ec == std::errc::result_out_of_range) {
    // from_chars leaves the value alone when it over- or underflows: take
    // strtod's infinity or zero then (the program never sets a locale).
    want = std::strtod(t.plain.c_str(), nullptr);
  }
  // Both ways in: the two stages, and the one call (which takes shortcuts).
  const ScannedNumber s = scan_number(t.decorated);
  const double got = convert_scanned(s, t.decorated);
  const double direct = text_to_number(t.decorated);
  if (std::bit_cast<std::uint64_t>(got) != std::bit_cast<std::uint64_t>(want) ||
      std::bit_cast<std::uint64_t>(direct) != std::bit_cast<std::uint64_t>(want) ||
      s.end != t.end) {
    if (++mismatches <= 10) {
      ADD_FAILURE() << testing::PrintToString(t.decorated) << " end " << s.end << " (want " << t.end
                    << ") " << std::hexfloat << got << " vs " << want << " from " << t.plain;
    }
  }
}

TEST(TextToNumberDifferential, RandomTextsAgainstFromChars) {
  std::mt19937_64 rng(70175);
  long mismatches = 0;
  for (long i = 0; i < kSweepSamples / 5; ++i)
    expect_matches_from_chars(make_text(rng, i % 4 == 0 ? 40 : 17), mismatches);
  EXPECT_EQ(mismatches, 0);
}

// Texts at, just below and just above the exact halfway point between a
// random double and the next one up: ties go to even, and one more digit
// anywhere decides.
TEST(TextToNumberDifferential, TextsAtHalfwayPoints) {
  std::mt19937_64 rng(42);
  long mismatches = 0;
  for (long i = 0; i < kSweepSamples / 50; ++i) {
    const auto bits =
        std::bit_cast<std::uint64_t>(random_bits_double(rng)) & ~(std::uint64_t{1} << 63);
    const int biased = static_cast<int>(bits >> 52);
    std::uint64_t f = bits & ((std::uint64_t{1} << 52) - 1);
    int e = -1074;
    if (biased != 0) {
      f |= std::uint64_t{1} << 52;
      e = biased - 1075;
    }
    const Expansion half = expand(2 * f + 1, e - 1);
    std::string exponent = "e";
    exponent += std::to_string(half.exponent);
    const std::string at = half.digits.substr(0, 1) + "." + half.digits.substr(1);
    const std::size_t cut =
        2 + static_cast<std::size_t>(rng() % (half.digits.size() > 1 ? half.digits.size() - 1 : 1));
    for (const std::string& text :
         {at + exponent, at + "0000000000001" + exponent, at.substr(0, cut) + exponent}) {
      expect_matches_from_chars({text, text, text.size()}, mismatches);
    }
  }
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace halverne
