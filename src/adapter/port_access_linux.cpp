// Port access on Linux. The kernel's parallel-port driver comes first: its
// node /dev/parportN (the ppdev module) reaches only that real port, takes
// turns with the printer driver, is open to group lp and works under kernel
// lockdown. When no such node serves the base, /dev/port is the fallback:
// there the file offset is the I/O port number, opening it needs root or
// CAP_SYS_RAWIO, and lockdown refuses it outright.
#include "adapter/port_access.h"

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "adapter/latch.h"

namespace {

// The kernel lists each parallel port it drives as a directory parportN
// here, beside entries such as "default" that are not ports.
constexpr const char* PortListDir = "/proc/sys/dev/parport";
constexpr char PortEntryPrefix[] = "parport";
constexpr std::size_t PortEntryPrefixLength = sizeof PortEntryPrefix - 1;
// Port numbers come from a counter in the kernel; six digits is far more
// than any machine has, and keeps every number and path in bounds.
constexpr std::size_t MaxPortNumberDigits = 6;
// The list writes its numbers in decimal.
constexpr int Decimal = 10;
// base-addr holds two numbers; both fit many times over.
constexpr std::size_t BaseAddrTextSize = 64;
// Directory records are read into this much stack at a time.
constexpr std::size_t DirectoryReadSize = 2048;

// How the open reached the port. The open decides once; the writes and the
// close follow that decision without looking again.
enum class PortRoute { Closed, Ppdev, DevPort };

struct OpenPort {
    PortRoute route;
    int file;
    std::uint32_t base; // ppdev: the base it was opened for, naming its registers
};

OpenPort openPort = {PortRoute::Closed, -1, 0};

// N of a directory entry named parportN, as the kernel names its ports:
// decimal digits with no leading zero. -1 for any other name.
int PortNumber(const char* name)
{
    if (std::strncmp(name, PortEntryPrefix, PortEntryPrefixLength) != 0) {
        return -1;
    }
    const char* digits = name + PortEntryPrefixLength;
    const std::size_t count = std::strlen(digits);
    if (count == 0 || count > MaxPortNumberDigits || (digits[0] == '0' && count > 1)) {
        return -1;
    }
    int number = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (digits[i] < '0' || digits[i] > '9') {
            return -1;
        }
        number = number * Decimal + (digits[i] - '0');
    }
    return number;
}

// True when the first field of base-addr text is `portBase` in decimal. The
// kernel writes the base, a tab and the ECP base ("888\t1912\n" for 0x378).
// The field must be digits only, ended by white space or the end of the
// text; anything else, and any value past the I/O space, matches nothing.
bool FirstFieldIs(const char* text, std::size_t length, std::uint32_t portBase)
{
    std::uint32_t value = 0;
    std::size_t i = 0;
    for (; i < length && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * Decimal + static_cast<std::uint32_t>(text[i] - '0');
        if (value > HighestIoPort) {
            return false;
        }
    }
    if (i == 0) {
        return false;
    }
    const bool ended = i == length || text[i] == '\t' || text[i] == ' ' || text[i] == '\n';
    return ended && value == portBase;
}

// True when the port listed as `entry` in the open list directory `list`
// has the base `portBase`.
bool PortHasBase(int list, const char* entry, std::uint32_t portBase)
{
    char path[PortEntryPrefixLength + MaxPortNumberDigits + sizeof "/base-addr"];
    const int pathLength = std::snprintf(path, sizeof path, "%s/base-addr", entry);
    if (pathLength < 0 || static_cast<std::size_t>(pathLength) >= sizeof path) {
        return false;
    }
    const int file = openat(list, path, O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        return false;
    }
    // One read takes it all; a short read could only make the port look
    // absent, and then /dev/port is used as before.
    char text[BaseAddrTextSize];
    const ssize_t length = read(file, text, sizeof text);
    close(file);
    return length > 0 && FirstFieldIs(text, static_cast<std::size_t>(length), portBase);
}

