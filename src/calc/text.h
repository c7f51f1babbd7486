#pragma once

#include <string>

namespace halverne {

// A text of the program: a sequence of bytes in code page 936 (GBK), the
// encoding the program's logic sees for every control text, caption and
// message. Bytes 80-FF start a two-byte character. An absent text and the
// empty text are the same value. Conversion to and from what the window
// system shows happens only at the platform boundary.
using Text = std::string;

}  // namespace halverne
