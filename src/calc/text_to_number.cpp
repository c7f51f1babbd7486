#include "calc/text_to_number.h"

#include <bit>
#include <cstring>

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

// Eight ASCII digits at p as their value, or false. The bytes are read as one
// little-endian word; the arithmetic works on all eight digits at once.
inline bool read_eight_digits(const unsigned char* p, std::uint64_t& value) noexcept {
  if constexpr (std::endian::native != std::endian::little) return false;
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  // Each byte 30-39: adding 46 stays below 80, subtracting 30 does not borrow.
  if ((((v + 0x4646464646464646u) | (v - 0x3030303030303030u)) & 0x8080808080808080u) != 0)
    return false;
  v -= 0x3030303030303030u;
  v = v * 10 + (v >> 8);  // pairs of digits in every other byte
  constexpr std::uint64_t kPairs = 0x000000FF000000FFu;
  v = ((v & kPairs) * (100 + (std::uint64_t{1000000} << 32)) +
       ((v >> 16) & kPairs) * (1 + (std::uint64_t{10000} << 32))) >>
      32;
  value = v;
  return true;
}

// The full scan, for texts that the plain one below leaves (full-width forms,
// more than 19 digits, long exponents): kept out of line so that the plain
// path stays small.
[[gnu::noinline]] ScannedNumber scan(std::string_view text) noexcept {
  ScannedNumber s;
  FoldedReader r(text);
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
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
  std::size_t pos = r.pos();
  auto next = [&] {
    pos += len;
    c = r.at(pos, len);
  };

  int digits = 0;  // significant digits kept in the significand
  std::int64_t exponent = 0;
  std::uint64_t eight = 0;
  constexpr std::uint64_t kTen8 = 100'000'000;
  // A run of digits: kept in the significand while it has room, beyond that
  // only remembered as non-zero. Kept digits of the fraction and dropped
  // digits of the integer part are what move the decimal exponent.
  auto take_digits = [&](bool in_fraction) {
    while (is_digit(c)) {
      s.has_digits = true;
      // Eight at once unless they would straddle the 19th significant digit.
      const bool whole_block =
          digits <= kMaxSignificandDigits - 8 || digits == kMaxSignificandDigits;
      const bool block =
          whole_block && len == 1 && pos + 8 <= n && read_eight_digits(bytes + pos, eight);
      const int count = block ? 8 : 1;
      const std::uint64_t value = block ? eight : static_cast<unsigned>(c - '0');
      if (digits < kMaxSignificandDigits) {
        s.significand = s.significand * (block ? kTen8 : 10) + value;
        digits += count;
        if (in_fraction) exponent -= count;
      } else {
        s.truncated = s.truncated || value != 0;
        if (!in_fraction) exponent += count;
      }
      if (block) {
        pos += 8;
        c = r.at(pos, len);
      } else {
        next();
      }
    }
  };

  // The integer part: leading zeros, then significant digits.
  while (c == '0') {
    s.has_digits = true;
    next();
  }
  take_digits(false);
  // The fraction: leading zeros count only in the exponent while no
  // significant digit has come.
  if (c == '.') {
    next();
    if (digits == 0) {
      while (c == '0') {
        s.has_digits = true;
        --exponent;
        next();
      }
    }
    take_digits(true);
  }
  r.advance(pos - r.pos());
  if (!s.has_digits) return ScannedNumber{};
  s.mantissa_end = r.pos();

  if (c == 'e' || c == 'E' || c == 'd' || c == 'D') {
    // Taken only when digits follow (after an optional sign).
    std::size_t at = pos + len;
    std::size_t l = 0;
    int x = r.at(at, l);
    bool negative_exponent = false;
    if (x == '+' || x == '-') {
      negative_exponent = x == '-';
      at += l;
      x = r.at(at, l);
    }
    if (is_digit(x)) {
      std::int64_t value = 0;
      while (is_digit(x)) {
        if (value < kExponentLimit) value = value * 10 + (x - '0');
        at += l;
        x = r.at(at, l);
      }
      exponent += negative_exponent ? -value : value;
      r.advance(at - r.pos());
    }
  }
  s.exponent = exponent;
  s.end = r.pos();
  return s;
}

