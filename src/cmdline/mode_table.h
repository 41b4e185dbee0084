// The mode options: letter, code and banner per mode, and the option lines
// that both the usage block and the help text show.
#pragma once

#include "cmdline/options.h"

struct ModeOption {
    char letter;        // lower-case option letter after the dash
    AdapterMode mode;
    const char* banner; // written when the option is taken
};

constexpr int ModeCount = 5;

// In code order: b, x, p, m, a.
extern const ModeOption ModeTable[ModeCount];

// One description per mode, in the same order as ModeTable.
extern const char* const OptionLines[ModeCount];

// Finds the row for an already lower-cased option letter, or nullptr.
const ModeOption* FindModeOption(char letter);
