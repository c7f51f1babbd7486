# Project-wide build helpers: strict warnings, sanitizers, and the test helper.

set(HALVERNE_WARNINGS
  -Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wshadow
  -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual
  -Wnull-dereference -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough
  -Werror)

# Applies the project's warning set to one of our own targets (never to
# third-party code such as GoogleTest built from source).
function(halverne_strict target)
  target_compile_options(${target} PRIVATE ${HALVERNE_WARNINGS})
endfunction()

if(HALVERNE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# GoogleTest: Debian's package natively; built from Debian's sources with the
# same toolchain when cross-compiling, so the same tests run under Wine.
if(CMAKE_CROSSCOMPILING)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  if(NOT TARGET GTest::gtest_main)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
else()
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()

# halverne_add_test(NAME SOURCES src... [LIBS lib...] [LABELS label])
# One test binary. Natively each GoogleTest case becomes its own CTest test;
# cross-built binaries run whole under the emulator (one CTest test each), so
# that Wine is not started once per case.
function(halverne_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  halverne_strict(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main)
  # One label per test: the generated discovery script cannot carry a list.
  if(NOT ARG_LABELS)
    set(ARG_LABELS unit)
  endif()
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS ${ARG_LABELS})
  else()
    gtest_discover_tests(${name} TEST_PREFIX "${name}." PROPERTIES LABELS ${ARG_LABELS})
  endif()
endfunction()
