#pragma once

#include "app/handler_api.h"

namespace halverne {

// The scrolling banner: 标签11 moves one pixel left per tick of 时钟1 and
// jumps back to the right once its right edge reaches x = 0. Its only state
// is the label's left and the timer's period; both handlers work through
// property access alone.

// Creation-complete event of the main window: places 标签11 at the main
// window's outer width (307 as designed, so the label starts wholly beyond
// the client area) and starts 时钟1 with a period of 5 ms.
void banner_start(PropertyAccess& access);

// Tick event of 时钟1: moves 标签11 one pixel left and, when the left read
// back equals minus the label's width (within 1e-7), puts it back at the
// main window's outer width as read now. With the design sizes the lefts run
// 306, 305, ..., -295, then 307 on the 603rd tick. A left already below the
// wrap point never wraps; it runs down to the lower limit -32627 and stays.
void banner_tick(PropertyAccess& access);

}  // namespace halverne
