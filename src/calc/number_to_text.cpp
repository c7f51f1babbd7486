#include "calc/number_to_text.h"

#include <bit>
#include <cstring>

#include "calc/wide_math.h"

namespace halverne {

namespace {

constexpr std::uint64_t kTen17 = 100'000'000'000'000'000;
constexpr std::uint64_t kTen18 = 1'000'000'000'000'000'000;
constexpr std::uint64_t kTen13 = 10'000'000'000'000;

// floor(m * 10^k) exactly, by big integers, given an estimate that is the
// answer or one below it: m = f * 2^e.
std::uint64_t exact_floor(std::uint64_t f, int e, int k, std::uint64_t estimate) noexcept {
  // Is f * 2^e * 5^k * 2^k >= estimate + 1?
  conv::BigUnsigned lhs(f);
  conv::BigUnsigned rhs(estimate + 1);
  if (k >= 0) {
    lhs.multiply_power_of_five(k);
  } else {
    rhs.multiply_power_of_five(-k);
  }
  if (e + k >= 0) {
    lhs.shift_left(e + k);
  } else {
    rhs.shift_left(-(e + k));
  }
  return lhs.compare(rhs) >= 0 ? estimate + 1 : estimate;
}

// Works on the bits: on 32-bit x86 a double passed through the x87 stack
// could be altered (a signalling NaN, for one); integers are not.
ExactDigits exact_digits_of_bits(std::uint64_t bits) noexcept {
  const int biased = static_cast<int>((bits >> 52) & 0x7FF);
  std::uint64_t f = bits & ((std::uint64_t{1} << 52) - 1);
  int e = -1074;
  if (biased != 0) {
    f |= std::uint64_t{1} << 52;
    e = biased - 1075;
  }
  // m = fn * 2^en with the top bit of fn set: m in [2^top, 2^(top+1)).
  const int lz = std::countl_zero(f);
  const std::uint64_t fn = f << lz;
  const int en = e - lz;
  const int top = en + 63;
  // L = floor(top * log10(2)), so 10^L <= m < 2 * 10^(L+1); scaling by
  // 10^(17 - L) puts m in [10^17, 2 * 10^18).
  const int L = (top * 78913) >> 18;
  const int k = 17 - L;
  const conv::PowerOfFive& t = conv::power_of_five(k);
  const conv::U192 p = conv::multiply_64_128(fn, t.hi, t.lo);
  // m * 10^k = p * 2^-r (approximately, from below), 129 <= r <= 136.
  const int r = -(en + t.binary_exponent + k);
  std::uint64_t scaled = conv::bits_from(p, r);
  if (k < 0 || k > conv::kMaxExactPowerOfFive) {
    // The power of five is truncated: the true product is below p + fn, and
    // the integer part may be one more only if the fraction is that close
    // to the next integer.
    const int high_bits = r - 128;
    const std::uint64_t mask = (std::uint64_t{1} << high_bits) - 1;
    if ((p.w[2] & mask) == mask && p.w[1] == ~std::uint64_t{0} && p.w[0] + fn < p.w[0]) {
      scaled = exact_floor(fn, en, k, scaled);
    }
  }
  if (scaled >= kTen18) return {scaled / 10, L + 1};  // floor(floor(a) / 10) = floor(a / 10)
  return {scaled, L};
}

}  // namespace

ExactDigits exact_digits(double m) noexcept {
  return exact_digits_of_bits(std::bit_cast<std::uint64_t>(m));
}

RoundedDigits round_twice(ExactDigits exact) noexcept {
  int exponent = exact.exponent;
  std::uint64_t d17 = exact.digits / 10 + (exact.digits % 10 >= 5 ? 1 : 0);
  if (d17 == kTen17) {  // 99...9|5 carried out of the first digit
    d17 /= 10;
    ++exponent;
  }
  std::uint64_t d13 = d17 / 10'000 + ((d17 / 1'000) % 10 >= 5 ? 1 : 0);
  if (d13 == kTen13) {
    d13 /= 10;
    ++exponent;
  }
  return {d13, exponent};
}

