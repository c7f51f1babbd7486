#include "calc/text_to_number.h"

#include <bit>

#include "calc/full_width.h"
#include "calc/wide_math.h"

namespace halverne {

namespace {

// A character of the folded text: its byte, or kOther for a two-byte character
// that folding keeps (never part of a number), or kEnd.
constexpr int kEnd = -1;
constexpr int kOther = 0x100;

// Reads the folded text character by character without building it.
class FoldedReader {
 public:
  explicit FoldedReader(std::string_view text) noexcept
      : p_(reinterpret_cast<const unsigned char*>(text.data())), n_(text.size()) {}

  // The character at the current position and its length in bytes.
  int peek(std::size_t& length) const noexcept { return at(pos_, length); }
  int at(std::size_t pos, std::size_t& length) const noexcept {
    if (pos >= n_) return kEnd;
    const unsigned char b = p_[pos];
    if (b < 0x80) {
      length = 1;
      return b;
    }
    if (pos + 1 >= n_) return kEnd;  // a lone lead byte at the end is dropped
    length = 2;
    const int folded = fold_pair(b, p_[pos + 1]);
    return folded >= 0 ? folded : kOther;
  }
  std::size_t pos() const noexcept { return pos_; }
  void advance(std::size_t length) noexcept { pos_ += length; }

