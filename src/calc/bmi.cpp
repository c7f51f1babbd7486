#include "calc/bmi.h"

#include <limits>
#include <string_view>
#include <type_traits>

#include "calc/number_to_text.h"
#include "calc/text_to_number.h"

namespace halverne {
namespace {

// The x87 extended format: a 64-bit significand and a wider exponent range.
// Elsewhere long double is either double itself or wider still, and double
// arithmetic stands in.
constexpr bool kExtended = std::numeric_limits<long double>::digits == 64;
using Wide = std::conditional_t<kExtended, long double, double>;
static_assert(!kExtended || std::numeric_limits<long double>::max_exponent > 1024,
              "the 64-bit significand must come with the extended exponent range");

// The one rounding to double, through memory: 32-bit x87 code may otherwise
// keep the 80-bit value in a register and round it later, or never.
double round_to_double(Wide x) {
  const volatile double rounded = static_cast<double>(x);
  return rounded;
}

// Texts are code page 936 bytes; each line shows the characters it encodes.
constexpr std::string_view kNotice =  // 请输入身高或体重
    "\xc7\xeb\xca\xe4\xc8\xeb\xc9\xed\xb8\xdf\xbb\xf2\xcc\xe5\xd6\xd8";
constexpr std::string_view kCaption = "\xd0\xc5\xcf\xa2\xa3\xba";  // 信息：

// A box counts as filled as soon as it holds one byte, a space included. The
// text is released before the caller reads anything else.
bool holds_text(PropertyAccess& access, Control box) {
  const Text text = access.text(box);
  return compare_text(text, Text()) != 0;
}

}  // namespace

int compare_text(const char* a, const char* b) {
  if (a == nullptr) a = "";
  if (b == nullptr) b = "";
  for (;; ++a, ++b) {
    const auto x = static_cast<unsigned char>(*a);
    const auto y = static_cast<unsigned char>(*b);
    if (x != y) return x < y ? -1 : 1;
    if (x == 0) return 0;
  }
}

double bmi_square(double h) {
  const auto wide = static_cast<Wide>(h);
  return round_to_double(wide * wide);
}

double bmi_quotient(double w, double p) {
  return round_to_double(static_cast<Wide>(w) / static_cast<Wide>(p));
}

bool bmi_uses_extended_precision() { return kExtended; }

void weight_box_changed(PropertyAccess& access) {
  using enum Control;
  // The height is tested first; the weight box is not even read when the
  // height is missing.
  if (!holds_text(access, 编辑框1) || !holds_text(access, 编辑框2)) {
    access.message_box(Text(kNotice), Text(kCaption));
    return;
  }
  const double weight = text_to_number(access.text(编辑框2));
  const double height = text_to_number(access.text(编辑框1));
  const double index = bmi_quotient(weight, bmi_square(height));
  access.set_text(编辑框3, number_to_text(index));
}

void height_box_changed(PropertyAccess&) {}

}  // namespace halverne
