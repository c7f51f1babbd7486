#include "support/fake_window_system.h"

#include <algorithm>
#include <utility>

namespace halverne {
namespace {

std::string rect_string(Rect r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.width) +
         "x" + std::to_string(r.height);
}

// Handles are spaced out and offset so that a frame mixing up handles and
// control indices cannot pass by chance.
constexpr std::uintptr_t kFirstHandle = 0x1000;
constexpr std::uintptr_t kHandleStep = 0x10;

}  // namespace

// ---------------------------------------------------------------------------
// Set-up

void FakeWindowSystem::fail_creation_of(Control c) { failing_creations_.push_back(c); }

void FakeWindowSystem::fail_text_read_of(Control c, std::size_t bytes) {
  failing_text_reads_[c] = bytes;
}

// ---------------------------------------------------------------------------
// The script

FakeWindowSystem& FakeWindowSystem::add_input(std::string label, std::optional<KeyPress> key,
                                              std::function<void()> effect) {
  steps_.push_back(
      Step{Step::What::input, std::move(label), key, std::move(effect), 0, std::nullopt});
  return *this;
}

FakeWindowSystem& FakeWindowSystem::type(std::string_view characters) {
  for (std::size_t i = 0; i < characters.size();) {
    // A byte from 0x81 up starts a two-byte character in code page 936.
    const std::size_t length =
        static_cast<unsigned char>(characters[i]) >= 0x81 && i + 1 < characters.size() ? 2 : 1;
    const std::string character(characters.substr(i, length));
    i += length;
    add_input("type " + character, KeyPress{}, [this, character] {
      if (Window* edit = focused_edit()) {
        edit->text += character;
        sink().edit_changed(edit->ref);
      }
    });
  }
  return *this;
}

FakeWindowSystem& FakeWindowSystem::paste(std::string_view text) {
  KeyPress ctrl_v;
  ctrl_v.control = true;
  return add_input("paste " + std::string(text), ctrl_v, [this, pasted = std::string(text)] {
    if (Window* edit = focused_edit()) {
      edit->text += pasted;
      sink().edit_changed(edit->ref);
    }
  });
}

FakeWindowSystem& FakeWindowSystem::backspace() {
  return add_input("backspace", KeyPress{}, [this] {
    Window* edit = focused_edit();
    if (edit == nullptr || edit->text.empty()) return;
    // Find where the last character starts by walking from the front.
    std::size_t last = 0;
    for (std::size_t i = 0; i < edit->text.size();) {
      last = i;
      i += static_cast<unsigned char>(edit->text[i]) >= 0x81 && i + 1 < edit->text.size() ? 2u : 1u;
    }
    edit->text.erase(last);
    sink().edit_changed(edit->ref);
  });
}

FakeWindowSystem& FakeWindowSystem::press(KeyPress key) {
  return add_input("press", key, [] {});  // a single-line edit box ignores what reaches it here
}

FakeWindowSystem& FakeWindowSystem::press(KeyPress::Key key, bool shift) {
  KeyPress k;
  k.key = key;
  k.shift = shift;
  return press(k);
}

FakeWindowSystem& FakeWindowSystem::alt_f4() {
  KeyPress k;
  k.alt = true;
  return add_input("alt_f4", k, [this] {
    if (Window* w = main_window(); w != nullptr && w->alive) sink().close_requested(w->ref);
  });
}

FakeWindowSystem& FakeWindowSystem::close_button() {
  return add_input("close_button", std::nullopt, [this] {
    if (Window* w = main_window(); w != nullptr && w->alive) sink().close_requested(w->ref);
  });
}

FakeWindowSystem& FakeWindowSystem::click(Control c) {
  return add_input("click", std::nullopt, [this, c] {
    const Window* w = find(c);
    if (w != nullptr && w->alive && w->visible && w->kind == Kind::EditBox) focus_ = w->ref;
  });
}

FakeWindowSystem& FakeWindowSystem::deactivate() {
  return add_input("deactivate", std::nullopt, [this] { deactivate_main(); });
}

