#pragma once

#include <string>
#include <string_view>

#include "calc/text.h"

namespace halverne::win32 {

// The program's texts are code page 936 bytes whatever the system's ANSI
// code page is (Wine takes it from the Unix locale, often 1252), so every
// text that crosses into the wide API is converted with 936 named
// explicitly. A memory request that fails throws AllocationFailure with the
// number of bytes asked for.

// Bytes that do not form a character of code page 936 become U+FFFD or the
// platform's default character; the conversion never fails otherwise.
std::wstring widen(std::string_view cp936);

// Characters that code page 936 cannot show become "?". Full-width digits
// (U+FF10..U+FF19) become A3 B0..A3 B9.
Text narrow(std::wstring_view wide);

}  // namespace halverne::win32
