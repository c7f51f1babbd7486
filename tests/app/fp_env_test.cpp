// The floating-point environment that every handler runs under.

#include "app/fp_env.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <limits>

namespace halverne {
namespace {

#if defined(__i386__) || defined(__x86_64__)
// Leaves the environment as a careless library might: 53-bit x87 precision,
// rounding up, flush-to-zero, flags raised. Every exception stays masked so
// that the disturbance itself cannot trap.
void disturb() {
  write_x87_control_word(0x0a3f);  // masks, precision 53 bits, rounding up
#if defined(__x86_64__) || defined(__SSE__)
  write_sse_control_status(0xdf80);  // masks, rounding up, flush-to-zero
#endif
  std::feraiseexcept(FE_INEXACT | FE_DIVBYZERO | FE_OVERFLOW);
}

TEST(FloatingPointEnvironment, ControlWordsReadBackAsSet) {
  disturb();
  reset_floating_point_environment();
  // Bits 6, 7 and 12-15 of the x87 control word are reserved.
  EXPECT_EQ(read_x87_control_word() & 0x0f3f, 0x033f);
  EXPECT_EQ(read_x87_status_word() & 0x3f, 0);  // no x87 flag
#if defined(__x86_64__) || defined(__SSE__)
  EXPECT_EQ(read_sse_control_status(), 0x1f80u);
#endif
}
#endif

TEST(FloatingPointEnvironment, NothingTrapsRoundingIsToEvenAndFlagsAreClear) {
#if defined(__i386__) || defined(__x86_64__)
  disturb();
#else
  std::fesetround(FE_UPWARD);
  std::feraiseexcept(FE_INEXACT);
#endif
  reset_floating_point_environment();
  EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT), 0);
  EXPECT_EQ(std::fegetround(), FE_TONEAREST);

  volatile double zero = 0.0;
  volatile double one = 1.0;
  EXPECT_EQ(one / zero, std::numeric_limits<double>::infinity());  // masked, no trap
  EXPECT_TRUE(std::isnan(zero / zero));
  // Ties go to the even neighbour: 1 + 2^-53 lies halfway between 1 and the
  // next double up, whose last bit is odd.
  volatile double half_ulp = 0x1p-53;
  EXPECT_EQ(one + half_ulp, 1.0);
  volatile double three_half_ulps = 0x1.8p-52;
  EXPECT_EQ(one + three_half_ulps, 1.0 + 0x1p-51);
  reset_floating_point_environment();
}

TEST(FloatingPointEnvironment, X87IntermediatesKeepA64BitSignificand) {
  if (std::numeric_limits<long double>::digits != 64) GTEST_SKIP() << "no x87 extended type here";
#if defined(__i386__) || defined(__x86_64__)
  disturb();
#endif
  reset_floating_point_environment();
  // With 53-bit precision control, 1 + 2^-63 would round back to 1.
  volatile long double one = 1.0L;
  volatile long double tiny = 0x1p-63L;
  EXPECT_NE(one + tiny, 1.0L);
}

}  // namespace
}  // namespace halverne
