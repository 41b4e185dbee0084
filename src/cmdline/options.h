// The run's settings and the command-line parser that fills them.
#pragma once

#include <cstdint>

// Adapter mode codes, written as one byte to the port's data register.
// The order follows the options b, x, p, m, a, not the alphabet.
enum AdapterMode : std::uint8_t {
    ModeByteBlasterMV = 0,
    ModeXilinxJtag = 1,
    ModePonyProg = 2,
    ModeMsp430Jtag = 3,
    ModeArmWigglerJtag = 4,
};

// Base I/O address of the first on-board parallel port (LPT1).
constexpr std::uint32_t DefaultPortBase = 0x378;

// One record per run: defaults until the parser changes them.
struct RunSettings {
    std::uint32_t portBase = DefaultPortBase;
    AdapterMode mode = ModeByteBlasterMV;
};

enum class ParseOutcome {
    Stop,    // end the run now, without touching the port
    Proceed, // go on to open port access and latch the mode
};

// Reads the first two arguments after the program name (argv[0]) into
// settings, and writes the mode's banner, the command-line error, the usage
// block or the help text to standard output.
ParseOutcome ParseCommandLine(int argc, const char* const argv[], RunSettings& settings);

// Reads a hexadecimal address: leading white space, an optional sign, an
// optional 0x, then hex digits, wrapping modulo 2^32. Stops at the first
// other character. Returns false, leaving value alone, when no digit is read.
bool ParseHexAddress(const char* text, std::uint32_t& value);
