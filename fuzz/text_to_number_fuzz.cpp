// Text-to-number on arbitrary bytes: it must not crash or read past the text,
// folding must never lengthen the text nor change the value, the scan must
// stop inside the text, and the value must be the one std::from_chars reads
// from the same prefix written in the plain form.

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "calc/full_width.h"
#include "calc/number_to_text.h"
#include "calc/text_to_number.h"

namespace {

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "property failed: %s\n", what);
  std::abort();
}

std::uint64_t bits_of(double x) { return std::bit_cast<std::uint64_t>(x); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A copy of exactly `size` bytes, so that the sanitizer sees any read past it.
  char* copy = new char[size == 0 ? 1 : size];
  if (size != 0) std::memcpy(copy, data, size);
  const std::string_view text(copy, size);

  const halverne::Text folded = halverne::fold_full_width(text);
  if (folded.size() > text.size()) fail("folding lengthened the text");

  const halverne::ScannedNumber scanned = halverne::scan_number(text);
  const double value = halverne::convert_scanned(scanned, text);
  if (scanned.end > text.size()) fail("scan ended past the text");
  if ((scanned.end == 0) != !scanned.has_digits) fail("end and has_digits disagree");
  if (bits_of(value) != bits_of(halverne::text_to_number(folded)))
    fail("folded text reads differently");

  if (scanned.has_digits) {
    // The number in the form from_chars reads: no white space, no plus sign,
    // e for the exponent letter.
    std::string plain;
    for (char c : halverne::fold_full_width(text.substr(0, scanned.end))) {
      if (c == ' ' || (c >= '\t' && c <= '\r') || c == '+') continue;
      plain += (c == 'd' || c == 'D' || c == 'E') ? 'e' : c;
    }
    double want = 0;
    const auto r = std::from_chars(plain.data(), plain.data() + plain.size(), want);
    if (r.ptr != plain.data() + plain.size()) fail("from_chars reads a different prefix");
    if (r.ec == std::errc::result_out_of_range) want = std::strtod(plain.c_str(), nullptr);
    if (bits_of(value) != bits_of(want)) fail("value differs from from_chars");
  } else if (bits_of(value) != 0) {
    fail("a text without digits must read as +0");
  }

  char out[halverne::kMaxNumberTextLength];
  if (halverne::number_to_chars(value, out) > halverne::kMaxNumberTextLength) fail("text too long");
  delete[] copy;
  return 0;
}
