#include "ui/banner.h"

#include <cmath>

namespace halverne {
namespace {

using enum Control;

constexpr double kStep = 1.0;      // pixels per tick
constexpr double kPeriodMs = 5.0;  // asked for; the platform may tick slower
constexpr double kWrapTolerance = 1e-7;

// The outer width, frame included, as the window system reports it now: it
// changes while the window is minimised, so it is never remembered.
double wrap_target(PropertyAccess& access) { return access.width(main_window); }

}  // namespace

void banner_start(PropertyAccess& access) {
  access.set_left(标签11, wrap_target(access));
  access.set_timer_period(时钟1, kPeriodMs);
}

void banner_tick(PropertyAccess& access) {
  const double left = access.left(标签11);
  access.set_left(标签11, std::trunc(left - kStep));
  const double wrap_point = 0.0 - access.width(标签11);
  // Tested on the position now in effect, which the clamp to -32627 may
  // have held back; a label that is already past the wrap point stays there.
  const double moved = access.left(标签11);
  if (std::fabs(moved - wrap_point) <= kWrapTolerance) {
    access.set_left(标签11, wrap_target(access));
  }
}

}  // namespace halverne
