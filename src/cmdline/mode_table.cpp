// The mode options and their texts.
#include "cmdline/mode_table.h"

extern const ModeOption ModeTable[ModeCount] = {
    {'b', ModeByteBlasterMV, "\n\nByteBlasterMV\n\n"},
    {'x', ModeXilinxJtag, "\n\nXilinx JTAG\n\n"},
    {'p', ModePonyProg, "\n\nPonyProg\n\n"},
    {'m', ModeMsp430Jtag, "\n\nMSP430 JTAG\n\n"},
    {'a', ModeArmWigglerJtag, "\n\nARM Wiggler JTAG\n\n"},
};

extern const char* const OptionLines[ModeCount] = {
    "  -b LPT address(hex)    : ByteBlasterMV\n",
    "  -x LPT address(hex)    : Xilinx JTAG\n",
    "  -p LPT address(hex)    : PonyProg\n",
    "  -m LPT address(hex)    : MSP430 JTAG\n",
    "  -a LPT address(hex)    : ARM Wiggler JTAG\n",
};

const ModeOption* FindModeOption(char letter)
{
    for (const ModeOption& option : ModeTable) {
        if (option.letter == letter) {
            return &option;
        }
    }
    return nullptr;
}
