#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "app/window_system.h"
#include "calc/text.h"
#include "ui/controls.h"
#include "ui/layout.h"

namespace halverne {

// A scripted window system for tests of the frame and of the handlers. It
// records every operation the frame asks of it, in order, and plays a script
// of what the user and the system do. Time is the script's: it moves only by
// tick() and wait(), never by a clock.
//
//   FakeWindowSystem ws;
//   TestProgram program(ws);                   // or a real handler table
//   Frame frame(ws, program.program());
//   ws.type("1.7").press(KeyPress::Key::tab)   // the user, in order
//     .type("6").tick(3)
//     .answer_box()                            // closes the box that is open
//     .then([&] { EXPECT_EQ(ws.text_of(Control::编辑框3), "..."); })
//     .press(KeyPress::Key::escape);           // end the run, or it throws
//   EXPECT_EQ(ws.run_process([&] { return frame.run(); }), 0);
//   ws.calls();                                // "create_control 时钟1", ...
//
// The script is one queue. The frame's message loop takes its steps one by
// one; while a message box is open, the box's own loop takes them instead:
// ticks, waits and then() actions go on (nested inside the code that opened
// the box), answer_box() closes it, and user input is dropped because the
// disabled main window takes none (see dropped()). When the frame waits for a
// message and the script is empty, or answer_box() comes with no box open,
// the run throws ScriptError.
//
// Entries of calls(), one per operation (names are the layout names, "main"
// for the main window; texts are the raw code page 936 bytes):
//   change_to_program_directory    create_window <left>,<top> <width>x<height>
//   create_control <name>          set_parent <child> <parent>
//   stack <name> <name> ...        show <name>      show_and_activate main
//   move <name> <left>,<top> <width>x<height>       destroy <name>
//   set_text <name> <text>         set_focus <name>
//   start_timer <name> <ms>        stop_timer <name>
//   post_quit <code>               message_box <caption>
//   exit_process <code>            return <code>    (from run_process)
// Reads (text, rect, focus, exists, screen_size) are not recorded. note()
// adds an entry of the test's own, as TestProgram does for every handler.

// Thrown by exit_process(): the process ends here. Deliberately not an
// std::exception, so that no handler of the code under test catches it.
struct ProcessExit {
  int code;
};

// A script that does not fit what the program does.
class ScriptError : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

class FakeWindowSystem final : public WindowSystem {
 public:
  // --- set-up, before the run
  Size screen{1024, 768};
  // The outer size the platform gives the top-level window whatever it was
  // asked for (other decorations); none: as asked.
  std::optional<Size> platform_window_size;
  // Where a minimised top-level window is, and its size.
  Rect minimised_rect{-32000, -32000, 160, 28};
  // Makes create_window (main_window) or create_control fail for that control.
  void fail_creation_of(Control c);
  // Makes every later text read of that control throw AllocationFailure.
  void fail_text_read_of(Control c, std::size_t bytes);
  // Runs right after the window or a control has been created.
  std::function<void(Control)> after_create;
  // Off: operations are no longer journalled in calls(), for long runs such
  // as benchmarks, whose journal would only grow; note() still notes.
  bool journal = true;

  // --- the script; each call appends one or more steps and returns *this
  // One key press per character (a two-byte character is one) into the
  // focused control; an EditBox appends it and reports one change.
  FakeWindowSystem& type(std::string_view characters);
  // Ctrl+V into the focused EditBox: the whole text appended, one change.
  FakeWindowSystem& paste(std::string_view text);
  // Deletes the last character of the focused EditBox; a change only when
  // there was one.
  FakeWindowSystem& backspace();
  // A key press for the focused control; the frame sees it first. Anything
  // not consumed reaches the control, which does nothing with it.
  FakeWindowSystem& press(KeyPress key);
  FakeWindowSystem& press(KeyPress::Key key, bool shift = false);
  // Alt+F4: not consumed by the frame; the system makes a close request.
  FakeWindowSystem& alt_f4();
  // The close button (or the system menu's Close): a close request.
  FakeWindowSystem& close_button();
  // A mouse click into a control: an EditBox takes the focus (no frame call).
  FakeWindowSystem& click(Control c);
  // The user switches to another program, and back.
  FakeWindowSystem& deactivate();
  FakeWindowSystem& activate();
  // Minimises (deactivates; the rect becomes minimised_rect) and restores
  // (the old rect back; activates).
  FakeWindowSystem& minimise();
  FakeWindowSystem& restore();
  // The user logs off: asks the frame; the answers are in end_session_answers().
  FakeWindowSystem& log_off();
  // Time jumps to the next due expiry of any running timer, which arrives;
  // `count` times. ScriptError when no timer runs.
  FakeWindowSystem& tick(int count = 1);
  // `ms` milliseconds pass with the thread idle: every expiry due in them
  // arrives as its own message, in time order.
  FakeWindowSystem& wait(int ms);
  // Closes the message box that is open with the given button (0: OK).
  FakeWindowSystem& answer_box(int button = 0);
  // Runs the action in its turn (checks, or the system acting on its own).
  FakeWindowSystem& then(std::function<void()> action);

  // --- running
  // Calls `start` as the process would: the exit code it returns, or the one
  // given to exit_process().
  int run_process(const std::function<int()>& start);

