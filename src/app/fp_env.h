#pragma once

#include <cstdint>

namespace halverne {

// The floating-point environment every handler runs under, set once at
// start-up: all six exceptions (invalid, denormal, divide-by-zero, overflow,
// underflow, inexact) masked, so no arithmetic traps and 1/0 is an infinity;
// rounding to nearest with ties to even; intermediate x87 results with a
// 64-bit significand; every status flag cleared. On x86 both the x87 unit and
// SSE are set, since the compiler may use either for doubles.
void reset_floating_point_environment();

#if defined(__i386__) || defined(__x86_64__)
// What reset_floating_point_environment() leaves in the control registers.
// x87: exception masks in bits 0-5, precision control 11 (64 bits) in bits
// 8-9, rounding control 00 (nearest) in bits 10-11.
inline constexpr std::uint16_t x87_control_word = 0x037f;
// MXCSR: exception masks in bits 7-12, rounding 00, no flush-to-zero and no
// denormals-are-zero, flags (bits 0-5) clear.
inline constexpr std::uint32_t sse_control_status = 0x1f80;

std::uint16_t read_x87_control_word();
void write_x87_control_word(std::uint16_t word);
std::uint16_t read_x87_status_word();
#if defined(__x86_64__) || defined(__SSE__)
std::uint32_t read_sse_control_status();
void write_sse_control_status(std::uint32_t value);
#endif
#endif

}  // namespace halverne
