# Shared part of the MinGW-w64 cross-build toolchain files: the toolchain
# file sets VUSK_MINGW_PREFIX and CMAKE_SYSTEM_PROCESSOR, then includes this.
set(CMAKE_SYSTEM_NAME Windows)

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
