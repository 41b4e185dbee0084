// The help text. Each mode's block is its option line followed by its pin
// lines: the adapter's signal and pin before the slash, the mode
// connector's signal and pin after it.
#include "cmdline/help.h"

#include <cstdio>

#include "cmdline/mode_table.h"

namespace {

const char* const HelpHead[] = {
    "\n",
    "  -?,h                   : Displays command line help info.\n",
};

// Pin lines per mode, in the order of ModeTable. The last line of each
// block but the final one ends with a blank line.
// ByteBlasterMV and Xilinx JTAG use the adapter's pins as they are.
const char* const AdapterOnlyPins[] = {
    "\t(TCK pin 1)\n",
    "\t(TMS pin 5)\n",
    "\t(TDI pin 9)\n",
    "\t(TDO pin 3)\n\n",
};
const char* const PonyProgPins[] = {
    "\t(TCK pin 1)/(SCK pin 4)\n",
    "\t(TMS pin 5)/(RST pin 2,3)\n",
    "\t(TDI pin 9)/(MOSI pin 5)\n",
    "\t(TDO pin 3)/(MISO pin 6)\n\n",
};
const char* const Msp430Pins[] = {
    "\t(TCK pin 1)/(TCK pin 7)\n",
    "\t(TMS pin 5)/(TMS pin 5)\n",
    "\t(TDI pin 9)/(TDI pin 3)\n",
    "\t(P_O pin 6)/(TCLK pin 6)\n",
    "\t(DO0 pin 8)/(RST pin 11)\n",
    "\t(TDO pin 3)/(TDO pin 1)\n\n",
};
// After the adapter's pin: the 14-pin, then the 20-pin IDC connector. Only
// the first line has a slash between the two; users' scripts see these
// bytes, so they stay as they have always been.
const char* const WigglerPins[] = {
    "\t(TCK pin 1)/(TCK pin 9/IDC14)/(TCK pin 9/IDC20)\n",
    "\t(TMS pin 5)/(TMS pin 7/IDC14)(TMS pin 7/IDC20)\n",
    "\t(TDI pin 9)/(TDI pin 5/IDC14)(TDI pin 5/IDC20)\n",
    "\t(P_O pin 6)/(SRST pin 3/IDC14)(SRST pin 3/IDC20)\n",
    "\t(TDO pin 3)/(TDO pin 11/IDC14)(TDO pin 13/IDC20)\n",
    "\t(VCC pin 1)/(VCC pin 1/IDC14)(VCC pin 1/IDC20)\n",
};

struct PinBlock {
    const char* const* lines;
    int count;
};

template <int N>
constexpr PinBlock Block(const char* const (&lines)[N])
{
    return {lines, N};
}

const PinBlock PinBlocks[ModeCount] = {
    Block(AdapterOnlyPins), Block(AdapterOnlyPins), Block(PonyProgPins), Block(Msp430Pins), Block(WigglerPins),
};

// No line feed: the next message's leading line feed ends this line.
const char* const VersionText = "Version 1.00,  March 2005";

} // namespace

void PrintHelp()
{
    for (const char* text : HelpHead) {
        std::fputs(text, stdout);
    }
    for (int mode = 0; mode < ModeCount; ++mode) {
        std::fputs(OptionLines[mode], stdout);
        for (int line = 0; line < PinBlocks[mode].count; ++line) {
            std::fputs(PinBlocks[mode].lines[line], stdout);
        }
    }
    std::fputs(VersionText, stdout);
}
