// The end-to-end probe: starts a window program, finds its window by title
// and its controls by class and position, drives it with real input and
// checks what it shows. It reads a script, one command a line:
//
//   probe.exe [--exe PATH] [--title TITLE] SCRIPT
//
// Commands (names are the layout names of the controls, e.g. 编辑框2):
//   start                      start the program, wait for its visible window
//   window-rect L T W H        outer rectangle of the main window
//   screen W H                 size of the primary screen
//   window-style               fixed frame, caption, system menu, minimise, no maximise,
//                              no menu, no owner
//   layout                     every control against the layout data: class, text,
//                              rectangle, parent, visibility and stacking
//   text NAME "T"              wait until the control's text is T
//   text-stays NAME "T" MS     the text is T and stays T for MS milliseconds
//   length NAME N              wait until the control's text is N characters long
//   selection NAME FROM TO     the edit box's selection
//   focus NAME                 wait until the keyboard focus is in the control
//   foreground                 wait until the main window is the foreground window
//   enabled yes|no             whether the main window takes input
//   notice                     wait for the notice box and check it (caption, text)
//   no-notice MS               no notice box appears within MS milliseconds
//   notice-focus               the keyboard focus is inside the notice box
//   notice-ok                  click the notice box's OK button, wait until it is gone
//   banner-moving MS           the banner label moves to the left within MS milliseconds
//   banner-start               the banner stands near the right edge, beyond the client area
//   banner-pass                one pass: one pixel left per change, wrap to the outer width
//   type "T"                   type T with real key presses
//   key CHORD                  one key press: Tab, Shift+Tab, Esc, Shift+Esc, Enter,
//                              Backspace, Home, End, Alt+F4, Ctrl+V, ...
//   paste "T"                  put T on the clipboard and press Ctrl+V
//   paste-repeat "T" N "F"     the same with T followed by N times F
//   close                      post WM_CLOSE to the main window
//   click-close                click the caption's close button
//   system-menu                wait until the main window's system menu is open
//   other-window               show a window of the probe's own and click it (another program)
//   click-caption              click the main window's caption bar
//   exit-code N                wait until the process has ended with exit code N
//   set-text NAME "T"          a program write of the control's text (WM_SETTEXT)
//   set-weights N              N program writes into 编辑框2 (WM_SETTEXT), alternating two weights
//   resources                  print the process's handles (handles=, system_handles=),
//                              windows=, gdi= and user= (Wine answers 0 for some)
//   memory                     print working_set= and private= (bytes) of the process
//   cpu                        print cpu_ms= (kernel + user time; Wine may answer 0)
//   window-rect                print the main window's outer rectangle
//   banner-at X                wait until the banner label's left is X
//   signal FILE                create FILE (a Windows path)
//   wait-file FILE MS          wait until FILE exists
//   wait-exit                  wait until the program ends, print its exit code
//   sleep MS
// Quoted texts are UTF-8 and may use \" \\ \t \uXXXX. Any failure prints
// "FAIL line N: ..." and ends the probe with exit code 1; the program under
// test is killed whenever the probe ends while it still runs.
#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "ui/layout.h"

namespace {

using halverne::ControlDesign;
using halverne::Kind;
using Clock = std::chrono::steady_clock;

struct Failure {
  std::string message;
};

[[noreturn]] void fail(const std::string& message) { throw Failure{message}; }

std::wstring widen(std::string_view bytes, UINT code_page = CP_UTF8) {
  if (bytes.empty()) return {};
  const int n =
      MultiByteToWideChar(code_page, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(code_page, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
  return out;
}

std::string utf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

// Long texts are shown by their start and length only.
std::string show(std::wstring_view text) {
  std::string out = "\"";
  out += utf8(text.substr(0, 60));
  out += '"';
  if (text.size() > 60) out += "... (" + std::to_string(text.size()) + " chars)";
  return out;
}

// Waits, keeping the probe's own window (if any) answering: activating
// another program's window sends messages to ours.
void pause(DWORD ms) {
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    if (left <= 0) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
  }
}

template <class Condition>
bool wait_until(Condition condition, int timeout_ms) {
  const auto end = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    if (condition()) return true;
    if (Clock::now() >= end) return false;
    pause(5);
  }
}

std::wstring class_of(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

// The text the window system keeps for a window, without sending it a message.
std::wstring stored_text(HWND window) {
  wchar_t text[1024] = {};
  InternalGetWindowText(window, text, 1024);
  return text;
}

// Cross-process messages always with a timeout: a thread that sits in a modal
// box may not answer a plain SendMessage.
LRESULT send(HWND window, UINT message, WPARAM wparam, LPARAM lparam, const char* what) {
  DWORD_PTR result = 0;
  SetLastError(0);
  // Wine answers some messages (WM_GETICON without an icon) with a zero
  // return and no error; only a set error means that no answer came.
  if (SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG | SMTO_BLOCK, 2000,
                          &result) == 0 &&
      GetLastError() != 0)
    fail(std::string("no answer to ") + what + " (error " + std::to_string(GetLastError()) + ")");
  return static_cast<LRESULT>(result);
}

std::wstring control_text(HWND window) {
  const auto length = send(window, WM_GETTEXTLENGTH, 0, 0, "WM_GETTEXTLENGTH");
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const auto got =
      send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), "WM_GETTEXT");
  text.resize(static_cast<std::size_t>(got));
  return text;
}

