// Port access on Linux through /dev/port, where the file offset is the
// I/O port number. Opening it needs root or CAP_SYS_RAWIO, and kernel
// lockdown refuses it outright.
#include "adapter/port_access.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

int portFile = -1;

} // namespace

bool InitializeWinIo(std::uint32_t /*portBase*/)
{
    portFile = open("/dev/port", O_WRONLY | O_CLOEXEC);
    return portFile >= 0;
}

bool SetPortVal(std::uint32_t port, std::uint32_t value, std::uint8_t size)
{
    // /dev/port writes one byte per offset; past 65535 the kernel writes
    // nothing, so refuse rather than pretend.
    if (portFile < 0 || size != 1 || port > HighestIoPort) {
        return false;
    }
    const auto byte = static_cast<unsigned char>(value);
    return pwrite(portFile, &byte, 1, static_cast<off_t>(port)) == 1;
}

void ShutdownWinIo()
{
    if (portFile >= 0) {
        close(portFile);
        portFile = -1;
    }
}
