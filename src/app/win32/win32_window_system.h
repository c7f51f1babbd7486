#pragma once

#include <windows.h>

#include <exception>

#include "app/window_system.h"

namespace halverne::win32 {

// Window classes of the controls, as a probe or a screen reader finds them.
// Edit boxes are the system's own class.
inline constexpr const wchar_t* kMainClass = L"HalverneWindow";
inline constexpr const wchar_t* kLabelClass = L"HalverneLabel";
inline constexpr const wchar_t* kShapeBoxClass = L"HalverneShapeBox";
inline constexpr const wchar_t* kTimerClass = L"HalverneTimer";
inline constexpr const wchar_t* kEditClass = L"Edit";

// The frame's window system on Win32, with the wide API throughout: texts
// are converted from and to code page 936 here and nowhere else.
//
// Lifecycle: construct (registers the window classes), set_event_sink, then
// the frame's calls; the window procedures only translate messages into the
// WindowEvents calls. One instance per process, used on the GUI thread only.
class Win32WindowSystem final : public WindowSystem {
 public:
  explicit Win32WindowSystem(HINSTANCE instance);
  ~Win32WindowSystem() override;
  Win32WindowSystem(const Win32WindowSystem&) = delete;
  Win32WindowSystem& operator=(const Win32WindowSystem&) = delete;

  void set_event_sink(WindowEvents& sink) override;

  bool change_to_program_directory() override;
  Size screen_size() override;
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
  WindowRef focus() override;

  void start_timer(WindowRef holder, unsigned period_ms) override;
  void stop_timer(WindowRef holder) override;

  Message next_message() override;
  void dispatch() override;
  void post_quit(int exit_code) override;

  int message_box(const Text& text, const Text& caption, BoxIcon icon) override;

 private:
  using Procedure = LRESULT (Win32WindowSystem::*)(HWND, UINT, WPARAM, LPARAM);
  template <Procedure procedure>
  static LRESULT CALLBACK trampoline(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);

  LRESULT main_procedure(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  LRESULT label_procedure(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  LRESULT shape_box_procedure(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  LRESULT timer_procedure(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  // Notifications that a parent of edit boxes receives from them.
  bool parent_notification(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result);

  void register_classes();
  HWND create(DWORD ex_style, const wchar_t* window_class, const Text& text, DWORD style,
              Rect outer, HWND parent, UINT_PTR id);
  bool is_ours(HWND hwnd) const;
  // An exception thrown inside a window procedure cannot cross the system's
  // frames; it is kept and thrown again once the system call has returned.
  void rethrow_pending();

  HINSTANCE instance_;
  WindowEvents* sink_ = nullptr;
  HWND main_ = nullptr;
  HFONT font_ = nullptr;         // the platform's default GUI font (a stock object)
  HBRUSH face_brush_ = nullptr;  // the face colour (a system brush)
  HICON large_icon_ = nullptr;
  HICON small_icon_ = nullptr;
  MSG message_{};
  // While an edit box is being created, with its design text, its change
  // reports are no changes of the user's and are dropped.
  bool creating_edit_ = false;
  std::exception_ptr pending_;
};

}  // namespace halverne::win32