RECT outer_rect(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return r;
}

// A child's outer rectangle in its parent's client coordinates.
RECT rect_in_parent(HWND window) {
  RECT r = outer_rect(window);
  MapWindowPoints(nullptr, GetAncestor(window, GA_PARENT), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::string rect_text(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
         std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
}

std::vector<HWND> children_top_down(HWND parent) {
  std::vector<HWND> out;
  for (HWND w = GetWindow(parent, GW_CHILD); w != nullptr; w = GetWindow(w, GW_HWNDNEXT))
    out.push_back(w);
  return out;
}

// Kernel handles the process holds, from the system's handle table: Wine
// answers GetProcessHandleCount for another process with 0, but keeps this
// table.
unsigned long system_handle_count(DWORD pid) {
  struct Entry {
    ULONG owner_pid;
    BYTE object_type;
    BYTE flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
  };
  std::vector<unsigned char> buffer(1 << 20);
  for (;;) {
    ULONG needed = 0;
    const NTSTATUS status = NtQuerySystemInformation(
        static_cast<SYSTEM_INFORMATION_CLASS>(16) /* SystemHandleInformation */, buffer.data(),
        static_cast<ULONG>(buffer.size()), &needed);
    if (status == static_cast<NTSTATUS>(0xC0000004L) /* STATUS_INFO_LENGTH_MISMATCH */) {
      buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed + 4096));
      continue;
    }
    if (status != 0) return 0;
    break;
  }
  ULONG count = 0;
  std::memcpy(&count, buffer.data(), sizeof count);
  const std::size_t first = alignof(Entry) > sizeof(ULONG) ? alignof(Entry) : sizeof(ULONG);
  unsigned long mine = 0;
  for (ULONG i = 0; i < count; ++i) {
    Entry e;
    std::memcpy(&e, buffer.data() + first + i * sizeof(Entry), sizeof e);
    if (e.owner_pid == pid) ++mine;
  }
  return mine;
}

