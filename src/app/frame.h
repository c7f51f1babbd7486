#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "app/handler_api.h"
#include "app/window_system.h"
#include "calc/text.h"
#include "ui/controls.h"
#include "ui/layout.h"

namespace halverne {

// A routine of the program with no arguments: the start and end hooks.
using Routine = void (*)();

// What the program brings to the frame: the layout of its main window, the
// table that its bindings are resolved through, and its two hooks (empty
// bodies in the shipped program). The frame keeps references: the design and
// the table must outlive it.
struct Program {
  const WindowDesign& design;
  std::span<const HandlerEntry> handlers;
  Routine start_hook = nullptr;  // none: nothing runs
  Routine end_hook = nullptr;
};

// The program frame: owns the process from the start routine to the exit,
// builds the main window from the layout, turns the window system's
// notifications into events for the bound handlers, and ends the program.
// One instance per process; everything runs on the GUI thread.
//
// Where to find each part (frame.cpp): run() is the start routine and the
// end of the program; load_window() the loading sequence; raise_event() the
// event gate and dispatch; close_main_window() and end_program() the
// shut-down; fatal_error() the fatal error box. Handlers reach the controls
// through the PropertyAccess that the frame implements.
//
//   Frame frame(window_system, {main_window_design(), handler_table});
//   return frame.run();
class Frame final : public PropertyAccess, private WindowEvents {
 public:
  // Registers itself as the window system's event sink; builds nothing yet.
  Frame(WindowSystem& ws, const Program& program);
  Frame(const Frame&) = delete;
  Frame& operator=(const Frame&) = delete;
  ~Frame() = default;

  // The start routine and the normal end: returns the exit code (0) once the
  // main window is gone and the end hooks have run. A fatal error does not
  // return: it ends the process through WindowSystem::exit_process(-1).
  int run();

  // Delivers one event: dropped while the event gate is up, otherwise the
  // bound handler (if any) runs at once, nested inside whatever is running.
  void raise_event(Control source, int event);
  // Appends a routine to the end-hook list unless it is there already.
  void register_end_hook(Routine routine);
  // Shows the fatal error box and ends the process with exit code -1. A
  // non-zero error_code adds the "错误代码：" line.
  [[noreturn]] void fatal_error(const Text& message, std::int32_t error_code = 0);

  // --- PropertyAccess
  std::int32_t left(Control c) override;
  std::int32_t top(Control c) override;
  std::int32_t width(Control c) override;
  std::int32_t height(Control c) override;
  void set_left(Control c, double value) override;
  void set_top(Control c, double value) override;
  void set_width(Control c, double value) override;
  void set_height(Control c, double value) override;
  Text text(Control c) override;
  void set_text(Control c, const Text& value) override;
  void set_timer_period(Control c, double milliseconds) override;
  int message_box(const Text& text, const Text& caption) override;

 private:
  // What the frame keeps per control; index 0 is the main window.
  struct ControlState {
    const ControlDesign* design = nullptr;  // none for the main window
    Kind kind = Kind::window;
    WindowRef ref = WindowRef::none;  // none until created
    Handler handler = nullptr;        // bound to event 0, if any
    // Set only while the program writes an EditBox's text, so that the box's
    // own change report does not become a second event.
    bool own_write = false;
    std::int32_t timer_period = 0;  // every timer is designed stopped
  };

  // --- start-up and loading
  void initialise();
  bool resolve_bindings();
  void load_window();
  bool create_window_and_controls();
  Rect centred_window_rect();
  void run_message_loop();
  bool pre_handle_key(const KeyPress& key);
  void move_focus(int step);

  // --- shut-down
  void close_main_window();
  int end_program();

  // --- WindowEvents
  void edit_changed(WindowRef edit) override;
  void timer_expired(WindowRef holder) override;
  void close_requested(WindowRef window) override;
  void window_destroyed(WindowRef window) override;
  void window_activated(WindowRef window, bool active) override;
  void window_focused(WindowRef window) override;
  bool end_session_requested(WindowRef window) override;

  // --- helpers
  ControlState& state(Control c) { return controls_[static_cast<std::size_t>(c)]; }
  ControlState* find(WindowRef ref);
  bool is_ours(WindowRef ref);
  WindowRef loaded_control(Control c);
  WindowRef created_control(Control c);
  void set_coordinate(Control c, int Rect::*field, double value, int low, int high);
  [[noreturn]] void allocation_failed(std::size_t bytes);

  WindowSystem& ws_;
  const WindowDesign& design_;
  std::span<const HandlerEntry> handlers_;
  Routine start_hook_;
  Routine end_hook_;

  // While above 0 a raised event is dropped; raised for good at the end.
  std::int32_t event_gate_ = 0;
  std::vector<Routine> end_hooks_;
  bool loop_started_ = false;
  // The loaded windows: here only ever the main window, none when not loaded.
  WindowRef main_window_ = WindowRef::none;
  std::array<ControlState, control_count> controls_{};
  std::vector<Control> focus_order_;
  // The control that had the focus when the main window was last deactivated.
  WindowRef last_focus_ = WindowRef::none;
  int exit_code_ = 0;
};

}  // namespace halverne
