#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "calc/text.h"

namespace halverne {

// Text-to-number conversion: reads the longest prefix of a text that forms a
// number and returns the nearest double (ties to even), in two stages:
// scan_number() reads the text into a ScannedNumber, convert_scanned() turns
// that into a double.
//
// The text is first read through the full-width folding (calc/full_width.h),
// so full-width digits, signs, points, exponent letters and the ideographic
// space count like their ordinary forms. Then:
//   - leading white space is skipped: bytes 09, 0A, 0B, 0C, 0D and 20;
//   - an optional sign + or -;
//   - a mantissa: digits 0-9 with at most one full stop and at least one
//     digit ("5", "5.", ".5", "5.25"; a lone "." is not a mantissa);
//   - an optional exponent: e, E, d or D, an optional sign, at least one
//     digit. A letter not followed by a digit (after its optional sign) does
//     not belong to the number.
// The rest of the text is ignored. No locale is consulted: the decimal point is
// always the full stop, and there are no separators, hex forms, inf or nan.
//
// Results: +0 when the prefix has no mantissa digit (empty text, "-", ".",
// "abc"); a zero with the sign read when every mantissa digit is 0 ("-0" is
// -0); otherwise the correctly rounded double, subnormals included, an infinity
// with the sign read beyond the largest double, a zero with the sign read below
// half the smallest subnormal. Any number of digits and any exponent are read
// exactly; time is linear in the length of the text and no memory is allocated.
//
// Examples (each checked by a test):
//   text_to_number("70")                 == 70.0
//   text_to_number("  1.75m")            == 1.75
//   text_to_number("1,75")               == 1.0
//   text_to_number("1d2")                == 100.0
//   text_to_number("1e+")                == 1.0
//   text_to_number("0x1A")               == 0.0
//   text_to_number("abc")                == +0.0
//   text_to_number("-0")                 == -0.0
//   text_to_number("\xA3\xAD\xA3\xB1")   == -1.0   (full-width -1)
//   text_to_number("1e400")              == +infinity
//   text_to_number("2.4703282292062328e-324") == 0x0.0000000000001p-1022
//   text_to_number(nullptr)              == +0.0   (an absent text is empty)

// What scan_number() found. Offsets count bytes of the original text (a
// full-width character counts two).
struct ScannedNumber {
  bool has_digits = false;  // the mantissa holds at least one digit
  bool negative = false;    // a minus sign was read
  // Up to the first 19 significant digits of the mantissa (leading zeros
  // skipped), and the power of ten that applies to them.
  std::uint64_t significand = 0;
  std::int64_t exponent = 0;
  // Non-zero digits follow those in `significand`: the value is a little above
  // significand * 10^exponent.
  bool truncated = false;
  std::size_t mantissa_begin = 0;  // the mantissa's first byte
  std::size_t mantissa_end = 0;    // just past the mantissa
  std::size_t end = 0;             // just past the number; 0 when no number
};

// Examples:
//   scan_number("  -12.5e3x") -> {has_digits, negative, significand 125,
//                                  exponent 2, mantissa 3..7, end 9}
//   scan_number("1e+")        -> {has_digits, significand 1, exponent 0, end 1}
//   scan_number("-.")         -> {has_digits false, end 0}
ScannedNumber scan_number(std::string_view text) noexcept;

// The double that `scanned` denotes. `text` must be the text it was scanned
// from: numbers with more than 19 significant digits are read again from it
// when the first 19 do not settle the rounding.
double convert_scanned(const ScannedNumber& scanned, std::string_view text) noexcept;

double text_to_number(std::string_view text) noexcept;
// An absent text (nullptr) reads as the empty text.
double text_to_number(const char* text) noexcept;
inline double text_to_number(const Text& text) noexcept {
  return text_to_number(std::string_view(text));
}

}  // namespace halverne
