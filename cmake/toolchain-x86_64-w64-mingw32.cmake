# Cross build for 64-bit Windows with Debian's mingw-w64 (posix thread model).
# Its binaries run under 64-bit Wine, so ctest runs them like native tests.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(HALVERNE_MINGW_TRIPLE x86_64-w64-mingw32)
# GoogleTest needs std::mutex, which GCC 12's win32 thread model lacks; the
# posix model's winpthread is linked statically like the rest of the runtime.
set(HALVERNE_MINGW_THREADS posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
