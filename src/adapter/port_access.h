// Direct I/O port access, with the WinIo library's operation names.
// One implementation per platform; the tests link a recording double.
#pragma once

#include <cstdint>

// Highest address in the x86 I/O space, which is 16 bits wide.
constexpr std::uint32_t HighestIoPort = 0xFFFF;

// Opens access to the I/O ports of the parallel port at `portBase`, the
// base that the writes will use. True means the process may now write.
// A platform that reaches the port through a per-port device picks that
// device by this base; WinIo's own initialiser takes no argument.
bool InitializeWinIo(std::uint32_t portBase);

// Writes the low `size` bytes of `value` to I/O port `port`. Only size 1 is
// used. True when the write was made; ports past 0xFFFF are refused.
bool SetPortVal(std::uint32_t port, std::uint32_t value, std::uint8_t size);

// Ends the access that a successful InitializeWinIo opened.
void ShutdownWinIo();
