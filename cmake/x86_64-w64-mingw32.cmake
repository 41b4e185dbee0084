# Cross-build for x86-64 Windows (Debian: g++-mingw-w64-x86-64). Not
# shipped: it exists so that the Windows port-access file is also run under
# wine64 on hosts that cannot run 32-bit code.
set(VUSK_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
