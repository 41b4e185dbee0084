# Cross-build for 32-bit x86 Windows, the build that is shipped
# (Debian: g++-mingw-w64-i686).
set(VUSK_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
