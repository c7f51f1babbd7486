#include "app/program_handlers.h"

#include <array>

#include "calc/bmi.h"
#include "ui/banner.h"
#include "ui/layout.h"

namespace halverne {
namespace {

constexpr std::array kHandlers = {
    HandlerEntry{handler_names::banner_start, &banner_start},
    HandlerEntry{handler_names::banner_tick, &banner_tick},
    HandlerEntry{handler_names::weight_box, &weight_box_changed},
    HandlerEntry{handler_names::height_box, &height_box_changed},
};

}  // namespace

std::span<const HandlerEntry> program_handlers() { return kHandlers; }

}  // namespace halverne
