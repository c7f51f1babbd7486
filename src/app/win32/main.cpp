#include <windows.h>

#include "app/frame.h"
#include "app/program_handlers.h"
#include "app/win32/win32_window_system.h"
#include "ui/layout.h"

namespace {

// The program's own hooks at start-up and at the normal end: it has nothing
// to prepare and nothing to release.
void start_hook() {}
void end_hook() {}

}  // namespace

// Process entry. The command line is not read: arguments are ignored.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // No system box for a drive that is not ready or a file that cannot be
  // opened: the program opens no files, and such a box would only confuse.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);

  halverne::win32::Win32WindowSystem window_system(instance);
  halverne::Frame frame(window_system, {halverne::main_window_design(),
                                        halverne::program_handlers(), &start_hook, &end_hook});
  // A fatal error does not come back here: the frame ends the process with
  // -1 itself. Nothing else is expected to escape; should anything, it ends
  // in the same box rather than in the runtime's abort.
  int exit_code = -1;
  try {
    exit_code = frame.run();
  } catch (...) {
    frame.fatal_error(halverne::Text());
  }
  window_system.exit_process(exit_code);
}
