#include "app/win32/win32_window_system.h"

#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "app/win32/cp936.h"

namespace halverne::win32 {
namespace {

constexpr COLORREF kBlack = 0x000000;
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr UINT_PTR kTimerId = 1;
constexpr WORD kIconResource = 1;  // halverne.rc

// The windows.h macros for these are C casts, which this project's warnings
// reject in our own code.
LPCWSTR int_resource(WORD id) { return reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(id)); }
WORD low_word(WPARAM value) { return static_cast<WORD>(value & 0xFFFF); }
WORD high_word(WPARAM value) { return static_cast<WORD>((value >> 16) & 0xFFFF); }

HWND to_hwnd(WindowRef ref) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(ref)); }
WindowRef to_ref(HWND hwnd) {
  return static_cast<WindowRef>(reinterpret_cast<std::uintptr_t>(hwnd));
}

// Where notifications go until the frame has set its sink, and after this
// object has started to go away: nowhere.
class NoEvents final : public WindowEvents {
 public:
  void edit_changed(WindowRef) override {}
  void timer_expired(WindowRef) override {}
  void close_requested(WindowRef) override {}
  void window_destroyed(WindowRef) override {}
  void window_activated(WindowRef, bool) override {}
  void window_focused(WindowRef) override {}
  bool end_session_requested(WindowRef) override { return true; }
};
NoEvents no_events;

std::wstring window_text(HWND hwnd) {
  std::wstring text;
  const int length = GetWindowTextLengthW(hwnd);
  if (length <= 0) return text;
  const auto size = static_cast<std::size_t>(length) + 1;
  try {
    text.resize(size);
  } catch (const std::bad_alloc&) {
    throw AllocationFailure{size * sizeof(wchar_t)};
  }
  const int copied = GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return text;
}

}  // namespace

Win32WindowSystem::Win32WindowSystem(HINSTANCE instance)
    : instance_(instance),
      sink_(&no_events),
      font_(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT))),
      face_brush_(GetSysColorBrush(COLOR_BTNFACE)) {
  large_icon_ = static_cast<HICON>(LoadImageW(instance_, int_resource(kIconResource), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXICON),
                                              GetSystemMetrics(SM_CYICON), LR_SHARED));
  small_icon_ = static_cast<HICON>(LoadImageW(instance_, int_resource(kIconResource), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXSMICON),
                                              GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  register_classes();
}

Win32WindowSystem::~Win32WindowSystem() {
  // The frame may already be gone: nothing may reach it from here on.
  sink_ = &no_events;
  if (main_ != nullptr && IsWindow(main_)) DestroyWindow(main_);
  for (const wchar_t* name : {kMainClass, kLabelClass, kShapeBoxClass, kTimerClass}) {
    UnregisterClassW(name, instance_);
  }
}

void Win32WindowSystem::register_classes() {
  const auto add = [this](const wchar_t* name, WNDPROC procedure, HBRUSH background) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance_;
    wc.hCursor = LoadCursorW(nullptr, int_resource(32512));  // IDC_ARROW
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    if (name == kMainClass) {
      wc.hIcon = large_icon_;
      wc.hIconSm = small_icon_;
    }
    RegisterClassExW(&wc);
  };
  add(kMainClass, &trampoline<&Win32WindowSystem::main_procedure>, face_brush_);
  // Labels and the shape box paint their whole rectangle themselves.
  add(kLabelClass, &trampoline<&Win32WindowSystem::label_procedure>, nullptr);
  add(kShapeBoxClass, &trampoline<&Win32WindowSystem::shape_box_procedure>, nullptr);
  add(kTimerClass, &trampoline<&Win32WindowSystem::timer_procedure>, nullptr);
}

template <Win32WindowSystem::Procedure procedure>
LRESULT CALLBACK Win32WindowSystem::trampoline(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<Win32WindowSystem*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_NCCREATE) {
    self =
        static_cast<Win32WindowSystem*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  // WM_GETMINMAXINFO comes before WM_NCCREATE.
  if (self == nullptr) return DefWindowProcW(hwnd, msg, wparam, lparam);
  LRESULT result = 0;
  try {
    result = (self->*procedure)(hwnd, msg, wparam, lparam);
  } catch (...) {
    if (!self->pending_) self->pending_ = std::current_exception();
  }
  if (msg == WM_NCDESTROY) SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  return result;
}

void Win32WindowSystem::rethrow_pending() {
  if (pending_) std::rethrow_exception(std::exchange(pending_, nullptr));
}

