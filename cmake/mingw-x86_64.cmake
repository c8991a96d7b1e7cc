# The 64-bit Windows program (x64), what most Windows machines run.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
set(TOOLCHAIN_PACKAGE x86-64)
set(TOOLCHAIN_MSYS2 mingw64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