FakeWindowSystem& FakeWindowSystem::activate() {
  return add_input("activate", std::nullopt, [this] { activate_main(); });
}

FakeWindowSystem& FakeWindowSystem::minimise() {
  return add_input("minimise", std::nullopt, [this] {
    Window* w = main_window();
    if (w == nullptr || !w->alive || restored_rect_) return;
    deactivate_main();
    restored_rect_ = w->rect;
    w->rect = minimised_rect;
  });
}

FakeWindowSystem& FakeWindowSystem::restore() {
  return add_input("restore", std::nullopt, [this] {
    Window* w = main_window();
    if (w == nullptr || !w->alive || !restored_rect_) return;
    w->rect = *restored_rect_;
    restored_rect_.reset();
    activate_main();
  });
}

FakeWindowSystem& FakeWindowSystem::log_off() {
  return add_input("log_off", std::nullopt, [this] {
    if (Window* w = main_window(); w != nullptr && w->alive) {
      end_session_answers_.push_back(sink().end_session_requested(w->ref));
    }
  });
}

FakeWindowSystem& FakeWindowSystem::tick(int count) {
  for (int i = 0; i < count; ++i)
    steps_.push_back(Step{Step::What::tick, "tick", std::nullopt, {}, 0, std::nullopt});
  return *this;
}

FakeWindowSystem& FakeWindowSystem::wait(int ms) {
  steps_.push_back(Step{Step::What::wait, "wait", std::nullopt, {}, ms, std::nullopt});
  return *this;
}

FakeWindowSystem& FakeWindowSystem::answer_box(int button) {
  steps_.push_back(Step{Step::What::answer, "answer_box", std::nullopt, {}, button, std::nullopt});
  return *this;
}

FakeWindowSystem& FakeWindowSystem::then(std::function<void()> action) {
  steps_.push_back(
      Step{Step::What::action, "then", std::nullopt, std::move(action), 0, std::nullopt});
  return *this;
}

int FakeWindowSystem::run_process(const std::function<int()>& start) {
  try {
    const int code = start();
    record("return " + std::to_string(code));
    return code;
  } catch (const ProcessExit& exit) {
    return exit.code;
  }
}

// ---------------------------------------------------------------------------
// Inspection

std::vector<std::string> FakeWindowSystem::calls_starting_with(std::string_view prefix) const {
  return calls_starting_with({prefix});
}

std::vector<std::string> FakeWindowSystem::calls_starting_with(
    std::initializer_list<std::string_view> prefixes) const {
  std::vector<std::string> out;
  for (const std::string& c : calls_) {
    for (std::string_view prefix : prefixes) {
      if (std::string_view(c).substr(0, prefix.size()) == prefix) {
        out.push_back(c);
        break;
      }
    }
  }
  return out;
}

std::ptrdiff_t FakeWindowSystem::index_of(std::string_view entry) const {
  const auto it = std::find(calls_.begin(), calls_.end(), entry);
  return it == calls_.end() ? -1 : it - calls_.begin();
}

const FakeWindowSystem::Window* FakeWindowSystem::find(Control c) const {
  // The latest window of that control.
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
    if (it->id == c) return &*it;
  }
  return nullptr;
}

bool FakeWindowSystem::created(Control c) const { return find(c) != nullptr; }
bool FakeWindowSystem::alive(Control c) const {
  const Window* w = find(c);
  return w != nullptr && w->alive;
}

bool FakeWindowSystem::visible(Control c) const {
  const Window* w = find(c);
  return w != nullptr && w->visible;
}

Text FakeWindowSystem::text_of(Control c) const {
  const Window* w = find(c);
  if (w == nullptr) throw ScriptError("text_of: control never created");
  return w->text;
}

Rect FakeWindowSystem::rect_of(Control c) const {
  const Window* w = find(c);
  if (w == nullptr) throw ScriptError("rect_of: control never created");
  return w->rect;
}

std::optional<Control> FakeWindowSystem::parent_of(Control c) const {
  const Window* w = find(c);
  if (w == nullptr) return std::nullopt;
  for (const Window& p : windows_) {
    if (p.ref == w->parent) return p.id;
  }
  return std::nullopt;
}