bool Win32WindowSystem::parent_notification(UINT msg, WPARAM wparam, LPARAM lparam,
                                            LRESULT& result) {
  switch (msg) {
    case WM_COMMAND:
      // EN_CHANGE: once per user change, after the new text is in the box.
      if (high_word(wparam) == EN_CHANGE && lparam != 0) {
        const auto edit = reinterpret_cast<HWND>(lparam);
        if (!creating_edit_) sink_->edit_changed(to_ref(edit));
        result = 0;
        return true;
      }
      return false;
    case WM_CTLCOLOREDIT: {
      const auto dc = reinterpret_cast<HDC>(wparam);
      SetTextColor(dc, kBlack);
      SetBkColor(dc, kWhite);
      result = reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
      return true;
    }
    default:
      return false;
  }
}

LRESULT Win32WindowSystem::main_procedure(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  LRESULT result = 0;
  if (parent_notification(msg, wparam, lparam, result)) return result;
  switch (msg) {
    case WM_CLOSE:  // close button, Alt+F4, the system menu's Close
      sink_->close_requested(to_ref(hwnd));
      return 0;
    case WM_ACTIVATE:
      // Reported before the default handling, which gives the window itself
      // the focus (WM_SETFOCUS below) when it is activated.
      sink_->window_activated(to_ref(hwnd), low_word(wparam) != WA_INACTIVE);
      break;
    case WM_SETFOCUS:
      sink_->window_focused(to_ref(hwnd));
      return 0;
    case WM_QUERYENDSESSION:  // log-off or shut-down
      return sink_->end_session_requested(to_ref(hwnd)) ? TRUE : FALSE;
    case WM_NCDESTROY:  // the controls are gone already
      if (hwnd == main_) main_ = nullptr;
      sink_->window_destroyed(to_ref(hwnd));
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}

LRESULT Win32WindowSystem::label_procedure(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_ERASEBKGND:  // WM_PAINT fills the whole rectangle; erasing first would flicker
      return 1;
    case WM_PAINT: {
      const std::wstring text = window_text(hwnd);  // before BeginPaint: it may throw
      PAINTSTRUCT ps;
      const HDC dc = BeginPaint(hwnd, &ps);
      RECT client;
      GetClientRect(hwnd, &client);
      FillRect(dc, &client, face_brush_);
      const HGDIOBJ old_font = SelectObject(dc, font_);
      SetTextColor(dc, kBlack);
      SetBkMode(dc, TRANSPARENT);
      // One line, cut at the label's edges; "&" is an ordinary character.
      DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &client,
                DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
      SelectObject(dc, old_font);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_SETTEXT: {
      const LRESULT result = DefWindowProcW(hwnd, msg, wparam, lparam);
      InvalidateRect(hwnd, nullptr, FALSE);
      return result;
    }
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_);
    default:
      return DefWindowProcW(hwnd, msg, wparam, lparam);
  }
}

LRESULT Win32WindowSystem::shape_box_procedure(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  LRESULT result = 0;
  if (parent_notification(msg, wparam, lparam, result)) return result;
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      const HDC dc = BeginPaint(hwnd, &ps);
      RECT client;  // no border: the client area is the whole rectangle
      GetClientRect(hwnd, &client);
      FillRect(dc, &client, face_brush_);
      // One pixel inside the bounds: columns 0 and width-1, rows 0 and height-1.
      FrameRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      EndPaint(hwnd, &ps);
      return 0;
    }
    default:
      return DefWindowProcW(hwnd, msg, wparam, lparam);
  }
}

LRESULT Win32WindowSystem::timer_procedure(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_TIMER && wparam == kTimerId) {
    sink_->timer_expired(to_ref(hwnd));
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}

void Win32WindowSystem::set_event_sink(WindowEvents& sink) { sink_ = &sink; }

bool Win32WindowSystem::change_to_program_directory() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return false;
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    if (path.size() >= 32768) return false;  // longer than any Windows path
    path.resize(path.size() * 2);
  }
  const auto separator = path.find_last_of(L"\\/");
  if (separator == std::wstring::npos) return false;
  path.resize(separator);
  if (path.size() == 2 && path[1] == L':')
    path += L'\\';  // "C:" alone is the drive's current folder
  return SetCurrentDirectoryW(path.c_str()) != FALSE;
}