 private:
  const unsigned char* p_;
  std::size_t n_;
  std::size_t pos_ = 0;
};

constexpr bool is_space(int c) noexcept { return c == ' ' || (c >= 0x09 && c <= 0x0D); }
constexpr bool is_digit(int c) noexcept { return c >= '0' && c <= '9'; }

constexpr int kMaxSignificandDigits = 19;
// Exponents are read up to this size; anything larger already means infinity
// or zero for every mantissa a text can hold.
constexpr std::int64_t kExponentLimit = 1'000'000'000'000'000;

}  // namespace

ScannedNumber scan_number(std::string_view text) noexcept {
  ScannedNumber s;
  FoldedReader r(text);
  std::size_t len = 0;
  int c = r.peek(len);
  while (is_space(c)) {
    r.advance(len);
    c = r.peek(len);
  }
  if (c == '+' || c == '-') {
    s.negative = c == '-';
    r.advance(len);
    c = r.peek(len);
  }
  s.mantissa_begin = r.pos();

  int digits = 0;  // significant digits kept in the significand
  std::int64_t exponent = 0;
  bool seen_point = false;
  for (;; c = r.peek(len)) {
    if (is_digit(c)) {
      s.has_digits = true;
      const auto d = static_cast<unsigned>(c - '0');
      if (digits < kMaxSignificandDigits) {
        if (digits != 0 || d != 0) {
          s.significand = s.significand * 10 + d;
          ++digits;
        }
        if (seen_point) --exponent;
      } else {
        if (d != 0) s.truncated = true;
        if (!seen_point) ++exponent;
      }
    } else if (c == '.' && !seen_point) {
      seen_point = true;
    } else {
      break;
    }
    r.advance(len);
  }
  if (!s.has_digits) return ScannedNumber{};
  s.mantissa_end = r.pos();

  if (c == 'e' || c == 'E' || c == 'd' || c == 'D') {
    std::size_t pos = r.pos() + len;
    std::size_t l = 0;
    int x = r.at(pos, l);
    bool negative_exponent = false;
    if (x == '+' || x == '-') {
      negative_exponent = x == '-';
      pos += l;
      x = r.at(pos, l);
    }
    if (is_digit(x)) {
      std::int64_t value = 0;
      while (is_digit(x)) {
        if (value < kExponentLimit) value = value * 10 + (x - '0');
        pos += l;
        x = r.at(pos, l);
      }
      exponent += negative_exponent ? -value : value;
      r.advance(pos - r.pos());
    }
  }
  s.exponent = exponent;
  s.end = r.pos();
  return s;
}

namespace {

constexpr std::uint64_t kSignBit = std::uint64_t{1} << 63;
constexpr std::uint64_t kInfinityBits = std::uint64_t{0x7FF} << 52;
constexpr int kMantissaBits = 52;

// The outcome of rounding w * 10^q from its 192-bit product: `nearest` is the
// rounded magnitude when `settled`; `below` is always the double at or below
// the value whose successor is at or above it (the answer is one of the two).
struct Rounded {
  std::uint64_t nearest;
  std::uint64_t below;
  bool settled;
};

// Assembles a magnitude from a mantissa cut at the double's last bit and the
// binary exponent e of the value (value in [2^e, 2^(e+1))). A mantissa carried
// up to 2^53 (or, below 2^-1022, to 2^52) moves into the next binade.
std::uint64_t assemble(std::uint64_t mantissa, int e) noexcept {
  if (e < -1022) return mantissa;  // a carry into 2^52 gives the smallest normal
  int biased = e + 1023;
  if (mantissa == (std::uint64_t{1} << (kMantissaBits + 1))) {
    mantissa >>= 1;
    ++biased;
  }
  if (biased >= 0x7FF) return kInfinityBits;
  return (static_cast<std::uint64_t>(biased) << kMantissaBits) |
         (mantissa & ((std::uint64_t{1} << kMantissaBits) - 1));
}

// w * 10^q rounded to the nearest double; 0 < w < 2^64 and q within the table.
// The power of five is exact for 0 <= q <= 55; otherwise its 128-bit
// significand is truncated and the true product lies in (P, P + wn): the
// rounding is settled unless that interval may reach a halfway point.
Rounded round_product(std::uint64_t w, int q) noexcept {
  const int lz = std::countl_zero(w);
  const std::uint64_t wn = w << lz;
  const conv::PowerOfFive& t = conv::power_of_five(q);
  const conv::U192 p = conv::multiply_64_128(wn, t.hi, t.lo);
  // value = p * 2^scale, p in [2^190, 2^192)
  const int scale = t.binary_exponent + q - lz;
  const int top = (p.w[2] >> 63) != 0 ? 191 : 190;
  const int e = top + scale;  // value in [2^e, 2^(e+1))
  if (e > 1023) return {kInfinityBits, kInfinityBits, true};
  if (e < -1075) return {0, 0, true};
  // The bit of p at the double's last place: 53 bits down from the top for a
  // normal double, fewer below 2^-1022 (at most top + 1: no bit kept at all).
  // Either way 138 <= cut <= 192.
  const int cut = e >= -1022 ? top - kMantissaBits : -1074 - scale;
  const std::uint64_t mantissa = cut <= 191 ? conv::bits_from(p, cut) : 0;
  const int half_bit = cut - 1;  // 137..191: in the top limb
  const bool half_set = ((p.w[2] >> (half_bit - 128)) & 1u) != 0;
  const std::uint64_t mask = (std::uint64_t{1} << (half_bit - 128)) - 1;
  const std::uint64_t low_top = p.w[2] & mask;  // bits 128 .. half_bit - 1

  const std::uint64_t below = assemble(mantissa, e);
  bool round_up;
  if (q >= 0 && q <= conv::kMaxExactPowerOfFive) {
    const bool rest_zero = p.w[0] == 0 && p.w[1] == 0 && low_top == 0;
    round_up = half_set && (!rest_zero || (mantissa & 1u) != 0);
  } else if (half_set) {
    round_up = true;  // the true value is above p, so strictly above the half
  } else {
    // Below the half in p; the true value adds less than wn < 2^64 at the
    // bottom, which can only reach the half when all bits 64 .. half_bit - 1
    // are ones and the lowest limb carries.
    const bool may_reach = p.w[1] == ~std::uint64_t{0} && low_top == mask && p.w[0] + wn < p.w[0];
    if (may_reach) return {below, below, false};
    round_up = false;
  }
  return {round_up ? assemble(mantissa + 1, e) : below, below, true};
}

// Decides between the double `below` and the next one up by comparing the
// decimal value digits * 10^q (+ a little when `sticky`) with the exact point
// halfway between them.
std::uint64_t settle_exactly(const conv::BigUnsigned& digits, std::int64_t q, bool sticky,
                             std::uint64_t below) noexcept {
  if (below == kInfinityBits) return below;
  const int biased = static_cast<int>(below >> kMantissaBits);
  std::uint64_t m = below & ((std::uint64_t{1} << kMantissaBits) - 1);
  int e = -1074;
  if (biased != 0) {
    m |= std::uint64_t{1} << kMantissaBits;
    e = biased - 1075;
  }
  // halfway = (2m + 1) * 2^(e - 1)
  conv::BigUnsigned lhs = digits;
  conv::BigUnsigned rhs(2 * m + 1);
  const int qi = static_cast<int>(q);
  if (qi >= 0) {
    lhs.multiply_power_of_five(qi);
  } else {
    rhs.multiply_power_of_five(-qi);
  }
  const int e_half = e - 1;
  if (qi > e_half) {
    lhs.shift_left(qi - e_half);
  } else {
    rhs.shift_left(e_half - qi);
  }
  int cmp = lhs.compare(rhs);
  if (cmp == 0 && sticky) cmp = 1;
  if (cmp > 0 || (cmp == 0 && (m & 1u) != 0)) return below + 1;
  return below;
}

// Halfway points between doubles have at most 767 significant digits, so the
// first 800 digits and whether any non-zero digit follows settle every case.
constexpr int kMaxExactDigits = 800;

std::uint64_t magnitude_bits(const ScannedNumber& s, std::string_view text) noexcept {
  const std::uint64_t w = s.significand;
  // nd is about log10(w): w lies in (10^(nd - 1), 10^(nd + 1)).
  const int nd = static_cast<int>((std::bit_width(w) * 1233) >> 12);
  if (s.exponent + nd - 1 > 309) return kInfinityBits;
  if (s.exponent + nd + 1 < -324) return 0;
  const int q = static_cast<int>(s.exponent);

  const Rounded r = round_product(w, q);
  if (!s.truncated) {
    if (r.settled) return r.nearest;
  } else if (r.settled) {
    // The value lies in [w, w + 1) * 10^q.
    const Rounded r1 = round_product(w + 1, q);
    if (r1.settled && r1.nearest == r.nearest) return r.nearest;
  }

  // The rare exact decision between r.below and the double after it.
  conv::BigUnsigned digits;
  std::int64_t q_digits = q;
  bool sticky = false;
  if (!s.truncated) {
    digits = conv::BigUnsigned(w);
  } else {
    // Read up to 800 significant digits again from the text.
    FoldedReader rd(text.substr(0, s.mantissa_end));
    rd.advance(s.mantissa_begin);
    int n = 0;
    std::uint32_t chunk = 0;
    int chunk_digits = 0;
    std::size_t len = 0;
    for (int c = rd.peek(len); c != kEnd; rd.advance(len), c = rd.peek(len)) {
      if (!is_digit(c)) continue;  // the point
      const auto d = static_cast<std::uint32_t>(c - '0');
      if (n == 0 && d == 0) continue;
      if (n == kMaxExactDigits) {
        sticky = sticky || d != 0;
        continue;
      }
      chunk = chunk * 10 + d;
      ++n;
      if (++chunk_digits == 9) {
        digits.multiply_small(1'000'000'000);
        digits.add_small(chunk);
        chunk = 0;
        chunk_digits = 0;
      }
    }
    std::uint32_t chunk_scale = 1;
    for (int i = 0; i < chunk_digits; ++i) chunk_scale *= 10;
    digits.multiply_small(chunk_scale);
    digits.add_small(chunk);
    q_digits = s.exponent + kMaxSignificandDigits - n;
  }
  return settle_exactly(digits, q_digits, sticky, r.below);
}

}  // namespace

double convert_scanned(const ScannedNumber& s, std::string_view text) noexcept {
  if (!s.has_digits) return 0.0;
  std::uint64_t bits = s.significand == 0 ? 0 : magnitude_bits(s, text);
  if (s.negative) bits |= kSignBit;
  return std::bit_cast<double>(bits);
}

double text_to_number(std::string_view text) noexcept {
  const ScannedNumber s = scan_number(text);
  return convert_scanned(s, text);
}

double text_to_number(const char* text) noexcept {
  return text_to_number(text == nullptr ? std::string_view() : std::string_view(text));
}

}  // namespace halverne
