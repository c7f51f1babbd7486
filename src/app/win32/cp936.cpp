#include "app/win32/cp936.h"

#include <windows.h>

#include <climits>
#include <new>

#include "app/window_system.h"

namespace halverne::win32 {
namespace {

constexpr UINT kCodePage = 936;

// The Win32 conversions count in int; a text longer than that cannot come
// from an edit box, whose limit is far below.
int checked_length(std::size_t length) {
  if (length > static_cast<std::size_t>(INT_MAX)) throw AllocationFailure{length};
  return static_cast<int>(length);
}

template <class String>
void resize_or_throw(String& s, std::size_t length) {
  try {
    s.resize(length);
  } catch (const std::bad_alloc&) {
    throw AllocationFailure{(length + 1) * sizeof(typename String::value_type)};
  }
}

}  // namespace

std::wstring widen(std::string_view cp936) {
  std::wstring wide;
  if (cp936.empty()) return wide;
  const int in = checked_length(cp936.size());
  const int out = MultiByteToWideChar(kCodePage, 0, cp936.data(), in, nullptr, 0);
  if (out <= 0) return wide;
  resize_or_throw(wide, static_cast<std::size_t>(out));
  const int done = MultiByteToWideChar(kCodePage, 0, cp936.data(), in, wide.data(), out);
  wide.resize(static_cast<std::size_t>(done > 0 ? done : 0));
  return wide;
}

Text narrow(std::wstring_view wide) {
  Text bytes;
  if (wide.empty()) return bytes;
  const int in = checked_length(wide.size());
  const int out = WideCharToMultiByte(kCodePage, 0, wide.data(), in, nullptr, 0, nullptr, nullptr);
  if (out <= 0) return bytes;
  resize_or_throw(bytes, static_cast<std::size_t>(out));
  const int done =
      WideCharToMultiByte(kCodePage, 0, wide.data(), in, bytes.data(), out, nullptr, nullptr);
  bytes.resize(static_cast<std::size_t>(done > 0 ? done : 0));
  return bytes;
}

}  // namespace halverne::win32
