# Cross-compiling the Windows program with MinGW-w64; the per-architecture
# toolchain files set CMAKE_SYSTEM_PROCESSOR, TOOLCHAIN_PREFIX and
# TOOLCHAIN_PACKAGE, then include this one.
set(CMAKE_SYSTEM_NAME Windows)

find_program(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++)
find_program(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)
if(NOT CMAKE_CXX_COMPILER OR NOT CMAKE_RC_COMPILER)
    message(FATAL_ERROR "MinGW-w64 for ${CMAKE_SYSTEM_PROCESSOR} is missing: run scripts/deps.sh win32 "
                        "(or apt-get install g++-mingw-w64-${TOOLCHAIN_PACKAGE} binutils-mingw-w64-${TOOLCHAIN_PACKAGE})")
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