std::vector<Control> FakeWindowSystem::stacking_of(Control parent) const {
  const auto it = stacking_.find(parent);
  return it == stacking_.end() ? std::vector<Control>{} : it->second;
}

std::optional<Control> FakeWindowSystem::focused() const {
  for (const Window& w : windows_) {
    if (w.ref == focus_) return w.id;
  }
  return std::nullopt;
}

unsigned FakeWindowSystem::timer_period(Control c) const {
  const Window* w = find(c);
  return w != nullptr && w->alive ? w->timer_period : 0;
}

WindowRef FakeWindowSystem::ref_of(Control c) const {
  const Window* w = find(c);
  return w != nullptr ? w->ref : WindowRef::none;
}

void FakeWindowSystem::notify_edit_changed(Control c) { sink().edit_changed(ref_of(c)); }
void FakeWindowSystem::notify_timer_expired(Control c) { sink().timer_expired(ref_of(c)); }

// ---------------------------------------------------------------------------
// WindowSystem

bool FakeWindowSystem::change_to_program_directory() {
  record("change_to_program_directory");
  return true;
}

void FakeWindowSystem::exit_process(int exit_code) {
  record("exit_process " + std::to_string(exit_code));
  throw ProcessExit{exit_code};
}

WindowRef FakeWindowSystem::add_window(Control id, std::string name, Kind kind, WindowRef parent,
                                       Rect rect, Text text) {
  const auto ref = static_cast<WindowRef>(kFirstHandle + kHandleStep * windows_.size());
  windows_.push_back(Window{id, std::move(name), kind, ref, parent, rect, std::move(text)});
  if (after_create) after_create(id);
  return ref;
}

WindowRef FakeWindowSystem::create_window(const WindowDesign& design, Rect outer) {
  record("create_window " + rect_string(outer));
  if (std::find(failing_creations_.begin(), failing_creations_.end(), Control::main_window) !=
      failing_creations_.end())
    return WindowRef::none;
  if (platform_window_size) {
    outer.width = platform_window_size->width;
    outer.height = platform_window_size->height;
  }
  return add_window(Control::main_window, "main", Kind::window, WindowRef::none, outer,
                    Text(design.text));
}

WindowRef FakeWindowSystem::create_control(WindowRef parent, const ControlDesign& design) {
  record("create_control " + std::string(design.name));
  get(parent, "create_control");
  if (std::find(failing_creations_.begin(), failing_creations_.end(), design.id) !=
      failing_creations_.end())
    return WindowRef::none;
  return add_window(design.id, std::string(design.name), design.kind, parent,
                    Rect{design.left, design.top, design.width, design.height}, Text(design.text));
}

void FakeWindowSystem::set_parent(WindowRef child, WindowRef parent) {
  Window& c = get(child, "set_parent");
  const Window& p = get(parent, "set_parent");
  record("set_parent " + c.name + " " + p.name);
  c.parent = parent;
}

void FakeWindowSystem::stack(std::span<const WindowRef> top_to_bottom) {
  std::string entry = "stack";
  std::vector<Control> order;
  std::optional<Control> parent;
  for (WindowRef ref : top_to_bottom) {
    const Window& w = get(ref, "stack");
    entry += " " + w.name;
    order.push_back(w.id);
    for (const Window& p : windows_) {
      if (p.ref == w.parent) {
        if (parent && *parent != p.id) throw ScriptError("stack: windows of different parents");
        parent = p.id;
      }
    }
  }
  record(entry);
  if (parent) stacking_[*parent] = order;
}

void FakeWindowSystem::show(WindowRef control) {
  Window& w = get(control, "show");
  record("show " + w.name);
  w.visible = true;
}

void FakeWindowSystem::show_and_activate(WindowRef window) {
  Window& w = get(window, "show_and_activate");
  record("show_and_activate " + w.name);
  w.visible = true;
  activate_main();
}

