// Recording double behind port_access.h, linked in place of the platform's.
#include "port_record.h"

#include <cstdio>

#include "adapter/port_access.h"

namespace {

std::vector<std::string> calls;
bool accessGranted = true;

} // namespace

void ResetPortRecord(bool grantAccess)
{
    calls.clear();
    accessGranted = grantAccess;
}

const std::vector<std::string>& RecordedPortCalls()
{
    return calls;
}

bool InitializeWinIo(std::uint32_t portBase)
{
    char text[64];
    std::snprintf(text, sizeof text, "InitializeWinIo(0x%x)", static_cast<unsigned>(portBase));
    calls.emplace_back(text);
    return accessGranted;
}

bool SetPortVal(std::uint32_t port, std::uint32_t value, std::uint8_t size)
{
    char text[64];
    std::snprintf(text, sizeof text, "SetPortVal(0x%x, 0x%02x, %u)", static_cast<unsigned>(port),
                  static_cast<unsigned>(value), static_cast<unsigned>(size));
    calls.emplace_back(text);
    return true;
}

void ShutdownWinIo()
{
    calls.emplace_back("ShutdownWinIo");
}
