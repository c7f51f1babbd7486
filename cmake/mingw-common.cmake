# Shared by both mingw toolchain files; HALVERNE_MINGW_TRIPLE is set by the caller.
# HALVERNE_MINGW_THREADS (win32 unless the caller says otherwise) picks
# Debian's thread-model variant of the compiler.
if(NOT HALVERNE_MINGW_THREADS)
  set(HALVERNE_MINGW_THREADS win32)
endif()
set(CMAKE_C_COMPILER ${HALVERNE_MINGW_TRIPLE}-gcc-${HALVERNE_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${HALVERNE_MINGW_TRIPLE}-g++-${HALVERNE_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${HALVERNE_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${HALVERNE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Static runtime: the executables import system DLLs only.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