Size Win32WindowSystem::screen_size() {
  return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

void Win32WindowSystem::exit_process(int exit_code) { ExitProcess(static_cast<UINT>(exit_code)); }

HWND Win32WindowSystem::create(DWORD ex_style, const wchar_t* window_class, const Text& text,
                               DWORD style, Rect outer, HWND parent, UINT_PTR id) {
  const std::wstring wide = widen(text);
  // Our own classes find this object through the creation parameter; the
  // system's edit class gets none.
  void* const parameter = window_class == kEditClass ? nullptr : this;
  HWND hwnd = CreateWindowExW(ex_style, window_class, wide.c_str(), style, outer.left, outer.top,
                              outer.width, outer.height, parent, reinterpret_cast<HMENU>(id),
                              instance_, parameter);
  rethrow_pending();
  return hwnd;
}

WindowRef Win32WindowSystem::create_window(const WindowDesign& design, Rect outer) {
  // A fixed frame with caption, system menu, close and minimise buttons and
  // no maximise button; no owner, so it has its own taskbar button.
  constexpr DWORD style =
      WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  HWND hwnd = create(WS_EX_APPWINDOW, kMainClass, Text(design.text), style, outer, nullptr, 0);
  if (hwnd == nullptr) return WindowRef::none;
  main_ = hwnd;
  // The class icons show in the caption and on the taskbar; set on the
  // window too, they answer WM_GETICON, which other programs ask.
  SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large_icon_));
  SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon_));
  return to_ref(hwnd);
}

WindowRef Win32WindowSystem::create_control(WindowRef parent, const ControlDesign& design) {
  const Rect outer{design.left, design.top, design.width, design.height};
  const HWND parent_hwnd = to_hwnd(parent);
  const auto id = static_cast<UINT_PTR>(design.id);
  // Every child clips its drawing to what its siblings above leave visible.
  constexpr DWORD child = WS_CHILD | WS_CLIPSIBLINGS;
  HWND hwnd = nullptr;
  switch (design.kind) {
    case Kind::Label:
      hwnd = create(0, kLabelClass, Text(design.text), child, outer, parent_hwnd, id);
      break;
    case Kind::EditBox: {
      const Text text(design.text);
      creating_edit_ = true;  // the design text is no change of the user's
      try {
        hwnd = create(WS_EX_CLIENTEDGE, kEditClass, text,
                      child | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, outer, parent_hwnd, id);
      } catch (...) {
        creating_edit_ = false;
        throw;
      }
      creating_edit_ = false;
      if (hwnd != nullptr) {
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        SendMessageW(hwnd, EM_SETLIMITTEXT, 0, 0);  // 0: the platform's own maximum
      }
      break;
    }
    case Kind::ShapeBox:
      hwnd = create(0, kShapeBoxClass, Text(), child | WS_CLIPCHILDREN, outer, parent_hwnd, id);
      break;
    case Kind::Timer:  // a holder for the timer, never shown
      hwnd = create(0, kTimerClass, Text(), WS_CHILD, outer, parent_hwnd, id);
      break;
    case Kind::window:
      break;
  }
  return to_ref(hwnd);
}

void Win32WindowSystem::set_parent(WindowRef child, WindowRef parent) {
  SetParent(to_hwnd(child), to_hwnd(parent));
  rethrow_pending();
}

void Win32WindowSystem::stack(std::span<const WindowRef> top_to_bottom) {
  constexpr UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
  HWND above = HWND_TOP;
  for (const WindowRef ref : top_to_bottom) {
    const HWND hwnd = to_hwnd(ref);
    SetWindowPos(hwnd, above, 0, 0, 0, 0, flags);
    above = hwnd;
  }
  rethrow_pending();
}

void Win32WindowSystem::show(WindowRef control) {
  ShowWindow(to_hwnd(control), SW_SHOWNA);
  rethrow_pending();
}

void Win32WindowSystem::show_and_activate(WindowRef window) {
  const HWND hwnd = to_hwnd(window);
  ShowWindow(hwnd, SW_SHOWNORMAL);
  SetForegroundWindow(hwnd);
  UpdateWindow(hwnd);
  rethrow_pending();
}

void Win32WindowSystem::destroy(WindowRef window) {
  DestroyWindow(to_hwnd(window));
  rethrow_pending();
}

bool Win32WindowSystem::exists(WindowRef window) {
  return window != WindowRef::none && IsWindow(to_hwnd(window)) != FALSE;
}

Rect Win32WindowSystem::rect(WindowRef window) {
  const HWND hwnd = to_hwnd(window);
  RECT r;
  if (!GetWindowRect(hwnd, &r)) return {};
  POINT corners[2] = {{r.left, r.top}, {r.right, r.bottom}};
  if ((GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD) != 0) {
    MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), corners, 2);
  }
  return {corners[0].x, corners[0].y, corners[1].x - corners[0].x, corners[1].y - corners[0].y};
}

