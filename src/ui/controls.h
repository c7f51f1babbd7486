#pragma once

#include <cstdint>

namespace halverne {

// The main window and its sixteen controls, by their layout names, in layout
// order (which is also the stacking order, topmost first).
enum class Control : std::uint8_t {
  main_window,
  标签11,
  标签10,
  标签9,
  标签8,
  标签7,
  标签6,
  标签5,
  标签4,
  外形框1,
  编辑框3,
  标签3,
  编辑框2,
  编辑框1,
  标签2,
  标签1,
  时钟1,
};

inline constexpr int control_count = 17;  // the main window included

}  // namespace halverne
