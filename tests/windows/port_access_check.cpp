// Drives port_access_win32.cpp directly, for what vusk.exe cannot show:
// that the library is unloaded again, and that ports past 0xFFFF are
// refused (the run sequence never passes one). Run beside the stand-in
// WINIO.dll; with the argument "refused" the library is told to refuse.
// Exits with the number of the first failed check.
#include "adapter/port_access.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstring>

namespace {

bool WinIoLoaded()
{
    return GetModuleHandleW(L"WINIO.dll") != nullptr;
}

int CheckRefused()
{
    if (InitializeWinIo(0x378)) {
        return 1;
    }
    return WinIoLoaded() ? 2 : 0;
}

int CheckGranted()
{
    // Nothing is loaded yet, so there is nothing to call.
    if (SetPortVal(0x378, 0x00, 1)) {
        return 1;
    }
    if (!InitializeWinIo(0x378) || !WinIoLoaded()) {
        return 2;
    }
    // Cut to 16 bits, this would land on port 0x037A.
    if (SetPortVal(0x1037A, 0x0C, 1)) {
        return 3;
    }
    if (!SetPortVal(0xFFFF, 0x04, 1)) {
        return 4;
    }
    ShutdownWinIo();
    if (WinIoLoaded()) {
        return 5;
    }
    // Calling into the unloaded library would crash.
    if (SetPortVal(0x378, 0x00, 1)) {
        return 6;
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    return argc > 1 && std::strcmp(argv[1], "refused") == 0 ? CheckRefused() : CheckGranted();
}
