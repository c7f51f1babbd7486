#pragma once

#include "app/handler_api.h"
#include "calc/text.h"

namespace halverne {

// The BMI calculation: two handlers for the content-changed events of the
// input boxes, and the arithmetic and text test they rest on. Nothing is
// kept between events; the only lasting effect is the text of 编辑框3.

// Weight-box handler (content-changed event of 编辑框2). Reads the height
// text, then, only when the height is present, the weight text; when either
// is empty shows the notice "请输入身高或体重" under "信息：" and leaves
// 编辑框3 alone. Otherwise converts the weight, then the height, and writes
// weight / height² into 编辑框3, e.g. 1.75 and 70 give "22.85714285714",
// 0 and 70 give "1.#INF".
void weight_box_changed(PropertyAccess& access);

// Height-box handler (content-changed event of 编辑框1): a change of the
// height alone computes nothing, so the result box keeps the value of the
// last weight change.
void height_box_changed(PropertyAccess& access);

// Byte-wise comparison up to the first difference or terminating zero, each
// byte unsigned: -1, 0 or +1. A null pointer is an absent text, which equals
// the empty text: (nullptr, "") gives 0, (nullptr, "a") gives -1.
int compare_text(const char* a, const char* b);
inline int compare_text(const Text& a, const Text& b) { return compare_text(a.c_str(), b.c_str()); }

// The two steps of the index, each formed with a 64-bit significand (x87
// extended precision, under the precision control that the frame sets) and
// then rounded once to double. So they can differ in the last bit from plain
// double arithmetic: square(0x1.529c779a6b50bp+0), the double nearest 1.3227,
// is 0x1.bfe18b75bf74cp+0 where h * h gives 0x1.bfe18b75bf74dp+0. Where long
// double has no 64-bit significand they are plain double arithmetic.
// Exceptions are masked: a zero divisor gives an infinity, 0 / 0 the default
// NaN, and results beyond the double range become infinities or zeros.
double bmi_square(double h);
double bmi_quotient(double w, double p);

// True when bmi_square and bmi_quotient use the 64-bit significand on this
// build.
bool bmi_uses_extended_precision();

}  // namespace halverne
