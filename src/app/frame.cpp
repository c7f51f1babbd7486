#include "app/frame.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>

#include "app/fp_env.h"
#include "app/frame_texts.h"

namespace halverne {
namespace {

// Event 0 of each kind: creation-complete of a window, content-changed of an
// EditBox, tick of a Timer. Labels and ShapeBoxes raise nothing here.
constexpr int kBoundEvent = 0;

bool has_bound_event(Kind kind) {
  return kind == Kind::window || kind == Kind::EditBox || kind == Kind::Timer;
}

// A number written to an integer property: truncated toward zero, then
// clamped. NaN counts as the lowest value, as the x87's integer-indefinite
// result would.
std::int32_t to_property_integer(double value, std::int32_t low, std::int32_t high) {
  if (!(value > low)) return low;
  if (value >= high) return high;
  return static_cast<std::int32_t>(std::trunc(value));
}

constexpr std::int32_t kCoordinateLimit = 32627;  // 32627, not 32767

}  // namespace

Frame::Frame(WindowSystem& ws, const Program& program)
    : ws_(ws),
      design_(program.design),
      handlers_(program.handlers),
      start_hook_(program.start_hook),
      end_hook_(program.end_hook) {
  ws_.set_event_sink(*this);
}

// ---------------------------------------------------------------------------
// The start routine and the end of the program.

int Frame::run() {
  initialise();                        // current directory, layout, bindings
  reset_floating_point_environment();  // unchanged from here on
  if (start_hook_ != nullptr) start_hook_();
  if (end_hook_ != nullptr) register_end_hook(end_hook_);
  load_window();
  run_message_loop();  // until the main window is gone
  return end_program();
}

void Frame::initialise() {
  // The program reads no files, so a folder it cannot enter changes nothing
  // it does; only the layout data can fail here.
  static_cast<void>(ws_.change_to_program_directory());
  if (!resolve_bindings()) fatal_error(Text(frame_texts::layout_data_failed));
}

// Reads the layout: every control named once, every parent a control of the
// layout, every binding an event this frame raises and a handler of the table.
bool Frame::resolve_bindings() {
  controls_ = {};
  focus_order_.clear();

  auto bind = [this](ControlState& s, std::span<const Binding> bindings) {
    for (const Binding& b : bindings) {
      if (b.event != kBoundEvent || !has_bound_event(s.kind) || s.handler != nullptr) return false;
      const auto entry = std::find_if(handlers_.begin(), handlers_.end(),
                                      [&](const HandlerEntry& e) { return e.name == b.handler; });
      if (entry == handlers_.end() || entry->handler == nullptr) return false;
      s.handler = entry->handler;
    }
    return true;
  };

  if (!bind(state(Control::main_window), design_.bindings)) return false;
  for (const ControlDesign& d : design_.controls) {
    const auto index = static_cast<std::size_t>(d.id);
    if (d.id == Control::main_window || index >= controls_.size() ||
        controls_[index].design != nullptr || d.kind == Kind::window)
      return false;
    ControlState& s = controls_[index];
    s.design = &d;
    s.kind = d.kind;
    if (!bind(s, d.bindings)) return false;
  }
  for (const ControlDesign& d : design_.controls) {
    const auto parent = static_cast<std::size_t>(d.parent);
    if (d.parent == d.id || parent >= controls_.size()) return false;
    if (d.parent != Control::main_window && controls_[parent].design == nullptr) return false;
  }

  // The focus order: visible tab stops that are not timers, by tab order
  // value; among equal values the later control in the layout comes first.
  for (auto d = design_.controls.rbegin(); d != design_.controls.rend(); ++d) {
    if (d->visible && d->tab_stop && d->kind != Kind::Timer) focus_order_.push_back(d->id);
  }
  std::stable_sort(focus_order_.begin(), focus_order_.end(), [this](Control a, Control b) {
    return state(a).design->tab_order < state(b).design->tab_order;
  });
  return true;
}

void Frame::register_end_hook(Routine routine) {
  if (std::find(end_hooks_.begin(), end_hooks_.end(), routine) == end_hooks_.end()) {
    end_hooks_.push_back(routine);
  }
}

// The normal end, after the message loop has taken the quit request.
int Frame::end_program() {
  ++event_gate_;  // for good: no event reaches a handler from here on
  // By index: a hook may register another one, which then runs too.
  for (std::size_t i = 0; i < end_hooks_.size(); ++i) end_hooks_[i]();
  end_hooks_.clear();
  return exit_code_;  // carried by the quit request
}

// ---------------------------------------------------------------------------
// Loading the main window.

void Frame::load_window() {
  ++event_gate_;  // nothing reaches a handler while the window is built
  if (!create_window_and_controls()) fatal_error(Text(frame_texts::load_window_failed));

  // Into the design parents, then each parent's children stacked in layout
  // order, the first on top.
  for (const ControlDesign& d : design_.controls) {
    if (d.parent != Control::main_window) ws_.set_parent(state(d.id).ref, state(d.parent).ref);
  }
  std::vector<WindowRef> siblings;
  auto stack_children_of = [&](Control parent) {
    siblings.clear();
    for (const ControlDesign& d : design_.controls) {
      if (d.parent == parent) siblings.push_back(state(d.id).ref);
    }
    if (!siblings.empty()) ws_.stack(siblings);
  };
  stack_children_of(Control::main_window);
  for (const ControlDesign& d : design_.controls) stack_children_of(d.id);

  for (const ControlDesign& d : design_.controls) {
    if (d.visible) ws_.show(state(d.id).ref);
  }

  --event_gate_;
  raise_event(Control::main_window, kBoundEvent);  // creation-complete
  // The start handler may have waited in a modal box, and the window may be
  // gone by now.
  if (main_window_ != WindowRef::none && ws_.exists(main_window_)) {
    ws_.show_and_activate(main_window_);  // the focus follows (window_focused)
  }
}

// The window hidden and centred, then every control hidden, in the reverse
// of layout order. False when the window system cannot create one of them.
bool Frame::create_window_and_controls() {
  try {
    const Rect outer = centred_window_rect();
    main_window_ = ws_.create_window(design_, outer);
    if (main_window_ == WindowRef::none) return false;
    state(Control::main_window).ref = main_window_;
    // Decorations of another size may have changed the outer size: the
    // layout needs its outer 307 x 189, at the same place.
    const Rect made = ws_.rect(main_window_);
    if (made.width != outer.width || made.height != outer.height) ws_.move(main_window_, outer);

    for (auto d = design_.controls.rbegin(); d != design_.controls.rend(); ++d) {
      const WindowRef ref = ws_.create_control(main_window_, *d);
      if (ref == WindowRef::none) return false;
      state(d->id).ref = ref;
    }
  } catch (const AllocationFailure& failure) {
    allocation_failed(failure.bytes);
  }
  return true;
}

// The design left and top are ignored: the outer rectangle is centred on the
// whole primary screen, each quotient truncated toward zero.
Rect Frame::centred_window_rect() {
  const Size screen = ws_.screen_size();
  return Rect{(screen.width - design_.width) / 2, (screen.height - design_.height) / 2,
              design_.width, design_.height};
}

// ---------------------------------------------------------------------------
// Events.

void Frame::raise_event(Control source, int event) {
  if (event_gate_ > 0) return;  // dropped, not kept for later
  const auto index = static_cast<std::size_t>(source);
  if (event != kBoundEvent || index >= controls_.size()) return;
  const Handler handler = controls_[index].handler;
  if (handler == nullptr) return;
  // At once, inside the notification that caused the event. No guard against
  // nesting: a handler waiting in a modal box gets further events inside it.
  handler(*this);
}

void Frame::edit_changed(WindowRef edit) {
  ControlState* s = find(edit);
  if (s == nullptr || s->kind != Kind::EditBox) return;
  // The program's own write raises its event itself, once the flag is down.
  if (s->own_write) return;
  raise_event(s->design->id, kBoundEvent);
}

void Frame::timer_expired(WindowRef holder) {
  ControlState* s = find(holder);
  if (s == nullptr || s->kind != Kind::Timer) return;
  raise_event(s->design->id, kBoundEvent);
}

// ---------------------------------------------------------------------------
// The message loop and the keys the main window handles itself.

void Frame::run_message_loop() {
  loop_started_ = true;
  if (main_window_ == WindowRef::none) return;
  for (;;) {
    const Message message = ws_.next_message();
    if (message.kind == Message::Kind::quit) {
      exit_code_ = message.exit_code;
      return;
    }
    if (message.kind == Message::Kind::key && is_ours(message.target) &&
        pre_handle_key(message.key))
      continue;
    ws_.dispatch();
  }
}

// A key press for the main window or one of its controls, before the focused
// control sees it. True when the main window has consumed it.
bool Frame::pre_handle_key(const KeyPress& key) {
  const bool no_other_modifier = !key.control && !key.alt;
  if (key.key == KeyPress::Key::tab && no_other_modifier) {
    move_focus(key.shift ? -1 : 1);
    return true;
  }
  if (key.key == KeyPress::Key::escape && no_other_modifier && !key.shift) {
    close_main_window();
    return true;
  }
  return false;  // Enter, Shift+Esc, Alt+F4, ...: on to the focused control
}

void Frame::move_focus(int step) {
  if (focus_order_.empty()) return;
  const auto count = static_cast<std::ptrdiff_t>(focus_order_.size());
  const WindowRef current = ws_.focus();
  const auto at = std::find_if(focus_order_.begin(), focus_order_.end(),
                               [&](Control c) { return state(c).ref == current; });
  std::ptrdiff_t next = 0;
  if (at == focus_order_.end()) {
    next = step > 0 ? 0 : count - 1;  // from outside the cycle: its first or last
  } else {
    next = ((at - focus_order_.begin()) + step + count) % count;
  }
  ws_.set_focus(state(focus_order_[static_cast<std::size_t>(next)]).ref);
}

void Frame::window_activated(WindowRef window, bool active) {
  if (window != main_window_ || active) return;
  const WindowRef focused = ws_.focus();
  last_focus_ = find(focused) != nullptr ? focused : WindowRef::none;
}

// The main window passes the focus on: back to the control that had it at
// the last deactivation, or to the first of the focus order.
void Frame::window_focused(WindowRef window) {
  if (window != main_window_ || main_window_ == WindowRef::none) return;
  WindowRef target = WindowRef::none;
  if (last_focus_ != WindowRef::none && find(last_focus_) != nullptr && ws_.exists(last_focus_)) {
    target = last_focus_;
  } else if (!focus_order_.empty()) {
    target = state(focus_order_.front()).ref;
  }
  if (target != WindowRef::none) ws_.set_focus(target);
}

// ---------------------------------------------------------------------------
// Shut-down.

// Close button, Alt+F4, the system menu or Esc: no confirmation, and nothing
// can refuse.
void Frame::close_requested(WindowRef window) {
  if (window == main_window_) close_main_window();
}

void Frame::close_main_window() {
  if (main_window_ != WindowRef::none) ws_.destroy(main_window_);  // controls and timer go with it
}

void Frame::window_destroyed(WindowRef window) {
  if (window != main_window_ || main_window_ == WindowRef::none) return;
  main_window_ = WindowRef::none;
  for (ControlState& s : controls_) s.ref = WindowRef::none;
  last_focus_ = WindowRef::none;
  // The last loaded window is gone; before the loop runs there is no loop to end.
  if (loop_started_) ws_.post_quit(0);
}

bool Frame::end_session_requested(WindowRef) { return true; }

// ---------------------------------------------------------------------------
// Fatal errors.

void Frame::fatal_error(const Text& message, std::int32_t error_code) {
  ++event_gate_;  // for good: no handler runs while the box is open, nor after
  Text text(frame_texts::runtime_error);
  if (error_code != 0) {
    text += frame_texts::error_code_label;
    text += std::to_string(error_code);
    text += "\r\n\r\n";
  }
  if (!message.empty()) {
    text += frame_texts::error_message_label;
    text += message;
    text += "\r\n";
  }
  try {
    ws_.message_box(text, Text(frame_texts::error_caption), BoxIcon::error);
  } catch (const AllocationFailure&) {
    // The process ends either way.
  }
  end_hooks_.clear();  // the end hook does not run after a fatal error
  ws_.exit_process(-1);
  std::abort();  // not reached: exit_process does not return
}

void Frame::allocation_failed(std::size_t bytes) {
  Text message(frame_texts::allocation_failed_before);
  message += std::to_string(bytes);
  message += frame_texts::allocation_failed_after;
  fatal_error(message);
}

// ---------------------------------------------------------------------------
// Property access.

Frame::ControlState* Frame::find(WindowRef ref) {
  if (ref == WindowRef::none) return nullptr;
  for (ControlState& s : controls_) {
    if (s.ref == ref && s.design != nullptr) return &s;
  }
  return nullptr;
}

bool Frame::is_ours(WindowRef ref) {
  return ref != WindowRef::none && (ref == main_window_ || find(ref) != nullptr);
}

// The control's window, or none while the loading has not created it yet.
// Access to any control while the main window is not loaded is fatal.
WindowRef Frame::loaded_control(Control c) {
  const auto index = static_cast<std::size_t>(c);
  if (main_window_ == WindowRef::none || index >= controls_.size()) {
    fatal_error(Text(frame_texts::window_not_loaded));
  }
  const ControlState& s = controls_[index];
  if (s.ref == WindowRef::none && s.design == nullptr && c != Control::main_window) {
    fatal_error(Text(frame_texts::control_not_created));  // not in the layout at all
  }
  return s.ref;
}

// The kind-specific properties (text, timer period) need the window itself.
WindowRef Frame::created_control(Control c) {
  const WindowRef ref = loaded_control(c);
  if (ref == WindowRef::none) fatal_error(Text(frame_texts::control_not_created));
  return ref;
}

namespace {
Rect design_rect(const ControlDesign& d) { return Rect{d.left, d.top, d.width, d.height}; }
}  // namespace

std::int32_t Frame::left(Control c) {
  const WindowRef ref = loaded_control(c);
  return ref != WindowRef::none ? ws_.rect(ref).left : design_rect(*state(c).design).left;
}

std::int32_t Frame::top(Control c) {
  const WindowRef ref = loaded_control(c);
  return ref != WindowRef::none ? ws_.rect(ref).top : design_rect(*state(c).design).top;
}

std::int32_t Frame::width(Control c) {
  const WindowRef ref = loaded_control(c);
  return ref != WindowRef::none ? ws_.rect(ref).width : design_rect(*state(c).design).width;
}

std::int32_t Frame::height(Control c) {
  const WindowRef ref = loaded_control(c);
  return ref != WindowRef::none ? ws_.rect(ref).height : design_rect(*state(c).design).height;
}

void Frame::set_left(Control c, double value) {
  set_coordinate(c, &Rect::left, value, -kCoordinateLimit, kCoordinateLimit);
}
void Frame::set_top(Control c, double value) {
  set_coordinate(c, &Rect::top, value, -kCoordinateLimit, kCoordinateLimit);
}
void Frame::set_width(Control c, double value) {
  set_coordinate(c, &Rect::width, value, 0, kCoordinateLimit);
}
void Frame::set_height(Control c, double value) {
  set_coordinate(c, &Rect::height, value, 0, kCoordinateLimit);
}

// One axis moves; the others stay where the window system has them now.
void Frame::set_coordinate(Control c, int Rect::*field, double value, int low, int high) {
  const std::int32_t v = to_property_integer(value, low, high);
  const WindowRef ref = loaded_control(c);
  if (ref == WindowRef::none) return;  // only while loading, when no handler runs
  Rect outer = ws_.rect(ref);
  outer.*field = v;
  ws_.move(ref, outer);
}

Text Frame::text(Control c) {
  const WindowRef ref = created_control(c);
  try {
    return ws_.text(ref);
  } catch (const AllocationFailure& failure) {
    allocation_failed(failure.bytes);
  }
}

void Frame::set_text(Control c, const Text& value) {
  const WindowRef ref = created_control(c);
  ControlState& s = state(c);
  try {
    if (s.kind != Kind::EditBox) {
      ws_.set_text(ref, value);
      return;
    }
    s.own_write = true;
    ws_.set_text(ref, value);  // its change report is dropped: the flag is up
    s.own_write = false;
  } catch (const AllocationFailure& failure) {
    allocation_failed(failure.bytes);
  }
  // Exactly one event per write, after the text is in place, changed or not.
  raise_event(c, kBoundEvent);
}

void Frame::set_timer_period(Control c, double milliseconds) {
  const WindowRef ref = created_control(c);
  ControlState& s = state(c);
  if (s.kind != Kind::Timer) return;
  const std::int32_t period =
      to_property_integer(milliseconds, 0, std::numeric_limits<std::int32_t>::max());
  if (period == s.timer_period) return;  // the same value changes nothing
  s.timer_period = period;
  if (period == 0) {
    ws_.stop_timer(ref);
  } else {
    ws_.start_timer(ref, static_cast<unsigned>(period));  // first tick one period later
  }
}

int Frame::message_box(const Text& text, const Text& caption) {
  try {
    return ws_.message_box(text, caption, BoxIcon::none);
  } catch (const AllocationFailure& failure) {
    allocation_failed(failure.bytes);
  }
}

}  // namespace halverne