// The usual text in one pass: ASCII only, at most 19 digits, an exponent
// of at most four digits; or an ASCII text without a number. kNeedsFullScan,
// having set nothing that matters, whenever the text is anything else;
// scan() then reads it in full.
enum class PlainScan { kNumber, kNoNumber, kNeedsFullScan };

[[gnu::always_inline]] inline PlainScan scan_plain(std::string_view text,
                                                   ScannedNumber& s) noexcept {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  std::size_t pos = 0;
  while (pos < n && is_space(p[pos])) ++pos;
  if (pos < n && (p[pos] == '-' || p[pos] == '+')) {
    s.negative = p[pos] == '-';
    ++pos;
  }
  s.mantissa_begin = pos;
  std::uint64_t w = 0;
  unsigned d = 0;
  const std::size_t int_begin = pos;
  while (pos < n && (d = static_cast<unsigned>(p[pos]) - '0') <= 9) {
    w = w * 10 + d;
    ++pos;
  }
  std::size_t digit_count = pos - int_begin;
  std::int64_t exponent = 0;
  if (pos < n && p[pos] == '.') {
    ++pos;
    const std::size_t frac_begin = pos;
    while (pos < n && (d = static_cast<unsigned>(p[pos]) - '0') <= 9) {
      w = w * 10 + d;
      ++pos;
    }
    exponent = -static_cast<std::int64_t>(pos - frac_begin);
    digit_count += pos - frac_begin;
  }
  if (digit_count == 0) {
    // Not a number unless a full-width character could start or continue one.
    if (pos < n && p[pos] >= 0x80) return PlainScan::kNeedsFullScan;
    s = ScannedNumber{};
    return PlainScan::kNoNumber;
  }
  if (digit_count > kMaxSignificandDigits) return PlainScan::kNeedsFullScan;
  s.mantissa_end = pos;
  if (pos < n) {
    const unsigned char c = p[pos];
    if (c >= 0x80) return PlainScan::kNeedsFullScan;  // may be a full-width letter or digit
    if (c == 'e' || c == 'E' || c == 'd' || c == 'D') {
      std::size_t at = pos + 1;
      bool negative_exponent = false;
      if (at < n && (p[at] == '-' || p[at] == '+')) {
        negative_exponent = p[at] == '-';
        ++at;
      }
      const std::size_t exp_begin = at;
      std::int64_t value = 0;
      while (at < n && (d = static_cast<unsigned>(p[at]) - '0') <= 9 && at - exp_begin < 4) {
        value = value * 10 + d;
        ++at;
      }
      if (at < n && p[at] >= 0x80) return PlainScan::kNeedsFullScan;
      if (at < n && p[at] >= '0' && p[at] <= '9')
        return PlainScan::kNeedsFullScan;  // a longer exponent
      if (at > exp_begin) {
        exponent += negative_exponent ? -value : value;
        pos = at;
      }
    }
  }
  s.has_digits = true;
  s.significand = w;
  s.exponent = exponent;
  s.end = pos;
  return PlainScan::kNumber;
}

[[gnu::always_inline]] inline ScannedNumber scan_any(std::string_view text) noexcept {
  ScannedNumber s;
  if (scan_plain(text, s) != PlainScan::kNeedsFullScan) return s;
  return scan(text);
}

}  // namespace

