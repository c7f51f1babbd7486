#pragma once

#include <cstddef>
#include <cstdint>

#include "calc/text.h"

namespace halverne {

// Number-to-text conversion: the text of a double with 13 significant digits,
// laid out like "%.13g" with these differences:
//   - two roundings: the exact decimal value is first rounded to 17
//     significant digits, half up on the exact 18th digit alone, and that
//     result to 13, half up on its 14th digit alone (a carry out of the first
//     digit raises the exponent);
//   - the exponent has at least three digits: 1e-010, 1.234567890123e+013;
//   - infinities and NaNs: 1.#INF, -1.#INF, -1.#IND (the default NaN: sign set,
//     only the top fraction bit set), 1.#QNAN and -1.#QNAN for every other NaN
//     (a signalling NaN reads as made quiet);
//   - a zero of either sign is "0".
// The text never holds more than kMaxNumberTextLength bytes; it never depends
// on the locale.
//
// Examples (each checked by a test):
//   number_to_text(22.857142857142858)     == "22.85714285714"
//   number_to_text(0.00001)                == "1e-005"
//   number_to_text(99999999999999.0)       == "1e+014"
//   number_to_text(487.07632660815)        == "487.0763266082"  (one rounding would end in 1)
//   number_to_text(-0.0)                   == "0"
//   number_to_text(0x1p-1074)              == "4.940656458412e-324"
//   number_to_text(-infinity)              == "-1.#INF"
//   number_to_text(bits FFF8000000000000)  == "-1.#IND"  (the default NaN, 0/0 on x86)
Text number_to_text(double x);

inline constexpr std::size_t kMaxNumberTextLength = 20;

// The same text written to out[0 .. returned length); out must hold
// kMaxNumberTextLength bytes. Nothing else is written (no terminating zero).
std::size_t number_to_chars(double x, char* out) noexcept;

// The two stages behind number_to_chars, for finite non-zero values.

// Stage 1: the first 18 significant digits of the exact decimal value of a
// finite magnitude m > 0, truncated, and the power of ten of the first digit:
// m = 0.d1 d2 ... d18 ... * 10^(exponent + 1), 10^17 <= digits < 10^18.
// Example: exact_digits(0.1) == {100000000000000005, -1}
//   (0.1 is exactly 0.1000000000000000055511151231257827...).
struct ExactDigits {
  std::uint64_t digits;
  int exponent;
};
ExactDigits exact_digits(double m) noexcept;

// Stage 2: the two roundings, 18 digits to 17 to 13, half up on the next
// digit alone. The result has 10^12 <= digits < 10^13, and its exponent is
// the power of ten of the first digit (one more after a carry).
// Examples: round_twice({999999999999950000, 0}) == {1000000000000, 1}
//           round_twice({487076326608149999, 2}) == {4870763266082, 2}
struct RoundedDigits {
  std::uint64_t digits;
  int exponent;
};
RoundedDigits round_twice(ExactDigits exact) noexcept;

// Stage 3: the "%.13g"-like layout of 13 digits, with the sign in front when
// `negative`. Writes at most kMaxNumberTextLength bytes; returns the length.
// Examples: layout_digits(false, {2285714285714, 1}, out) writes "22.85714285714"
//           layout_digits(true, {1000000000000, -5}, out) writes "-1e-005"
std::size_t layout_digits(bool negative, RoundedDigits rounded, char* out) noexcept;

}  // namespace halverne