// Windows of the process, top-level and child: the user objects that Wine
// does not count for GetGuiResources.
unsigned long window_count(DWORD pid) {
  struct Count {
    DWORD pid;
    unsigned long n;
  } count{pid, 0};
  EnumWindows(
      [](HWND w, LPARAM p) -> BOOL {
        auto* c = reinterpret_cast<Count*>(p);
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner != c->pid) return TRUE;
        ++c->n;
        EnumChildWindows(
            w,
            [](HWND, LPARAM q) -> BOOL {
              ++reinterpret_cast<Count*>(q)->n;
              return TRUE;
            },
            p);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count.n;
}

// --- keyboard and mouse, through SendInput

INPUT key_input(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  switch (vk) {
    case VK_HOME:
    case VK_END:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_DELETE:
    case VK_INSERT:
      in.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
      break;
    default:
      break;
  }
  return in;
}

void send_inputs(std::vector<INPUT> inputs) {
  const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  if (sent != inputs.size())
    fail("SendInput sent " + std::to_string(sent) + " of " + std::to_string(inputs.size()) +
         " events");
  pause(15);  // lets the events reach the program in their order
}

void press(WORD vk, std::vector<WORD> modifiers) {
  std::vector<INPUT> inputs;
  for (WORD m : modifiers) inputs.push_back(key_input(m, false));
  inputs.push_back(key_input(vk, false));
  inputs.push_back(key_input(vk, true));
  for (auto m = modifiers.rbegin(); m != modifiers.rend(); ++m)
    inputs.push_back(key_input(*m, true));
  send_inputs(std::move(inputs));
}

// A character the keyboard layout has a key for is typed with that key (and
// Shift where needed); any other character as a Unicode key event.
void type_char(wchar_t c) {
  const SHORT scan = VkKeyScanW(c);
  if (scan != -1 && (scan & 0x0600) == 0) {
    std::vector<WORD> modifiers;
    if (scan & 0x0100) modifiers.push_back(VK_SHIFT);
    press(static_cast<WORD>(scan & 0xff), modifiers);
    return;
  }
  INPUT down{};
  down.type = INPUT_KEYBOARD;
  down.ki.wScan = static_cast<WORD>(c);
  down.ki.dwFlags = KEYEVENTF_UNICODE;
  INPUT up = down;
  up.ki.dwFlags |= KEYEVENTF_KEYUP;
  send_inputs({down, up});
}

void press_chord(const std::string& chord) {
  static const std::map<std::string, WORD> keys = {
      {"Tab", VK_TAB},
      {"Esc", VK_ESCAPE},
      {"Enter", VK_RETURN},
      {"Backspace", VK_BACK},
      {"Home", VK_HOME},
      {"End", VK_END},
      {"Left", VK_LEFT},
      {"Right", VK_RIGHT},
      {"Delete", VK_DELETE},
      {"F4", VK_F4},
      {"V", 'V'},
      {"C", 'C'},
      {"X", 'X'},
      {"Z", 'Z'},
      {"A", 'A'},
      {"F1", VK_F1},
      {"Space", VK_SPACE},
  };
  std::vector<WORD> modifiers;
  std::string rest = chord;
  for (;;) {
    const auto plus = rest.find('+');
    if (plus == std::string::npos) break;
    const std::string m = rest.substr(0, plus);
    if (m == "Shift")
      modifiers.push_back(VK_SHIFT);
    else if (m == "Ctrl")
      modifiers.push_back(VK_CONTROL);
    else if (m == "Alt")
      modifiers.push_back(VK_MENU);
    else
      fail("unknown modifier " + m);
    rest = rest.substr(plus + 1);
  }
  const auto k = keys.find(rest);
  if (k == keys.end()) fail("unknown key " + rest);
  press(k->second, modifiers);
}

void click_at(POINT p) {
  const int w = GetSystemMetrics(SM_CXSCREEN);
  const int h = GetSystemMetrics(SM_CYSCREEN);
  INPUT move{};
  move.type = INPUT_MOUSE;
  move.mi.dx = (p.x * 65535 + w / 2) / (w - 1);
  move.mi.dy = (p.y * 65535 + h / 2) / (h - 1);
  move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  INPUT down = move;
  down.mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
  INPUT up = move;
  up.mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
  send_inputs({move, down, up});
}

void put_on_clipboard(const std::wstring& text) {
  if (!wait_until([] { return OpenClipboard(nullptr) != 0; }, 2000)) fail("clipboard busy");
  EmptyClipboard();
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (memory == nullptr) fail("GlobalAlloc failed");
  std::copy_n(text.c_str(), text.size() + 1, static_cast<wchar_t*>(GlobalLock(memory)));
  GlobalUnlock(memory);
  const bool ok = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
  CloseClipboard();
  if (!ok) fail("SetClipboardData failed");
}

// --- the program under test

class Probe {
 public:
  Probe(std::wstring exe, std::wstring title) : exe_(std::move(exe)), title_(std::move(title)) {}
  ~Probe() { kill(); }
  Probe(const Probe&) = delete;
  Probe& operator=(const Probe&) = delete;

  void run(const std::vector<std::string>& args);

 private:
  void start();
  void kill();
  HWND main() const {
    if (main_ == nullptr) fail("the program has not been started");
    return main_;
  }
  const ControlDesign& design(const std::string& name) const;
  HWND control(const std::string& name);
  HWND find_control(const ControlDesign& d);
  HWND notice_box() const;
  HWND focus() const;
  int banner_left();
  void check_layout();
  void check_window_style();
  void banner_pass();
  std::string describe_focus() const;

  std::wstring exe_;
  std::wstring title_;
  PROCESS_INFORMATION process_{};
  HWND main_ = nullptr;
  HWND other_ = nullptr;
  DWORD thread_ = 0;
  std::map<std::string, HWND> controls_;
};

void Probe::start() {
  kill();
  controls_.clear();
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  std::wstring command_line = L"\"" + exe_ + L"\"";
  const auto t0 = Clock::now();
  if (!CreateProcessW(exe_.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process_))
    fail("cannot start " + utf8(exe_) + " (error " + std::to_string(GetLastError()) + ")");
  struct Search {
    DWORD pid;
    const std::wstring* title;
    HWND found;
  } search{process_.dwProcessId, &title_, nullptr};
  const bool shown = wait_until(
      [&] {
        EnumWindows(
            [](HWND w, LPARAM p) -> BOOL {
              auto* s = reinterpret_cast<Search*>(p);
              DWORD pid = 0;
              GetWindowThreadProcessId(w, &pid);
              if (pid == s->pid && IsWindowVisible(w) && stored_text(w) == *s->title) {
                s->found = w;
                return FALSE;
              }
              return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr ||
               WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0;
      },
      20000);
  if (!shown || search.found == nullptr)
    fail("no visible window titled \"" + utf8(title_) + "\" appeared");
  const auto ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
  main_ = search.found;
  thread_ = GetWindowThreadProcessId(main_, nullptr);
  // Key presses go to the foreground window's focus: wait (briefly) until the
  // activation has happened, so that the first keys do not race it. Whether
  // it happened at all is for the scenarios to check.
  wait_until([&] { return GetForegroundWindow() == main_ && focus() != nullptr; }, 2000);
  std::printf("started pid=%lu window_ms=%.1f\n", process_.dwProcessId, ms);
}

void Probe::kill() {
  if (process_.hProcess == nullptr) return;
  if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_.hProcess, 99);
    WaitForSingleObject(process_.hProcess, 5000);
  }
  CloseHandle(process_.hProcess);
  CloseHandle(process_.hThread);
  process_ = {};
  main_ = nullptr;
}

const ControlDesign& Probe::design(const std::string& name) const {
  for (const auto& d : halverne::main_window_design().controls)
    if (d.name == name) return d;
  fail("no control named " + name + " in the layout");
}

// The window classes of the controls, by kind. Labels and the framed box
// are classes of the program's own; the edit boxes are the system's.
const wchar_t* class_of_kind(Kind kind) {
  switch (kind) {
    case Kind::Label:
      return L"HalverneLabel";
    case Kind::EditBox:
      return L"Edit";
    case Kind::ShapeBox:
      return L"HalverneShapeBox";
    case Kind::Timer:
      return L"HalverneTimer";
    case Kind::window:
      return L"HalverneWindow";
  }
  return L"";
}

bool class_fits(Kind kind, const std::wstring& cls) {
  return lstrcmpiW(cls.c_str(), class_of_kind(kind)) == 0;
}

// A control is found among the children of its design parent by class and
// by its design rectangle; the banner label, which moves, by its top and size.
HWND Probe::find_control(const ControlDesign& d) {
  HWND parent = main();
  if (d.parent != halverne::Control::main_window) {
    for (const auto& p : halverne::main_window_design().controls)
      if (p.id == d.parent) parent = control(std::string(p.name));
  }
  const bool moves = d.id == halverne::Control::标签11;
  for (HWND w : children_top_down(parent)) {
    if (!class_fits(d.kind, class_of(w))) continue;
    const RECT r = rect_in_parent(w);
    if ((moves || r.left == d.left) && r.top == d.top && r.right - r.left == d.width &&
        r.bottom - r.top == d.height)
      return w;
  }
  return nullptr;
}

HWND Probe::control(const std::string& name) {
  const auto cached = controls_.find(name);
  if (cached != controls_.end()) return cached->second;
  const ControlDesign& d = design(name);
  HWND w = find_control(d);
  if (w == nullptr)
    fail("no control " + name + " at " + std::to_string(d.left) + "," + std::to_string(d.top) +
         " " + std::to_string(d.width) + "x" + std::to_string(d.height));
  controls_[name] = w;
  return w;
}

HWND Probe::notice_box() const {
  struct Search {
    DWORD pid;
    HWND found;
  } search{process_.dwProcessId, nullptr};
  EnumWindows(
      [](HWND w, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == s->pid && IsWindowVisible(w) && class_of(w) == L"#32770") {
          s->found = w;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND Probe::focus() const {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(thread_, &info)) return nullptr;
  return info.hwndFocus;
}

std::string Probe::describe_focus() const {
  HWND f = focus();
  if (f == nullptr) return "nothing";
  for (const auto& [name, w] : controls_)
    if (w == f) return name;
  if (f == main_) return "the main window";
  return utf8(class_of(f)) + " \"" + utf8(stored_text(f)) + "\"";
}

int Probe::banner_left() {
  RECT r = outer_rect(control("标签11"));
  MapWindowPoints(nullptr, main(), reinterpret_cast<POINT*>(&r), 2);
  return r.left;
}

void Probe::check_window_style() {
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(main(), GWL_STYLE));
  const auto ex_style = static_cast<DWORD>(GetWindowLongPtrW(main(), GWL_EXSTYLE));
  std::vector<std::string> faults;
  if ((style & WS_CAPTION) != WS_CAPTION) faults.push_back("no caption bar");
  if (!(style & WS_SYSMENU)) faults.push_back("no system menu");
  if (!(style & WS_MINIMIZEBOX)) faults.push_back("no minimise button");
  if (style & WS_MAXIMIZEBOX) faults.push_back("a maximise button");
  if (style & WS_THICKFRAME) faults.push_back("a sizing frame");
  if (style & WS_CHILD) faults.push_back("a child window");
  if (ex_style & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST)) faults.push_back("tool or topmost window");
  if (GetWindow(main(), GW_OWNER) != nullptr) faults.push_back("an owner");
  if (GetMenu(main()) != nullptr) faults.push_back("a menu bar");
  if (IsIconic(main()) || IsZoomed(main())) faults.push_back("not in the normal state");
  if (!faults.empty()) {
    std::string all;
    for (const auto& f : faults) all += (all.empty() ? "" : ", ") + f;
    fail("main window has " + all);
  }
}

void Probe::check_layout() {
  const auto& window = halverne::main_window_design();
  std::vector<std::string> faults;
  std::map<HWND, std::size_t> order;  // window -> its index in the layout order
  for (std::size_t i = 0; i < window.controls.size(); ++i) {
    const ControlDesign& d = window.controls[i];
    const std::string name(d.name);
    if (d.kind == Kind::Timer) continue;  // never shown; checked below
    HWND w = find_control(d);
    if (w == nullptr) {
      faults.push_back(name + ": no " + utf8(class_of_kind(d.kind)) + " at its design rectangle");
      continue;
    }
    controls_[name] = w;
    order[w] = i;
    if (!IsWindowVisible(w)) faults.push_back(name + ": not visible");
    if (!IsWindowEnabled(w)) faults.push_back(name + ": disabled");
    const std::wstring expected = widen(d.text, 936);
    const std::wstring shown = d.kind == Kind::ShapeBox ? stored_text(w) : control_text(w);
    if (shown != expected)
      faults.push_back(name + ": text " + show(shown) + ", not " + show(expected));
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(w, GWL_STYLE));
    const auto ex_style = static_cast<DWORD>(GetWindowLongPtrW(w, GWL_EXSTYLE));
    if (d.kind == Kind::EditBox) {
      if (style & ES_MULTILINE) faults.push_back(name + ": multi-line");
      if (style & (ES_READONLY | ES_PASSWORD | ES_NUMBER | ES_UPPERCASE | ES_LOWERCASE))
        faults.push_back(name + ": filters or hides input");
      if (!(style & ES_AUTOHSCROLL)) faults.push_back(name + ": does not scroll sideways");
      if (style & ES_NOHIDESEL) faults.push_back(name + ": shows its selection without focus");
      if (!(ex_style & WS_EX_CLIENTEDGE)) faults.push_back(name + ": no sunken client edge");
      if (!(style & WS_TABSTOP)) faults.push_back(name + ": not a tab stop");
      const auto limit = send(w, EM_GETLIMITTEXT, 0, 0, "EM_GETLIMITTEXT");
      if (limit < 0x7FFFFFFE)
        faults.push_back(name + ": length limited to " + std::to_string(limit));
    } else if (style & WS_TABSTOP) {
      faults.push_back(name + ": a tab stop");
    }
  }
  // Stacking: the children of each parent, top to bottom, in layout order;
  // nothing else visible among them (the timer holder, if there is one, hidden).
  for (HWND parent : {main_, controls_.count("外形框1") ? controls_["外形框1"] : nullptr}) {
    if (parent == nullptr) continue;
    std::size_t last = 0;
    bool first = true;
    const auto children = children_top_down(parent);
    for (HWND w : children) {
      const auto known = order.find(w);
      if (known == order.end() && parent == main_ && class_fits(Kind::Timer, class_of(w))) {
        if (IsWindowVisible(w)) faults.push_back("时钟1: its holder is visible");
        if (w != children.back()) faults.push_back("时钟1: not at the bottom of the stacking");
        continue;
      }
      if (known == order.end()) {
        if (IsWindowVisible(w))
          faults.push_back("an unexpected visible " + utf8(class_of(w)) + " at " +
                           rect_text(rect_in_parent(w)));
        continue;
      }
      if (!first && known->second < last)
        faults.push_back(std::string(window.controls[known->second].name) + " stacked below " +
                         std::string(window.controls[last].name));
      first = false;
      last = known->second;
    }
  }
  if (!faults.empty()) {
    std::string all;
    for (const auto& f : faults) all += "\n  " + f;
    fail("layout differs:" + all);
  }
  std::printf("layout: %zu controls checked\n", order.size());
}

