#pragma once

#include <span>

#include "app/handler_api.h"

namespace halverne {

// The program's handler table: every handler name that the layout binds
// (ui/layout.h, handler_names) with the procedure behind it.
//
//   banner.start    main window, creation-complete  -> banner_start
//   banner.tick     时钟1, tick                      -> banner_tick
//   bmi.weight_box  编辑框2, content-changed          -> weight_box_changed
//   bmi.height_box  编辑框1, content-changed          -> height_box_changed
//
//   Frame frame(window_system, {main_window_design(), program_handlers()});
std::span<const HandlerEntry> program_handlers();

}  // namespace halverne
