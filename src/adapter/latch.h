// Sets the adapter's mode through the parallel port's registers.
#pragma once

#include <cstdint>

#include "adapter/port_access.h"

// Standard PC parallel-port register layout, from the port's base address.
constexpr std::uint32_t DataRegisterOffset = 0;    // D0-D7 on pins 2-9
constexpr std::uint32_t ControlRegisterOffset = 2; // strobe/autofeed/init/select

constexpr std::uint32_t DataRegister(std::uint32_t portBase)
{
    return portBase + DataRegisterOffset;
}

constexpr std::uint32_t ControlRegister(std::uint32_t portBase)
{
    return portBase + ControlRegisterOffset;
}

// True when every register of a port at this base is a real I/O port,
// so that no write can wrap onto another device's port.
constexpr bool FitsInIoSpace(std::uint32_t portBase)
{
    return portBase <= HighestIoPort - ControlRegisterOffset;
}

// Writes the mode code to the data register, then strobes nSelectIn on the
// control register, which latches the code into the adapter. Port access
// must be open.
void LatchAdapterMode(std::uint32_t portBase, std::uint8_t modeCode);
