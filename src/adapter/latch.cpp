// The three-write sequence that latches a mode into the adapter.
#include "adapter/latch.h"

#include "adapter/port_access.h"

namespace {

// Control register bits: 0 nStrobe (pin 1) and 1 nAutoFd (pin 14) and
// 3 nSelectIn (pin 17) are inverted by the port; 2 nInit (pin 16) is not;
// 4 enables the port's interrupt; 5 turns the data lines into inputs.
// 0x0C: nInit high and nSelectIn low; strobe and autofeed high; no
// interrupt; data lines stay outputs.
constexpr std::uint32_t ControlSelectLow = 0x0C;
// 0x04: the same with nSelectIn released, so pin 17 rises while the data
// lines still hold the code. The adapter latches the code on that edge.
constexpr std::uint32_t ControlSelectHigh = 0x04;

constexpr std::uint8_t OneByte = 1;

} // namespace

void LatchAdapterMode(std::uint32_t portBase, std::uint8_t modeCode)
{
    // The write results are not examined: there is nothing to read back
    // that would tell whether the adapter took the mode.
    // Data register: the code on D0-D7 (pins 2-9); it stays there after we exit.
    SetPortVal(DataRegister(portBase), modeCode, OneByte);
    // Control register: pin 17 low, then high, to latch the code.
    SetPortVal(ControlRegister(portBase), ControlSelectLow, OneByte);
    SetPortVal(ControlRegister(portBase), ControlSelectHigh, OneByte);
}
