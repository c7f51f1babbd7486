#include "app/fp_env.h"

#include <cfenv>

namespace halverne {

#if defined(__i386__) || defined(__x86_64__)
std::uint16_t read_x87_control_word() {
  std::uint16_t word = 0;
  asm volatile("fnstcw %0" : "=m"(word));
  return word;
}

void write_x87_control_word(std::uint16_t word) { asm volatile("fldcw %0" : : "m"(word)); }

std::uint16_t read_x87_status_word() {
  std::uint16_t word = 0;
  asm volatile("fnstsw %0" : "=m"(word));
  return word;
}

#if defined(__x86_64__) || defined(__SSE__)
std::uint32_t read_sse_control_status() {
  std::uint32_t value = 0;
  asm volatile("stmxcsr %0" : "=m"(value));
  return value;
}

void write_sse_control_status(std::uint32_t value) { asm volatile("ldmxcsr %0" : : "m"(value)); }
#endif
#endif

void reset_floating_point_environment() {
  // The portable part: the default environment masks every exception on the
  // platforms we build for, and the rounding mode is set explicitly.
  std::fesetenv(FE_DFL_ENV);
  std::fesetround(FE_TONEAREST);
#if defined(__i386__) || defined(__x86_64__)
  // The C runtime's default x87 precision differs between platforms (53 bits
  // on Windows), so the control words are written outright. fnclex clears
  // pending x87 flags first, or fldcw could unmask into a pending exception.
  asm volatile("fnclex");
  write_x87_control_word(x87_control_word);
#if defined(__x86_64__) || defined(__SSE__)
  write_sse_control_status(sse_control_status);
#endif
#endif
  std::feclearexcept(FE_ALL_EXCEPT);
}

}  // namespace halverne
