# The 32-bit Windows program (x86), for 32-bit Windows 10.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
set(TOOLCHAIN_PACKAGE i686)
set(TOOLCHAIN_MSYS2 mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
