// Port access on Windows through the WinIo library (WINIO.dll), which the
// user installs beside vusk.exe or in the system directory, together with
// its kernel driver. The library is loaded at run time, so that vusk.exe
// starts without it and can say "Error open LPT port" when it is missing.
#include "adapter/port_access.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

// The library's three exports: C linkage, __stdcall, undecorated names.
using WinIoInitializeFunction = bool(WINAPI*)();
using WinIoShutdownFunction = void(WINAPI*)();
using WinIoSetPortValFunction = bool(WINAPI*)(WORD port, DWORD value, BYTE size);

constexpr wchar_t WinIoFileName[] = L"WINIO.dll";
constexpr DWORD WinIoFileNameLength = sizeof WinIoFileName / sizeof WinIoFileName[0] - 1;

HMODULE winIo = nullptr;
WinIoInitializeFunction winIoInitialize = nullptr;
WinIoShutdownFunction winIoShutdown = nullptr;
WinIoSetPortValFunction winIoSetPortVal = nullptr;

// Puts WINIO.dll after the first `directoryLength` characters of `path`,
// adding a backslash if the directory lacks one. False when the result
// would not fit, so a truncated path is never tried.
bool AppendWinIoFileName(wchar_t (&path)[MAX_PATH], DWORD directoryLength)
{
    if (directoryLength > 0 && path[directoryLength - 1] != L'\\') {
        if (directoryLength + 1 >= MAX_PATH) {
            return false;
        }
        path[directoryLength++] = L'\\';
    }
    if (directoryLength + WinIoFileNameLength >= MAX_PATH) {
        return false;
    }
    for (DWORD i = 0; i <= WinIoFileNameLength; ++i) {
        path[directoryLength + i] = WinIoFileName[i];
    }
    return true;
}

// The directory vusk.exe was started from, ending in a backslash.
bool PathBesideProgram(wchar_t (&path)[MAX_PATH])
{
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    // A full buffer means the name was cut short (and, before Vista, left
    // without its terminating NUL).
    if (length == 0 || length >= MAX_PATH) {
        return false;
    }
    DWORD directoryLength = length;
    while (directoryLength > 0 && path[directoryLength - 1] != L'\\') {
        --directoryLength;
    }
    return directoryLength > 0 && AppendWinIoFileName(path, directoryLength);
}

bool PathInSystemDirectory(wchar_t (&path)[MAX_PATH])
{
    // Answers the length without the NUL, or the size needed if it did
    // not fit.
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    return length > 0 && length < MAX_PATH && AppendWinIoFileName(path, length);
}

// Loads the library from a full path only. A bare name would let the
// loader search the current directory and PATH, and so load a WINIO.dll
// that someone left in a download folder; this one runs with the rights
// to drive the hardware.
HMODULE LoadWinIoFrom(bool (*buildPath)(wchar_t (&)[MAX_PATH]))
{
    wchar_t path[MAX_PATH];
    if (!buildPath(path)) {
        return nullptr;
    }
    // The altered search path makes the library's own imports resolve
    // from its directory rather than from ours.
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// FARPROC is one particular function-pointer type; going through the
// generic void (*)() is the conversion that needs no warning suppressed.
using AnyFunction = void (*)();

AnyFunction FindWinIoExport(const char* name)
{
    return reinterpret_cast<AnyFunction>(GetProcAddress(winIo, name));
}

void UnloadWinIo()
{
    winIoInitialize = nullptr;
    winIoShutdown = nullptr;
    winIoSetPortVal = nullptr;
    if (winIo != nullptr) {
        FreeLibrary(winIo);
        winIo = nullptr;
    }
}

} // namespace

// WinIo opens the whole I/O space at once, so the base is not needed here.
bool InitializeWinIo(std::uint32_t /*portBase*/)
{
    // A damaged or wrong-architecture WINIO.dll (or one whose own imports
    // are missing) would make the loader show a dialog box and wait for a
    // click; a console tool must fail with its message instead. The
    // caller's error mode is kept and put back once the loading is done.
    const UINT callerErrorMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    SetErrorMode(callerErrorMode | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    winIo = LoadWinIoFrom(PathBesideProgram);
    if (winIo == nullptr) {
        winIo = LoadWinIoFrom(PathInSystemDirectory);
    }
    SetErrorMode(callerErrorMode);
    if (winIo == nullptr) {
        return false;
    }
    winIoInitialize = reinterpret_cast<WinIoInitializeFunction>(FindWinIoExport("InitializeWinIo"));
    winIoShutdown = reinterpret_cast<WinIoShutdownFunction>(FindWinIoExport("ShutdownWinIo"));
    winIoSetPortVal = reinterpret_cast<WinIoSetPortValFunction>(FindWinIoExport("SetPortVal"));
    // A library without all three is not one we can drive; one whose
    // driver would not start has granted nothing.
    if (winIoInitialize == nullptr || winIoShutdown == nullptr || winIoSetPortVal == nullptr ||
        !winIoInitialize()) {
        UnloadWinIo();
        return false;
    }
    return true;
}

bool SetPortVal(std::uint32_t port, std::uint32_t value, std::uint8_t size)
{
    // The library takes a 16-bit port: a larger one would be cut down onto
    // some other device's port, so refuse it instead.
    if (winIoSetPortVal == nullptr || port > HighestIoPort) {
        return false;
    }
    return winIoSetPortVal(static_cast<WORD>(port), value, size);
}

void ShutdownWinIo()
{
    if (winIoShutdown != nullptr) {
        winIoShutdown();
    }
    UnloadWinIo();
}
