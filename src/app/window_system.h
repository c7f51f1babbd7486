#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "calc/text.h"
#include "ui/layout.h"

namespace halverne {

// The frame's view of the platform: the operations it needs from a window
// system, and the notifications it receives back. Implemented by the Win32
// layer (src/app/win32) and by a scripted fake in the tests. Nothing here
// knows about message numbers or parameters.

// A window or control, as an opaque value handed out by the window system.
enum class WindowRef : std::uintptr_t { none = 0 };

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct Size {
  int width = 0;
  int height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

// A key press as the main window sees it before the focused control does.
struct KeyPress {
  enum class Key : std::uint8_t { tab, escape, enter, other };
  Key key = Key::other;
  bool shift = false;
  bool control = false;
  bool alt = false;
};

// What the message loop took from the queue.
struct Message {
  enum class Kind : std::uint8_t { quit, key, other };
  Kind kind = Kind::other;
  int exit_code = 0;                   // for quit
  KeyPress key;                        // for key
  WindowRef target = WindowRef::none;  // the window the message is for
};

enum class BoxIcon : std::uint8_t { none, error };

// Thrown by a window-system operation when a memory request fails; the frame
// turns it into its fatal error with the byte count.
struct AllocationFailure {
  std::size_t bytes;
};

// Notifications from the window system to the frame. Each is delivered
// synchronously, on the GUI thread, inside the platform notification that
// caused it.
class WindowEvents {
 public:
  // An edit box's text was changed (typed, deleted, pasted, cut, undone, or
  // put there by set_text); the new text is already in the box.
  virtual void edit_changed(WindowRef edit) = 0;
  // One expiry of the timer held by this control.
  virtual void timer_expired(WindowRef holder) = 0;
  // Close button, Alt+F4 or the system menu's Close.
  virtual void close_requested(WindowRef window) = 0;
  // The top-level window and all its controls are gone.
  virtual void window_destroyed(WindowRef window) = 0;
  // The top-level window was activated or deactivated.
  virtual void window_activated(WindowRef window, bool active) = 0;
  // The top-level window itself received the keyboard focus (as it does on
  // activation); the frame passes the focus on to a control.
  virtual void window_focused(WindowRef window) = 0;
  // The user logs off or the system shuts down: may the window be ended?
  // (The frame always agrees.)
  virtual bool end_session_requested(WindowRef window) = 0;

 protected:
  ~WindowEvents() = default;
};

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // Where notifications go. Set once by the frame before anything is created.
  virtual void set_event_sink(WindowEvents& sink) = 0;

  // --- process services
  // Makes the folder that holds the program file the current directory.
  virtual bool change_to_program_directory() = 0;
  // The whole primary screen, not its work area.
  virtual Size screen_size() = 0;
  [[noreturn]] virtual void exit_process(int exit_code) = 0;

  // --- windows and controls
  // The top-level window, hidden and not activated, at the given outer
  // rectangle in screen coordinates. Returns none on failure.
  virtual WindowRef create_window(const WindowDesign& design, Rect outer) = 0;
  // A hidden child control of the given kind in `parent` at the design
  // rectangle; an edit box gets its design text without a change report.
  // Returns none on failure.
  virtual WindowRef create_control(WindowRef parent, const ControlDesign& design) = 0;
  virtual void set_parent(WindowRef child, WindowRef parent) = 0;
  // Stacks siblings of one parent, the first on top.
  virtual void stack(std::span<const WindowRef> top_to_bottom) = 0;
  // Makes a control visible without activating anything.
  virtual void show(WindowRef control) = 0;
  // Shows the top-level window in its normal state and activates it.
  virtual void show_and_activate(WindowRef window) = 0;
  // Destroys the top-level window together with all its controls.
  virtual void destroy(WindowRef window) = 0;
  virtual bool exists(WindowRef window) = 0;

  // Outer rectangle: of a control in its parent's client coordinates, of the
  // top-level window in screen coordinates.
  virtual Rect rect(WindowRef window) = 0;
  // Moves and sizes; repaints the window and the area it uncovers.
  virtual void move(WindowRef window, Rect outer) = 0;

  // Text as code page 936 bytes. set_text on an edit box reports the change
  // like a user edit would (edit_changed), synchronously.
  virtual Text text(WindowRef window) = 0;
  virtual void set_text(WindowRef window, const Text& text) = 0;

  virtual void set_focus(WindowRef control) = 0;
  virtual WindowRef focus() = 0;

  // (Re)starts the control's periodic timer, first expiry one period later;
  // at most one expiry is ever waiting.
  virtual void start_timer(WindowRef holder, unsigned period_ms) = 0;
  virtual void stop_timer(WindowRef holder) = 0;

  // --- the message loop
  // Waits (without polling) for the next message and takes it.
  virtual Message next_message() = 0;
  // Translates key presses into characters and dispatches the message that
  // next_message took last.
  virtual void dispatch() = 0;
  virtual void post_quit(int exit_code) = 0;

  // A modal message box with one OK button, no owner, task-modal; the
  // program's messages (timer expiries included) keep being dispatched while
  // it is open. Returns the index of the button that closed it (0 for OK).
  virtual int message_box(const Text& text, const Text& caption, BoxIcon icon) = 0;
};

}  // namespace halverne
