// Stand-in for the WinIo library in the wine tests. It grants or refuses
// port access as told and appends every call it receives to a log, one per
// line, in the form the native tests' recording double uses.
//   VUSK_FAKE_WINIO_LOG     log file (a Windows path, e.g. Z:/tmp/log)
//   VUSK_FAKE_WINIO_REFUSE  when set and not empty, InitializeWinIo fails
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

void Record(const char* call)
{
    const char* path = std::getenv("VUSK_FAKE_WINIO_LOG");
    if (path == nullptr) {
        return;
    }
    // Binary, so that the log has the same line ends as the native one.
    std::FILE* log = std::fopen(path, "ab");
    if (log == nullptr) {
        return;
    }
    std::fprintf(log, "%s\n", call);
    std::fclose(log);
}

} // namespace

// Exported undecorated by fake_winio.def, as the real library does.
extern "C" bool WINAPI InitializeWinIo()
{
    Record("InitializeWinIo");
    const char* refuse = std::getenv("VUSK_FAKE_WINIO_REFUSE");
    return refuse == nullptr || refuse[0] == '\0';
}

extern "C" void WINAPI ShutdownWinIo()
{
    Record("ShutdownWinIo");
}

extern "C" bool WINAPI SetPortVal(WORD port, DWORD value, BYTE size)
{
    char text[64];
    std::snprintf(text, sizeof text, "SetPortVal(0x%x, 0x%02x, %u)", static_cast<unsigned>(port),
                  static_cast<unsigned>(value), static_cast<unsigned>(size));
    Record(text);
    return true;
}