namespace {

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes the 13 digits of 10^12 <= v < 10^13.
void write_13_digits(std::uint64_t v, char* out) noexcept {
  // 13 = 1 + 6 * 2; split into 32-bit halves first for cheap divisions.
  const auto high = static_cast<std::uint32_t>(v / 1'000'000);  // 7 digits
  auto low = static_cast<std::uint32_t>(v % 1'000'000);         // 6 digits
  for (int i = 4; i >= 0; i -= 2) {
    std::memcpy(out + 7 + i, kDigitPairs + 2 * (low % 100), 2);
    low /= 100;
  }
  std::uint32_t h = high;
  for (int i = 5; i >= 1; i -= 2) {
    std::memcpy(out + i, kDigitPairs + 2 * (h % 100), 2);
    h /= 100;
  }
  out[0] = static_cast<char>('0' + h);
}

}  // namespace

std::size_t layout_digits(bool negative, RoundedDigits rounded, char* out) noexcept {
  char digits[13];
  write_13_digits(rounded.digits, digits);
  int significant = 13;  // digits left once trailing zeros go
  while (significant > 1 && digits[significant - 1] == '0') --significant;

  char* o = out;
  if (negative) *o++ = '-';
  const int x = rounded.exponent;
  if (x < -4 || x >= 13) {
    *o++ = digits[0];
    if (significant > 1) {
      *o++ = '.';
      std::memcpy(o, digits + 1, static_cast<std::size_t>(significant - 1));
      o += significant - 1;
    }
    *o++ = 'e';
    *o++ = x < 0 ? '-' : '+';
    const int a = x < 0 ? -x : x;  // at most 324: always three digits
    *o++ = static_cast<char>('0' + a / 100);
    std::memcpy(o, kDigitPairs + 2 * (a % 100), 2);
    o += 2;
  } else if (x >= 0) {
    const int whole = x + 1;
    std::memcpy(o, digits, static_cast<std::size_t>(whole));
    o += whole;
    if (significant > whole) {
      *o++ = '.';
      std::memcpy(o, digits + whole, static_cast<std::size_t>(significant - whole));
      o += significant - whole;
    }
  } else {
    *o++ = '0';
    *o++ = '.';
    for (int i = 0; i < -x - 1; ++i) *o++ = '0';
    std::memcpy(o, digits, static_cast<std::size_t>(significant));
    o += significant;
  }
  return static_cast<std::size_t>(o - out);
}

std::size_t number_to_chars(double x, char* out) noexcept {
  const auto bits = std::bit_cast<std::uint64_t>(x);
  const bool negative = (bits >> 63) != 0;
  const std::uint64_t magnitude = bits & ~(std::uint64_t{1} << 63);
  constexpr std::uint64_t kInfinity = std::uint64_t{0x7FF} << 52;
  if (magnitude >= kInfinity) {
    const char* mantissa_text = "1.#INF";
    if (magnitude != kInfinity) {
      // A signalling NaN shows as made quiet; that never turns it into the
      // default NaN, whose fraction has nothing but the quiet bit.
      const std::uint64_t fraction =
          (magnitude & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 51);
      mantissa_text = negative && fraction == (std::uint64_t{1} << 51) ? "1.#IND" : "1.#QNAN";
    }
    char* o = out;
    if (negative) *o++ = '-';
    const std::size_t n = std::strlen(mantissa_text);
    std::memcpy(o, mantissa_text, n);
    return static_cast<std::size_t>(o - out) + n;
  }
  if (magnitude == 0) {
    out[0] = '0';
    return 1;
  }
  const RoundedDigits r = round_twice(exact_digits_of_bits(magnitude));
  return layout_digits(negative, r, out);
}

Text number_to_text(double x) {
  char buffer[kMaxNumberTextLength];
  return Text(buffer, number_to_chars(x, buffer));
}

}  // namespace halverne