  // --- what happened
  const std::vector<std::string>& calls() const { return calls_; }
  // The calls that start with `prefix`, in order.
  std::vector<std::string> calls_starting_with(std::string_view prefix) const;
  // The calls that start with any of the prefixes, in order.
  std::vector<std::string> calls_starting_with(
      std::initializer_list<std::string_view> prefixes) const;
  // Position of the first call equal to `entry`, or -1.
  std::ptrdiff_t index_of(std::string_view entry) const;
  void note(std::string entry) { calls_.push_back(std::move(entry)); }

  struct Box {
    Text text;
    Text caption;
    BoxIcon icon;
  };
  const std::vector<Box>& boxes() const { return boxes_; }
  bool box_open() const { return open_boxes_ > 0; }
  // Labels of script steps dropped because a message box was open.
  const std::vector<std::string>& dropped() const { return dropped_; }
  const std::vector<bool>& end_session_answers() const { return end_session_answers_; }
  std::size_t steps_left() const { return steps_.size(); }
  long long now() const { return now_ms_; }

  // The state of a window or control; after destruction, its last state.
  bool created(Control c) const;
  bool alive(Control c) const;
  bool visible(Control c) const;
  Text text_of(Control c) const;
  Rect rect_of(Control c) const;
  std::optional<Control> parent_of(Control c) const;
  // The last stacking order given for the children of `parent`, top first.
  std::vector<Control> stacking_of(Control parent) const;
  std::optional<Control> focused() const;
  bool active() const { return active_; }
  // The running timer's period, 0 when stopped.
  unsigned timer_period(Control c) const;
  WindowRef ref_of(Control c) const;

  // Notifications as the platform might send them on its own.
  void notify_edit_changed(Control c);
  void notify_timer_expired(Control c);

  // --- WindowSystem
  void set_event_sink(WindowEvents& sink) override { sink_ = &sink; }
  bool change_to_program_directory() override;
  Size screen_size() override { return screen; }
  [[noreturn]] void exit_process(int exit_code) override;
  WindowRef create_window(const WindowDesign& design, Rect outer) override;
  WindowRef create_control(WindowRef parent, const ControlDesign& design) override;
  void set_parent(WindowRef child, WindowRef parent) override;
  void stack(std::span<const WindowRef> top_to_bottom) override;
  void show(WindowRef control) override;
  void show_and_activate(WindowRef window) override;
  void destroy(WindowRef window) override;
  bool exists(WindowRef window) override;
  Rect rect(WindowRef window) override;
  void move(WindowRef window, Rect outer) override;
  Text text(WindowRef window) override;
  void set_text(WindowRef window, const Text& text) override;
  void set_focus(WindowRef control) override;
  WindowRef focus() override { return focus_; }
  void start_timer(WindowRef holder, unsigned period_ms) override;
  void stop_timer(WindowRef holder) override;
  Message next_message() override;
  void dispatch() override;
  void post_quit(int exit_code) override;
  int message_box(const Text& text, const Text& caption, BoxIcon icon) override;

 private:
  struct Window {
    Control id;
    std::string name;  // layout name, UTF-8; "main" for the main window
    Kind kind;
    WindowRef ref;
    WindowRef parent;
    Rect rect;
    Text text;
    bool visible = false;
    bool alive = true;
    unsigned timer_period = 0;  // 0: stopped
    long long timer_due = 0;
  };

  struct Step {
    enum class What { input, tick, wait, answer, action };
    What what;
    std::string label;
    std::optional<KeyPress> key;     // input that arrives as a key press
    std::function<void()> effect;    // input: what dispatch() does; action
    int amount = 0;                  // wait: ms; answer: button
    std::optional<long long> until;  // wait: set when the step starts
  };

  FakeWindowSystem& add_input(std::string label, std::optional<KeyPress> key,
                              std::function<void()> effect);
  WindowRef add_window(Control id, std::string name, Kind kind, WindowRef parent, Rect rect,
                       Text text);
  Window* find(WindowRef ref);
  const Window* find(Control c) const;
  Window& get(WindowRef ref, const char* operation);
  Window* main_window();
  Window* focused_edit();
  void record(std::string entry) {
    if (journal) calls_.push_back(std::move(entry));
  }
  WindowEvents& sink();
  // Takes the next timer expiry of a tick or wait step at the front, or
  // finishes the step (pops it) and returns none.
  std::optional<WindowRef> take_expiry(Step& step);
  void deliver_expiry(WindowRef holder);
  void activate_main();
  void deactivate_main();

  WindowEvents* sink_ = nullptr;
  std::vector<Window> windows_;
  std::map<Control, std::vector<Control>> stacking_;
  std::map<Control, std::size_t> failing_text_reads_;
  std::vector<Control> failing_creations_;
  std::deque<Step> steps_;
  std::function<void()> current_;  // what dispatch() does with the last message
  std::optional<int> quit_;
  WindowRef focus_ = WindowRef::none;
  bool active_ = false;
  std::optional<Rect> restored_rect_;
  long long now_ms_ = 0;
  int open_boxes_ = 0;
  std::vector<std::string> calls_;
  std::vector<Box> boxes_;
  std::vector<std::string> dropped_;
  std::vector<bool> end_session_answers_;
};

}  // namespace halverne
