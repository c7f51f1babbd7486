// Number-to-text on arbitrary bit patterns: never more than 20 bytes; the
// special values as fixed texts; for finite x the text reads back within one
// unit of its 13th significant digit, and the value read back shows the same
// text again.

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "calc/number_to_text.h"
#include "calc/text_to_number.h"

namespace {

[[noreturn]] void fail(const char* what, std::uint64_t bits, const std::string& text) {
  std::fprintf(stderr, "property failed: %s for %016llx -> %s\n", what,
               static_cast<unsigned long long>(bits), text.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, data, size < 8 ? size : 8);
  const double x = std::bit_cast<double>(bits);

  char out[halverne::kMaxNumberTextLength];
  const std::size_t n = halverne::number_to_chars(x, out);
  if (n > halverne::kMaxNumberTextLength) fail("longer than 20 bytes", bits, "");
  const std::string text(out, n);
  if (text != halverne::number_to_text(x)) fail("the two interfaces differ", bits, text);

  const bool negative = (bits >> 63) != 0;
  if (std::isinf(x)) {
    if (text != (negative ? "-1.#INF" : "1.#INF")) fail("infinity", bits, text);
    return 0;
  }
  if (std::isnan(x)) {
    const bool is_default = bits == 0xFFF8000000000000u;
    if (text != (is_default ? "-1.#IND" : negative ? "-1.#QNAN" : "1.#QNAN"))
      fail("NaN", bits, text);
    return 0;
  }
  if (x == 0) {
    if (text != "0") fail("zero", bits, text);
    return 0;
  }

  // Back to a number: within one unit of the 13th significant digit (the two
  // roundings may pass half a unit by a hair, never a whole one).
  const double back = halverne::text_to_number(text);
  const int exponent = halverne::round_twice(halverne::exact_digits(std::fabs(x))).exponent;
  const double unit = halverne::text_to_number("1e" + std::to_string(exponent - 12));
  // Below the smallest subnormal the unit reads as 0: the subnormals are
  // farther apart than a unit there, so only x itself is near enough.
  const bool near = unit == 0 ? back == x : std::fabs(back - x) < unit;
  if (!near) fail("reads back more than one unit away", bits, text);
  if (halverne::number_to_text(back) != text)
    fail("the value read back shows another text", bits, text);
  return 0;
}