void FakeWindowSystem::destroy(WindowRef window) {
  Window& w = get(window, "destroy");
  record("destroy " + w.name);
  // The window and everything below it; timers stop with their controls.
  std::vector<WindowRef> doomed{window};
  for (std::size_t i = 0; i < doomed.size(); ++i) {
    for (Window& child : windows_) {
      if (child.alive && child.parent == doomed[i]) doomed.push_back(child.ref);
    }
  }
  for (Window& d : windows_) {
    if (std::find(doomed.begin(), doomed.end(), d.ref) == doomed.end()) continue;
    d.alive = false;
    d.timer_period = 0;
    if (focus_ == d.ref) focus_ = WindowRef::none;
  }
  if (w.id == Control::main_window) active_ = false;
  sink().window_destroyed(window);
}

bool FakeWindowSystem::exists(WindowRef window) {
  const Window* w = find(window);
  return w != nullptr && w->alive;
}

Rect FakeWindowSystem::rect(WindowRef window) { return get(window, "rect").rect; }

void FakeWindowSystem::move(WindowRef window, Rect outer) {
  Window& w = get(window, "move");
  record("move " + w.name + " " + rect_string(outer));
  w.rect = outer;
}

Text FakeWindowSystem::text(WindowRef window) {
  const Window& w = get(window, "text");
  if (const auto it = failing_text_reads_.find(w.id); it != failing_text_reads_.end()) {
    throw AllocationFailure{it->second};
  }
  return w.text;
}

void FakeWindowSystem::set_text(WindowRef window, const Text& text) {
  Window& w = get(window, "set_text");
  record("set_text " + w.name + " " + text);
  w.text = text;
  if (w.kind == Kind::EditBox)
    sink().edit_changed(window);  // like any change, even to the same text
}

void FakeWindowSystem::set_focus(WindowRef control) {
  Window& w = get(control, "set_focus");
  record("set_focus " + w.name);
  focus_ = control;
}

void FakeWindowSystem::start_timer(WindowRef holder, unsigned period_ms) {
  Window& w = get(holder, "start_timer");
  record("start_timer " + w.name + " " + std::to_string(period_ms));
  w.timer_period = period_ms;
  w.timer_due = now_ms_ + period_ms;
}

void FakeWindowSystem::stop_timer(WindowRef holder) {
  Window& w = get(holder, "stop_timer");
  record("stop_timer " + w.name);
  w.timer_period = 0;
}

Message FakeWindowSystem::next_message() {
  current_ = nullptr;
  for (;;) {
    if (quit_) {
      Message quit;
      quit.kind = Message::Kind::quit;
      quit.exit_code = *quit_;
      quit_.reset();
      return quit;
    }
    if (steps_.empty()) {
      throw ScriptError(
          "the message loop waits, but the script has ended (end it with a close request)");
    }
    Step& step = steps_.front();
    switch (step.what) {
      case Step::What::action: {
        const auto action = std::move(step.effect);
        steps_.pop_front();
        action();
        continue;
      }
      case Step::What::answer:
        throw ScriptError("answer_box() with no message box open");
      case Step::What::tick:
      case Step::What::wait:
        if (const auto holder = take_expiry(step)) {
          current_ = [this, h = *holder] { deliver_expiry(h); };
          Message m;
          m.target = *holder;
          return m;
        }
        continue;
      case Step::What::input: {
        Message m;
        if (step.key) {
          m.kind = Message::Kind::key;
          m.key = *step.key;
          m.target = focus_ != WindowRef::none ? focus_ : ref_of(Control::main_window);
        } else {
          m.target = ref_of(Control::main_window);
        }
        current_ = std::move(step.effect);
        steps_.pop_front();
        return m;
      }
    }
  }
}

void FakeWindowSystem::dispatch() {
  if (!current_) throw ScriptError("dispatch() without a message");
  const auto effect = std::move(current_);
  current_ = nullptr;
  effect();
}

void FakeWindowSystem::post_quit(int exit_code) {
  record("post_quit " + std::to_string(exit_code));
  quit_ = exit_code;
}