ScannedNumber scan_number(std::string_view text) noexcept { return scan_any(text); }

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
[[gnu::noinline]] Rounded round_product(std::uint64_t w, int q) noexcept {
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

// The common case in one multiplication of 64 by 64 bits: w exact, the result
// a normal double, and the rounding clear from the top 128 bits of the
// product. Returns false when the full product must decide.
[[gnu::always_inline]] inline bool round_fast(std::uint64_t w, int q,
                                              std::uint64_t& bits) noexcept {
  const int lz = std::countl_zero(w);
  const std::uint64_t wn = w << lz;
  const conv::PowerOfFive& t = conv::power_of_five(q);
  const conv::U128 f = conv::multiply_full(wn, t.hi);
  // The full product is f * 2^64 + wn * t.lo (+ less than wn from the
  // truncated power), so the true value of f lies in [f, f + 2^64]: f.hi may
  // grow by one, no more.
  const bool top_at_63 = (f.hi >> 63) != 0;
  const int e = (top_at_63 ? 127 : 126) + 64 + t.binary_exponent + q - lz;
  if (e < -1022 || e > 1023) return false;
  const int shift = top_at_63 ? 11 : 10;  // keep 53 bits of f.hi
  const std::uint64_t under_half_mask = (std::uint64_t{1} << (shift - 1)) - 1;
  const std::uint64_t under_half = f.hi & under_half_mask;
  const bool half_set = ((f.hi >> (shift - 1)) & 1u) != 0;
  // With the half bit set the value is above the half (the true value is
  // above f * 2^64 when the power is truncated) or, after a carry, right on
  // the next double: up either way; only an exact power can put it on the
  // half itself. With the half bit clear, a carry could reach the half.
  const bool exact = q >= 0 && q <= conv::kMaxExactPowerOfFive;
  const bool unclear = half_set ? exact && under_half == 0 : under_half == under_half_mask;
  if (unclear) return false;
  const std::uint64_t mantissa = (f.hi >> shift) + (half_set ? 1u : 0u);
  bits = assemble(mantissa, e);
  return true;
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

// The rare exact decision between `below` and the double after it, reading
// up to 800 significant digits again from the text when there are more
// than 19.
[[gnu::noinline]] std::uint64_t settle_from_text(const ScannedNumber& s, std::string_view text,
                                                 std::uint64_t below) noexcept {
  conv::BigUnsigned digits;
  std::int64_t q_digits = s.exponent;
  bool sticky = false;
  if (!s.truncated) {
    digits = conv::BigUnsigned(s.significand);
  } else {
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
  return settle_exactly(digits, q_digits, sticky, below);
}

[[gnu::always_inline]] inline std::uint64_t magnitude_bits(const ScannedNumber& s,
                                                           std::string_view text) noexcept {
  const std::uint64_t w = s.significand;
  // nd is about log10(w): w lies in (10^(nd - 1), 10^(nd + 1)).
  const int nd = static_cast<int>((std::bit_width(w) * 1233) >> 12);
  if (s.exponent + nd - 1 > 309) return kInfinityBits;
  if (s.exponent + nd + 1 < -324) return 0;
  const int q = static_cast<int>(s.exponent);

  std::uint64_t bits = 0;
  if (!s.truncated && round_fast(w, q, bits)) return bits;
  const Rounded r = round_product(w, q);
  if (!s.truncated) {
    if (r.settled) return r.nearest;
  } else if (r.settled) {
    // The value lies in [w, w + 1) * 10^q.
    const Rounded r1 = round_product(w + 1, q);
    if (r1.settled && r1.nearest == r.nearest) return r.nearest;
  }
  return settle_from_text(s, text, r.below);
}

}  // namespace

namespace {

[[gnu::always_inline]] inline double convert(const ScannedNumber& s,
                                             std::string_view text) noexcept {
  if (!s.has_digits) return 0.0;
  std::uint64_t bits = s.significand == 0 ? 0 : magnitude_bits(s, text);
  if (s.negative) bits |= kSignBit;
  return std::bit_cast<double>(bits);
}

}  // namespace

double convert_scanned(const ScannedNumber& s, std::string_view text) noexcept {
  return convert(s, text);
}

namespace {

// Everything but the usual number, out of line so that the usual path keeps
// its few values in registers.
[[gnu::noinline]] double text_to_number_in_full(std::string_view text) noexcept {
  return convert(scan_any(text), text);
}

}  // namespace

double text_to_number(std::string_view text) noexcept {
  ScannedNumber s;
  const PlainScan plain = scan_plain(text, s);
  if (plain == PlainScan::kNoNumber) return 0.0;
  // The usual number, straight from the scan's locals.
  if (plain == PlainScan::kNumber) {
    std::uint64_t bits = 0;  // a zero mantissa gives a zero with the sign read
    if (s.significand == 0 ||
        (s.exponent >= conv::kMinPowerOfFive && s.exponent <= conv::kMaxPowerOfFive &&
         round_fast(s.significand, static_cast<int>(s.exponent), bits))) {
      return std::bit_cast<double>(s.negative ? bits | kSignBit : bits);
    }
  }
  return text_to_number_in_full(text);
}

double text_to_number(const char* text) noexcept {
  return text_to_number(text == nullptr ? std::string_view() : std::string_view(text));
}

}  // namespace halverne
