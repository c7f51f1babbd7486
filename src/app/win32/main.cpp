#include <windows.h>

// Process entry. The window arrives with the Win32 window system.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return 0; }