int FakeWindowSystem::message_box(const Text& text, const Text& caption, BoxIcon icon) {
  record("message_box " + caption);
  boxes_.push_back(Box{text, caption, icon});
  // The box becomes the active window: the main window (if it was active)
  // is deactivated while its focus is still where the user left it.
  const bool was_active = active_;
  if (was_active) deactivate_main();
  ++open_boxes_;

  // The box's own loop: timers keep running, the disabled main window takes
  // no input. A quit request stays pending for the outer loop.
  int button = 0;
  for (bool open = true; open;) {
    if (steps_.empty())
      throw ScriptError("a message box is open, but the script has ended (add answer_box())");
    Step& step = steps_.front();
    switch (step.what) {
      case Step::What::answer:
        button = step.amount;
        steps_.pop_front();
        open = false;
        break;
      case Step::What::action: {
        const auto action = std::move(step.effect);
        steps_.pop_front();
        action();
        break;
      }
      case Step::What::tick:
      case Step::What::wait:
        if (const auto holder = take_expiry(step)) deliver_expiry(*holder);
        break;
      case Step::What::input:
        dropped_.push_back(step.label);
        steps_.pop_front();
        break;
    }
  }

  --open_boxes_;
  if (was_active) activate_main();
  return button;
}

// ---------------------------------------------------------------------------
// Helpers

std::optional<WindowRef> FakeWindowSystem::take_expiry(Step& step) {
  Window* next = nullptr;
  for (Window& w : windows_) {
    if (w.alive && w.timer_period > 0 && (next == nullptr || w.timer_due < next->timer_due))
      next = &w;
  }
  if (step.what == Step::What::tick) {
    if (next == nullptr) throw ScriptError("tick() while no timer runs");
    steps_.pop_front();
  } else {
    if (!step.until) step.until = now_ms_ + step.amount;
    if (next == nullptr || next->timer_due > *step.until) {
      now_ms_ = std::max(now_ms_, *step.until);
      steps_.pop_front();
      return std::nullopt;
    }
  }
  now_ms_ = std::max(now_ms_, next->timer_due);
  // At most one expiry waits: periods missed meanwhile are not made up.
  next->timer_due = std::max(next->timer_due + next->timer_period, now_ms_);
  return next->ref;
}

void FakeWindowSystem::deliver_expiry(WindowRef holder) {
  // A timer stopped or destroyed since leaves no expiry behind.
  const Window* w = find(holder);
  if (w != nullptr && w->alive && w->timer_period > 0) sink().timer_expired(holder);
}

void FakeWindowSystem::activate_main() {
  Window* w = main_window();
  if (w == nullptr || !w->alive || active_) return;
  active_ = true;
  sink().window_activated(w->ref, true);
  sink().window_focused(w->ref);
}

void FakeWindowSystem::deactivate_main() {
  Window* w = main_window();
  if (w == nullptr || !w->alive || !active_) return;
  sink().window_activated(w->ref, false);
  active_ = false;
  focus_ = WindowRef::none;
}

FakeWindowSystem::Window* FakeWindowSystem::find(WindowRef ref) {
  for (Window& w : windows_) {
    if (w.ref == ref) return &w;
  }
  return nullptr;
}

FakeWindowSystem::Window& FakeWindowSystem::get(WindowRef ref, const char* operation) {
  Window* w = find(ref);
  if (w == nullptr) throw ScriptError(std::string(operation) + ": unknown window handle");
  if (!w->alive)
    throw ScriptError(std::string(operation) + ": window " + w->name + " is destroyed");
  return *w;
}

FakeWindowSystem::Window* FakeWindowSystem::main_window() {
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
    if (it->id == Control::main_window) return &*it;
  }
  return nullptr;
}

FakeWindowSystem::Window* FakeWindowSystem::focused_edit() {
  Window* w = find(focus_);
  return w != nullptr && w->alive && w->kind == Kind::EditBox ? w : nullptr;
}

WindowEvents& FakeWindowSystem::sink() {
  if (sink_ == nullptr) throw ScriptError("no event sink set");
  return *sink_;
}

}  // namespace halverne