// Watches the banner label through one full pass, sampling its position far
// faster than the timer ticks: every change must be one pixel to the left,
// except the wrap, which must bring it from the wrap point back to the main
// window's outer width.
void Probe::banner_pass() {
  const RECT outer = outer_rect(main());
  const int outer_width = outer.right - outer.left;
  const int label_width = design("标签11").width;
  int previous = banner_left();
  int steps = 0, skips = 0, wraps = 0;
  const auto t0 = Clock::now();
  std::optional<Clock::time_point> wrapped_at;
  int steps_after_wrap = 0;
  while (Clock::now() - t0 < std::chrono::seconds(20)) {
    const int left = banner_left();
    if (left == previous) {
      Sleep(1);
      continue;
    }
    if (left == previous - 1) {
      ++steps;
      if (wrapped_at) ++steps_after_wrap;
    } else if (left < previous - 1 && left > -label_width) {
      ++skips;  // the probe missed a sample; allowed now and then
    } else if (left == outer_width && previous <= -label_width + 3) {
      ++wraps;
      if (!wrapped_at) wrapped_at = Clock::now();
    } else {
      fail("banner jumped from " + std::to_string(previous) + " to " + std::to_string(left) +
           " (outer width " + std::to_string(outer_width) + ", label width " +
           std::to_string(label_width) + ")");
    }
    if (left < -label_width) fail("banner went past the wrap point: " + std::to_string(left));
    previous = left;
    if (wrapped_at && steps_after_wrap >= 20) break;
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
  std::printf("banner: %d one-pixel steps, %d missed samples, %d wraps in %.2f s (%.0f px/s)\n",
              steps, skips, wraps, seconds, (steps + skips) / seconds);
  if (wraps != 1)
    fail("banner did not wrap back to the outer width " + std::to_string(outer_width));
  if (skips * 20 > steps) fail("banner moved by more than one pixel too often");
  // 5 ms asked for; Wine delivers every 10 ms at best. Fewer than 50 steps a
  // second means the program asked for a much longer period.
  if ((steps + skips) / seconds < 50) fail("banner moves too slowly");
}

std::wstring parse_text(const std::string& token) {
  std::wstring raw = widen(token);
  std::wstring out;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] != L'\\' || i + 1 == raw.size()) {
      out += raw[i];
      continue;
    }
    const wchar_t e = raw[++i];
    if (e == L't')
      out += L'\t';
    else if (e == L'u' && i + 4 < raw.size()) {
      out += static_cast<wchar_t>(std::stoi(utf8(raw.substr(i + 1, 4)), nullptr, 16));
      i += 4;
    } else
      out += e;
  }
  return out;
}

