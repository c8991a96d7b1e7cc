# Cross-compiling the Windows program with MinGW-w64; the per-architecture
# toolchain files set CMAKE_SYSTEM_PROCESSOR, TOOLCHAIN_PREFIX,
# TOOLCHAIN_PACKAGE and TOOLCHAIN_MSYS2, then include this one.
set(CMAKE_SYSTEM_NAME Windows)

# On Windows itself MSYS2 keeps each architecture's MinGW-w64 in a folder of
# its own, where the resource compiler has no prefix: that folder is looked
# in first, where MSYS2_LOCATION says MSYS2 is (its set-up action puts it
# anywhere) or at its usual place, before a PATH that may hold the other's.
set(rc_names ${TOOLCHAIN_PREFIX}-windres)
if(CMAKE_HOST_WIN32)
    set(toolchain_hints C:/msys64/${TOOLCHAIN_MSYS2}/bin)
    if(DEFINED ENV{MSYS2_LOCATION})
        file(TO_CMAKE_PATH "$ENV{MSYS2_LOCATION}" msys2_location)
        list(PREPEND toolchain_hints ${msys2_location}/${TOOLCHAIN_MSYS2}/bin)
    endif()
    list(APPEND rc_names windres)
endif()
find_program(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++ HINTS ${toolchain_hints})
find_program(CMAKE_RC_COMPILER NAMES ${rc_names} HINTS ${toolchain_hints})
if(NOT CMAKE_CXX_COMPILER OR NOT CMAKE_RC_COMPILER)
    message(FATAL_ERROR "MinGW-w64 for ${CMAKE_SYSTEM_PROCESSOR} is missing: run scripts/deps.sh win32 "
                        "(or apt-get install g++-mingw-w64-${TOOLCHAIN_PACKAGE} binutils-mingw-w64-${TOOLCHAIN_PACKAGE})")
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
