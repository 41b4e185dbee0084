# Cross-build for 32-bit x86 Windows with the MinGW-w64 toolchain
# (Debian: g++-mingw-w64-i686).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(VUSK_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${VUSK_MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${VUSK_MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${VUSK_MINGW_PREFIX}-windres)

# Headers and libraries come from the target's sysroot only; build tools
# (bash, wine) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${VUSK_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