// The number N of the port at `portBase`, or -1 when the kernel lists none
// there. Should two entries claim one base, the lowest N wins, so that the
// choice never depends on the order the directory is read in.
int FindPortNumber(std::uint32_t portBase)
{
    const int list = open(PortListDir, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (list < 0) {
        return -1;
    }
    int found = -1;
    // Raw directory records, read into a fixed buffer: the kernel aligns
    // each as a dirent64 and ends each name with a NUL inside its record.
    alignas(dirent64) char records[DirectoryReadSize];
    for (;;) {
        const ssize_t size = getdents64(list, records, sizeof records);
        if (size <= 0) {
            break;
        }
        std::size_t at = 0;
        while (at + offsetof(dirent64, d_name) < static_cast<std::size_t>(size)) {
            unsigned short recordLength = 0;
            std::memcpy(&recordLength, records + at + offsetof(dirent64, d_reclen), sizeof recordLength);
            // A record too short for a name, or running past what was read,
            // would be the kernel's fault; read no further than it goes.
            if (recordLength <= offsetof(dirent64, d_name) || recordLength > static_cast<std::size_t>(size) - at) {
                break;
            }
            const char* name = records + at + offsetof(dirent64, d_name);
            const int number = PortNumber(name);
            if (number >= 0 && (found < 0 || number < found) && PortHasBase(list, name, portBase)) {
                found = number;
            }
            at += recordLength;
        }
    }
    close(list);
    return found;
}

// Claims the port for this process. The claim may wait while the printer
// driver has the port; a signal that interrupts that wait is not a refusal.
bool ClaimPort(int node)
{
    int result = 0;
    do {
        result = ioctl(node, PPCLAIM);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

// Writes one register through the driver, which knows only its own port:
// the data and the control register at the base it was opened for.
bool WriteThroughDriver(std::uint32_t port, unsigned char byte)
{
    if (port == DataRegister(openPort.base)) {
        // Data register: D0-D7 on pins 2-9.
        return ioctl(openPort.file, PPWDATA, &byte) == 0;
    }
    if (port == ControlRegister(openPort.base)) {
        // Control register. The driver drives bits 0-3 as given (nStrobe
        // pin 1, nAutoFd pin 14, nInit pin 16, nSelectIn pin 17) and keeps
        // bit 4 (interrupt enable) and bit 5 (data direction) itself; both
        // of our values leave those two clear. The claim has already put
        // back the port's saved control lines, 0x0C in bits 0-3 (the chip
        // then reads 0x1C while the kernel keeps the interrupt enabled), so
        // the first control write repeats them, and pin 17 still rises on
        // the last.
        return ioctl(openPort.file, PPWCONTROL, &byte) == 0;
    }
    return false;
}

} // namespace

bool InitializeWinIo(std::uint32_t portBase)
{
    const int number = FindPortNumber(portBase);
    if (number >= 0) {
        char nodePath[sizeof "/dev/parport" + MaxPortNumberDigits];
        const int pathLength = std::snprintf(nodePath, sizeof nodePath, "/dev/parport%d", number);
        const int node = pathLength > 0 && static_cast<std::size_t>(pathLength) < sizeof nodePath
                             ? open(nodePath, O_RDWR | O_CLOEXEC)
                             : -1;
        // A missing node (ppdev not loaded) or one we may not open leaves
        // /dev/port. A refused claim does not: the port is there but busy
        // or not ours, and it is the only device we would mean.
        if (node >= 0) {
            if (!ClaimPort(node)) {
                close(node);
                return false;
            }
            openPort = {PortRoute::Ppdev, node, portBase};
            return true;
        }
    }
    openPort.file = open("/dev/port", O_WRONLY | O_CLOEXEC);
    if (openPort.file < 0) {
        return false;
    }
    openPort.route = PortRoute::DevPort;
    return true;
}

bool SetPortVal(std::uint32_t port, std::uint32_t value, std::uint8_t size)
{
    if (size != 1) {
        return false;
    }
    const auto byte = static_cast<unsigned char>(value);
    switch (openPort.route) {
    case PortRoute::Ppdev:
        return WriteThroughDriver(port, byte);
    case PortRoute::DevPort:
        // /dev/port writes one byte per offset; past 65535 the kernel writes
        // nothing, so refuse rather than pretend.
        return port <= HighestIoPort && pwrite(openPort.file, &byte, 1, static_cast<off_t>(port)) == 1;
    case PortRoute::Closed:
        break;
    }
    return false;
}

void ShutdownWinIo()
{
    if (openPort.route == PortRoute::Ppdev) {
        // Hand the port back to the printer driver before closing.
        ioctl(openPort.file, PPRELEASE);
    }
    if (openPort.route != PortRoute::Closed) {
        close(openPort.file);
    }
    openPort = {PortRoute::Closed, -1, 0};
}