void Win32WindowSystem::move(WindowRef window, Rect outer) {
  // Copies the bits that stay visible and repaints only what is uncovered:
  // the moving banner does not flicker.
  SetWindowPos(to_hwnd(window), nullptr, outer.left, outer.top, outer.width, outer.height,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
  rethrow_pending();
}

Text Win32WindowSystem::text(WindowRef window) { return narrow(window_text(to_hwnd(window))); }

void Win32WindowSystem::set_text(WindowRef window, const Text& text) {
  // An edit box reports this write through EN_CHANGE like any other change;
  // the frame, which asked for the write, knows to drop that report.
  SetWindowTextW(to_hwnd(window), widen(text).c_str());
  rethrow_pending();
}

void Win32WindowSystem::set_focus(WindowRef control) {
  SetFocus(to_hwnd(control));
  rethrow_pending();
}

WindowRef Win32WindowSystem::focus() { return to_ref(GetFocus()); }

void Win32WindowSystem::start_timer(WindowRef holder, unsigned period_ms) {
  // Same id: a running timer is replaced, its next expiry one period later.
  // The system keeps at most one WM_TIMER of a timer waiting.
  SetTimer(to_hwnd(holder), kTimerId, period_ms, nullptr);
}

void Win32WindowSystem::stop_timer(WindowRef holder) { KillTimer(to_hwnd(holder), kTimerId); }

bool Win32WindowSystem::is_ours(HWND hwnd) const {
  return main_ != nullptr && hwnd != nullptr && (hwnd == main_ || IsChild(main_, hwnd));
}

Message Win32WindowSystem::next_message() {
  Message message;
  const BOOL got = GetMessageW(&message_, nullptr, 0, 0);
  message.target = to_ref(message_.hwnd);
  if (got == 0 || got == -1) {
    message.kind = Message::Kind::quit;
    message.exit_code = got == 0 ? static_cast<int>(message_.wParam) : -1;
    message_ = MSG{};
    return message;
  }
  const bool key_down = message_.message == WM_KEYDOWN || message_.message == WM_SYSKEYDOWN;
  if (key_down && is_ours(message_.hwnd)) {
    message.kind = Message::Kind::key;
    switch (message_.wParam) {
      case VK_TAB:
        message.key.key = KeyPress::Key::tab;
        break;
      case VK_ESCAPE:
        message.key.key = KeyPress::Key::escape;
        break;
      case VK_RETURN:
        message.key.key = KeyPress::Key::enter;
        break;
      default:
        message.key.key = KeyPress::Key::other;
        break;
    }
    // The state of the modifiers when this key message was posted.
    message.key.shift = GetKeyState(VK_SHIFT) < 0;
    message.key.control = GetKeyState(VK_CONTROL) < 0;
    message.key.alt = GetKeyState(VK_MENU) < 0;
  }
  return message;
}

void Win32WindowSystem::dispatch() {
  TranslateMessage(&message_);
  DispatchMessageW(&message_);
  rethrow_pending();
}

void Win32WindowSystem::post_quit(int exit_code) { PostQuitMessage(exit_code); }

int Win32WindowSystem::message_box(const Text& text, const Text& caption, BoxIcon icon) {
  const std::wstring wide_text = widen(text);
  const std::wstring wide_caption = widen(caption);
  const bool was_active = main_ != nullptr && GetActiveWindow() == main_;
  UINT style = MB_OK | MB_TASKMODAL;
  if (icon == BoxIcon::error) style |= MB_ICONERROR;
  MessageBoxW(nullptr, wide_text.c_str(), wide_caption.c_str(), style);
  // Wine leaves no window of the program active once a task-modal box with
  // no owner has closed, so the focus would be nowhere; Windows activates
  // the main window again. Do it ourselves: the activation passes the focus
  // back to the box the user was typing in.
  // Only when nothing else took the foreground meanwhile: a program the user
  // turned to while the box was open keeps it.
  if (was_active && main_ != nullptr && GetActiveWindow() != main_) {
    const HWND foreground = GetForegroundWindow();
    if (foreground == nullptr ||
        GetWindowThreadProcessId(foreground, nullptr) == GetCurrentThreadId()) {
      SetForegroundWindow(main_);
      SetActiveWindow(main_);
    }
  }
  rethrow_pending();
  return 0;
}

}  // namespace halverne::win32
