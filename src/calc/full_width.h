#pragma once

#include <string_view>

#include "calc/text.h"

namespace halverne {

// Full-width folding: the first step of reading a number from a text.
//
// The text is scanned from its start. A byte below 80 (hex) is copied. A byte
// from 80 up starts a two-byte character together with the byte after it; a
// lead byte that is the last byte of the text is dropped. A two-byte character
// is replaced by one byte when it is one of these, and copied otherwise:
//   A1 A1 (ideographic space)  -> 20 (space)
//   A1 AB (full-width tilde)   -> 7E (~)
//   A1 EE, A1 EF (stars)       -> 2A (*)
//   A3 b, A1 <= b <= FE        -> b - 80 (the full-width forms of 21..7E)
// The table is applied to the bytes as they are, whatever the code page.
// The result is never longer than the text.
//
// Examples:
//   fold_full_width("\xA3\xB1\xA3\xAE\xA3\xB7\xA3\xB5")  == "1.75"   (full-width 1.75)
//   fold_full_width("\xA1\xA1" "70")                     == " 70"
//   fold_full_width("\xC6\xDF\xCA\xAE")                  == "\xC6\xDF\xCA\xAE"  (unchanged)
//   fold_full_width("5\xA3")                             == "5"      (lone lead byte dropped)
Text fold_full_width(std::string_view text);

// The single byte that the two-byte character (lead, trail) folds to, or -1
// when it is copied unchanged. Precondition: lead >= 0x80.
constexpr int fold_pair(unsigned char lead, unsigned char trail) noexcept {
  if (lead == 0xA3) return trail >= 0xA1 && trail != 0xFF ? trail - 0x80 : -1;
  if (lead == 0xA1) {
    switch (trail) {
      case 0xA1:
        return 0x20;
      case 0xAB:
        return 0x7E;
      case 0xEE:
      case 0xEF:
        return 0x2A;
      default:
        return -1;
    }
  }
  return -1;
}

}  // namespace halverne