// Splits a line into words; "..." is one word (quotes removed, escapes kept
// for parse_text).
std::vector<std::string> split(const std::string& line) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
      ++i;
      continue;
    }
    if (line[i] == '#') break;
    std::string word;
    if (line[i] == '"') {
      ++i;
      while (i < line.size() && line[i] != '"') {
        if (line[i] == '\\' && i + 1 < line.size()) word += line[i++];
        word += line[i++];
      }
      if (i == line.size()) fail("unterminated quote");
      ++i;
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
        word += line[i++];
    }
    words.push_back(word);
  }
  return words;
}

int number(const std::string& word) {
  try {
    return std::stoi(word);
  } catch (...) {
    fail("not a number: " + word);
  }
}

void need(const std::vector<std::string>& args, std::size_t n) {
  if (args.size() != n + 1) fail(args[0] + " takes " + std::to_string(n) + " argument(s)");
}

void Probe::run(const std::vector<std::string>& args) {
  const std::string& c = args[0];
  if (c == "start") {
    need(args, 0);
    start();
  } else if (c == "system-menu") {
    need(args, 0);
    // Open menus are windows of the system class #32768.
    if (!wait_until(
            [] {
              HWND menu = FindWindowW(L"#32768", nullptr);
              return menu != nullptr && IsWindowVisible(menu);
            },
            3000))
      fail("the system menu did not open");
  } else if (c == "sleep") {
    need(args, 1);
    pause(static_cast<DWORD>(number(args[1])));
  } else if (c == "screen") {
    need(args, 2);
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    if (w != number(args[1]) || h != number(args[2]))
      fail("screen is " + std::to_string(w) + "x" + std::to_string(h));
  } else if (c == "window-rect" && args.size() == 1) {
    const RECT r = outer_rect(main());
    std::printf("window_rect=%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
  } else if (c == "window-rect") {
    need(args, 4);
    const RECT r = outer_rect(main());
    if (r.left != number(args[1]) || r.top != number(args[2]) ||
        r.right - r.left != number(args[3]) || r.bottom - r.top != number(args[4]))
      fail("main window's outer rectangle is " + rect_text(r));
  } else if (c == "window-style") {
    need(args, 0);
    check_window_style();
  } else if (c == "layout") {
    need(args, 0);
    check_layout();
  } else if (c == "text" || c == "text-stays") {
    need(args, c == "text" ? 2 : 3);
    HWND w = control(args[1]);
    const std::wstring expected = parse_text(args[2]);
    std::wstring got;
    if (!wait_until([&] { return (got = control_text(w)) == expected; }, 3000))
      fail(args[1] + " shows " + show(got) + ", not " + show(expected));
    if (c == "text-stays" &&
        wait_until([&] { return (got = control_text(w)) != expected; }, number(args[3])))
      fail(args[1] + " changed to " + show(got));
  } else if (c == "length") {
    need(args, 2);
    HWND w = control(args[1]);
    const auto expected = static_cast<std::size_t>(number(args[2]));
    std::size_t got = 0;
    if (!wait_until([&] { return (got = control_text(w).size()) == expected; }, 5000))
      fail(args[1] + " holds " + std::to_string(got) + " characters, not " + args[2]);
  } else if (c == "selection") {
    need(args, 3);
    DWORD from = 0, to = 0;
    send(control(args[1]), EM_GETSEL, reinterpret_cast<WPARAM>(&from),
         reinterpret_cast<LPARAM>(&to), "EM_GETSEL");
    if (from != static_cast<DWORD>(number(args[2])) || to != static_cast<DWORD>(number(args[3])))
      fail(args[1] + " selection is " + std::to_string(from) + ".." + std::to_string(to));
  } else if (c == "focus") {
    need(args, 1);
    HWND w = control(args[1]);
    if (!wait_until([&] { return focus() == w; }, 3000))
      fail("focus is in " + describe_focus() + ", not in " + args[1]);
  } else if (c == "foreground") {
    need(args, 0);
    if (!wait_until([&] { return GetForegroundWindow() == main(); }, 3000))
      fail("the main window is not the foreground window");
  } else if (c == "enabled") {
    need(args, 1);
    const bool want = args[1] == "yes";
    if (!wait_until([&] { return (IsWindowEnabled(main()) != 0) == want; }, 3000))
      fail(std::string("the main window is ") + (want ? "disabled" : "enabled"));
  } else if (c == "notice") {
    need(args, 0);
    HWND box = nullptr;
    if (!wait_until([&] { return (box = notice_box()) != nullptr; }, 3000)) fail("no notice box");
    const std::wstring caption = stored_text(box);
    if (caption != L"信息：") fail("notice box caption is " + show(caption));
    bool found = false;
    std::wstring texts;
    for (HWND w : children_top_down(box)) {
      const std::wstring t = stored_text(w);
      texts += L" [" + class_of(w) + L": " + t + L"]";
      if (lstrcmpiW(class_of(w).c_str(), L"Static") == 0 && t == L"请输入身高或体重") found = true;
    }
    if (!found) fail("notice box does not say 请输入身高或体重:" + utf8(texts));
    if (GetWindow(box, GW_OWNER) != nullptr) fail("notice box has an owner");
  } else if (c == "no-notice") {
    need(args, 1);
    if (wait_until([&] { return notice_box() != nullptr; }, number(args[1])))
      fail("a notice box appeared: " + show(stored_text(notice_box())));
  } else if (c == "notice-focus") {
    need(args, 0);
    HWND box = notice_box();
    if (box == nullptr) fail("no notice box");
    if (!wait_until(
            [&] {
              HWND f = focus();
              return f == box || (f != nullptr && IsChild(box, f));
            },
            3000))
      fail("focus is in " + describe_focus() + ", not in the notice box");
  } else if (c == "notice-ok") {
    need(args, 0);
    HWND box = notice_box();
    if (box == nullptr) fail("no notice box");
    HWND ok = GetDlgItem(box, IDOK);
    if (ok == nullptr || stored_text(ok) != L"OK") {
      ok = nullptr;
      for (HWND w : children_top_down(box))
        if (lstrcmpiW(class_of(w).c_str(), L"Button") == 0) ok = w;
    }
    if (ok == nullptr) fail("notice box has no button");
    // The box is found as soon as it exists; it is centred and shown a
    // moment later, and a click before that lands elsewhere. So click once
    // it is visible and standing still, and again should the first click
    // have come too early.
    bool closed = false;
    for (int attempt = 0; attempt < 3 && !closed; ++attempt) {
      RECT r{};
      wait_until(
          [&] {
            const RECT before = outer_rect(ok);
            Sleep(50);
            r = outer_rect(ok);
            return IsWindowVisible(box) && EqualRect(&before, &r);
          },
          2000);
      click_at({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
      closed = wait_until([&] { return notice_box() == nullptr; }, 1000);
    }
    if (!closed) fail("the notice box did not close on a click on its button");
  } else if (c == "banner-moving") {
    need(args, 1);
    const int before = banner_left();
    int now = before;
    if (!wait_until([&] { return (now = banner_left()) != before; }, number(args[1])))
      fail("banner stands still at " + std::to_string(before));
    if (now > before && now < 300)
      fail("banner moved right, from " + std::to_string(before) + " to " + std::to_string(now));
  } else if (c == "banner-start") {
    need(args, 0);
    RECT client{};
    GetClientRect(main(), &client);
    const RECT outer = outer_rect(main());
    const int left = banner_left();
    // Right after the window appears the label is at (or a few ticks short
    // of) the main window's outer width, beyond the client area.
    if (left > outer.right - outer.left || left < client.right - 30)
      fail("banner starts at " + std::to_string(left) + ", outer width " +
           std::to_string(outer.right - outer.left) + ", client width " +
           std::to_string(client.right));
    std::printf("banner first seen at %d\n", left);
  } else if (c == "banner-at") {
    need(args, 1);
    const int target = number(args[1]);
    if (!wait_until([&] { return banner_left() == target; }, 20000))
      fail("banner never reached " + args[1]);
  } else if (c == "signal") {
    need(args, 1);
    std::FILE* f = _wfopen(parse_text(args[1]).c_str(), L"wb");
    if (f == nullptr) fail("cannot write " + args[1]);
    std::fclose(f);
  } else if (c == "wait-file") {
    need(args, 2);
    const std::wstring path = parse_text(args[1]);
    if (!wait_until([&] { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; },
                    number(args[2])))
      fail("no " + args[1] + " within " + args[2] + " ms");
  } else if (c == "wait-exit") {
    need(args, 0);
    if (process_.hProcess == nullptr) fail("the program has not been started");
    WaitForSingleObject(process_.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    std::printf("exit code %d\n", static_cast<int>(code));
  } else if (c == "banner-pass") {
    need(args, 0);
    banner_pass();
  } else if (c == "type") {
    need(args, 1);
    for (wchar_t ch : parse_text(args[1])) type_char(ch);
  } else if (c == "key") {
    need(args, 1);
    press_chord(args[1]);
  } else if (c == "paste") {
    need(args, 1);
    put_on_clipboard(parse_text(args[1]));
    press_chord("Ctrl+V");
  } else if (c == "paste-repeat") {
    need(args, 3);
    std::wstring text = parse_text(args[1]);
    const std::wstring fill = parse_text(args[3]);
    for (int i = number(args[2]); i > 0; --i) text += fill;
    put_on_clipboard(text);
    press_chord("Ctrl+V");
  } else if (c == "click-close") {
    need(args, 0);
    // The close button is wherever the window answers HTCLOSE: searched
    // along the caption from the right.
    const RECT r = outer_rect(main());
    long sx = 0, sy = 0, n = 0;
    for (int y = r.top; y < std::min<int>(r.bottom, r.top + 40); y += 2)
      for (int x = std::max<int>(r.left, r.right - 80); x < r.right; x += 2) {
        const auto at = static_cast<LPARAM>((static_cast<unsigned>(y) << 16) |
                                            (static_cast<unsigned>(x) & 0xffffu));
        if (send(main(), WM_NCHITTEST, 0, at, "WM_NCHITTEST") == HTCLOSE) sx += x, sy += y, ++n;
      }
    if (n == 0) fail("no close button on the caption");
    click_at({sx / n, sy / n});  // its middle
  } else if (c == "other-window") {
    need(args, 0);
    // A window of the probe's own, made the foreground window by a click,
    // as when the user turns to another program.
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    wc.lpszClassName = L"HalverneProbeWindow";
    RegisterClassW(&wc);
    if (other_ == nullptr)
      other_ =
          CreateWindowExW(0, wc.lpszClassName, L"Another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                          20, 20, 240, 160, nullptr, nullptr, wc.hInstance, nullptr);
    if (other_ == nullptr) fail("cannot create a window of the probe's own");
    pause(200);
    RECT r = outer_rect(other_);
    click_at({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    if (!wait_until([&] { return GetForegroundWindow() == other_; }, 3000))
      fail("the other window did not become the foreground window");
  } else if (c == "click-caption") {
    need(args, 0);
    const RECT r = outer_rect(main());
    POINT origin{0, 0};
    ClientToScreen(main(), &origin);
    // the middle of the caption bar, between the frame and the client area
    click_at({(r.left + r.right) / 2, (r.top + origin.y) / 2 + 1});
  } else if (c == "close") {
    need(args, 0);
    if (!PostMessageW(main(), WM_CLOSE, 0, 0)) fail("cannot post WM_CLOSE");
  } else if (c == "exit-code") {
    need(args, 1);
    if (process_.hProcess == nullptr) fail("the program has not been started");
    if (WaitForSingleObject(process_.hProcess, 5000) != WAIT_OBJECT_0)
      fail("the program is still running");
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    if (static_cast<int>(code) != number(args[1]))
      fail("exit code " + std::to_string(static_cast<int>(code)));
    std::printf("exit code %d\n", static_cast<int>(code));
  } else if (c == "set-text") {
    need(args, 2);
    const std::wstring text = parse_text(args[2]);
    send(control(args[1]), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), "WM_SETTEXT");
  } else if (c == "set-weights") {
    need(args, 1);
    HWND w = control("编辑框2");
    const int n = number(args[1]);
    for (int i = 0; i < n; ++i)
      send(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(i % 2 ? L"71" : L"70"), "WM_SETTEXT");
  } else if (c == "resources") {
    need(args, 0);
    DWORD handles = 0;
    GetProcessHandleCount(process_.hProcess, &handles);
    std::printf("handles=%lu system_handles=%lu windows=%lu gdi=%lu user=%lu\n", handles,
                system_handle_count(process_.dwProcessId), window_count(process_.dwProcessId),
                GetGuiResources(process_.hProcess, GR_GDIOBJECTS),
                GetGuiResources(process_.hProcess, GR_USEROBJECTS));
  } else if (c == "memory") {
    need(args, 0);
    PROCESS_MEMORY_COUNTERS_EX m{};
    m.cb = sizeof m;
    if (!GetProcessMemoryInfo(process_.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&m),
                              sizeof m))
      fail("GetProcessMemoryInfo failed");
    std::printf("working_set=%zu private=%zu\n", m.WorkingSetSize, m.PrivateUsage);
  } else if (c == "cpu") {
    need(args, 0);
    FILETIME created, ended, kernel, user;
    if (!GetProcessTimes(process_.hProcess, &created, &ended, &kernel, &user))
      fail("GetProcessTimes failed");
    auto ticks = [](FILETIME f) {
      return (static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
    };
    std::printf("cpu_ms=%.1f\n", static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0);
  } else {
    fail("unknown command " + c);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring exe, title = L"Halverne", script;
  for (int i = 1; i < argc; ++i) {
    const std::wstring a = argv[i];
    if (a == L"--exe" && i + 1 < argc)
      exe = argv[++i];
    else if (a == L"--title" && i + 1 < argc)
      title = argv[++i];
    else
      script = a;
  }
  if (script.empty()) {
    std::fprintf(stderr, "usage: probe [--exe PATH] [--title TITLE] SCRIPT\n");
    return 2;
  }
  std::FILE* file = _wfopen(script.c_str(), L"rb");
  if (file == nullptr) {
    std::fprintf(stderr, "cannot read %s\n", utf8(script).c_str());
    return 2;
  }
  std::string all;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) all.append(buffer, n);
  std::fclose(file);
  std::istringstream in(all);
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  Probe probe(exe, title);
  std::string line;
  int line_number = 0;
  try {
    while (std::getline(in, line)) {
      ++line_number;
      const auto args = split(line);
      if (args.empty()) continue;
      std::printf("> %s\n", line.c_str());
      probe.run(args);
    }
  } catch (const Failure& f) {
    std::printf("FAIL line %d: %s\n", line_number, f.message.c_str());
    return 1;
  }
  std::printf("PASS\n");
  return 0;
}
