#pragma once

#include <cstdint>
#include <string_view>

#include "calc/text.h"
#include "ui/controls.h"

namespace halverne {

// What an event handler may touch: one property of one named control at a
// time, and the frame's modal message box. Implemented by the frame.
//
// Integer properties are whole pixels. Writes take a number: it is truncated
// toward zero, then clamped (left and top to -32627..32627, width and height
// to 0..32627). Reads return what the window system reports now, never a
// remembered design value.
class PropertyAccess {
 public:
  virtual std::int32_t left(Control c) = 0;
  virtual std::int32_t top(Control c) = 0;
  virtual std::int32_t width(Control c) = 0;
  virtual std::int32_t height(Control c) = 0;
  virtual void set_left(Control c, double value) = 0;
  virtual void set_top(Control c, double value) = 0;
  virtual void set_width(Control c, double value) = 0;
  virtual void set_height(Control c, double value) = 0;

  // Content of an EditBox, caption of a Label or of the main window; a new
  // value owned by the caller.
  virtual Text text(Control c) = 0;
  // Writing an EditBox's text raises its content-changed event exactly once,
  // after the text is in place, even when the text is unchanged.
  virtual void set_text(Control c, const Text& value) = 0;

  // Milliseconds between tick events of a Timer; negative counts as 0, 0
  // stops it, the value it already has changes nothing, any other value
  // restarts it with the first tick one period later.
  virtual void set_timer_period(Control c, double milliseconds) = 0;

  // The frame's modal message box with one OK button and no icon: no owner,
  // task-modal; events (timer ticks) keep being delivered while it is open.
  // Returns the index of the button that closed it (0 for OK).
  virtual int message_box(const Text& text, const Text& caption) = 0;

 protected:
  ~PropertyAccess() = default;
};

// An event handler: no event data, only the frame's property access.
using Handler = void (*)(PropertyAccess& access);

// One entry of the program's handler table: the name that a layout binding
// uses (ui/layout.h, handler_names) and the procedure it stands for. The frame
// resolves every binding through such a table when it starts.
struct HandlerEntry {
  std::string_view name;
  Handler handler;
};

}  // namespace halverne
