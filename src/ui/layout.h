#pragma once

#include <span>
#include <string_view>

#include "calc/text.h"
#include "ui/controls.h"

namespace halverne {

// The kinds of window object, by their layout names.
enum class Kind : std::uint8_t { window, Label, EditBox, ShapeBox, Timer };

// An event binding as the layout stores it: the event's number within the
// control's kind (0 is the creation-complete event of a window, the
// content-changed event of an EditBox and the tick event of a Timer) and the
// name of the handler, which the frame resolves when it starts.
struct Binding {
  int event;
  std::string_view handler;
};

// Handler names used by the layout.
namespace handler_names {
inline constexpr std::string_view banner_start = "banner.start";
inline constexpr std::string_view banner_tick = "banner.tick";
inline constexpr std::string_view weight_box = "bmi.weight_box";
inline constexpr std::string_view height_box = "bmi.height_box";
}  // namespace handler_names

struct ControlDesign {
  Control id;
  std::string_view name;  // the layout name, UTF-8, for diagnostics
  Kind kind;
  Control parent;
  int left, top, width, height;  // in the parent's client area, outer size
  bool visible;
  bool tab_stop;
  int tab_order;
  std::string_view text;  // code page 936 bytes
  std::span<const Binding> bindings;
};

struct WindowDesign {
  std::string_view text;                    // caption, code page 936 bytes
  int left, top, width, height;             // outer rectangle; left and top are unused
                                            // because the window is centred
  std::span<const ControlDesign> controls;  // layout order, topmost first
  std::span<const Binding> bindings;
};

// The main window as designed. Fixed at build time.
const WindowDesign& main_window_design();

}  // namespace halverne
