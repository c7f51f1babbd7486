// The smallest honest Win32 window program, built with the same toolchain and
// flags as Halverne.exe: one top-level window of the same outer size, a
// message loop, exit code 0 when the window is closed. scripts/measure.sh
// states every figure of Halverne.exe as a ratio against this program.
#include <windows.h>

namespace {

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = window_proc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  window_class.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  window_class.lpszClassName = L"HalverneMinimalWindow";
  if (RegisterClassExW(&window_class) == 0) return 1;

  constexpr DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - 307) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - 189) / 2;
  HWND window = CreateWindowExW(0, window_class.lpszClassName, L"Minimal window", style, x, y, 307,
                                189, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
