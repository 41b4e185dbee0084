// The command-line parser: settings, outcome and exact output per argument list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "capture_stdout.h"
#include "cmdline/options.h"
#include "expected_texts.h"

namespace {

using expected::NoArgument;
using expected::UnknownOption;
using expected::Usage;

struct ParseCase {
    std::vector<const char*> args; // after the program name
    ParseOutcome outcome;
    std::uint32_t portBase;
    AdapterMode mode;
    std::string output;
};

void PrintTo(const ParseCase& c, std::ostream* os)
{
    *os << "vusk";
    for (const char* arg : c.args) {
        *os << " '" << arg << "'";
    }
}

class ParseCommandLineTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseCommandLineTest, SettingsOutcomeAndOutput)
{
    const ParseCase& c = GetParam();
    std::vector<const char*> argv{"vusk"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    argv.push_back(nullptr);

    RunSettings settings;
    ParseOutcome outcome{};
    const std::string output = CaptureStdout(
        [&] { outcome = ParseCommandLine(static_cast<int>(argv.size() - 1), argv.data(), settings); });

    EXPECT_EQ(output, c.output);
    EXPECT_EQ(outcome, c.outcome);
    EXPECT_EQ(settings.portBase, c.portBase);
    EXPECT_EQ(settings.mode, c.mode);
}

constexpr ParseOutcome Stop = ParseOutcome::Stop;
constexpr ParseOutcome Proceed = ParseOutcome::Proceed;

INSTANTIATE_TEST_SUITE_P(
    Modes, ParseCommandLineTest,
    testing::Values(
        // Every letter, its code and banner; the code order is b x p m a.
        ParseCase{{"-b"}, Proceed, 0x378, ModeByteBlasterMV, "\n\nByteBlasterMV\n\n"},
        ParseCase{{"-x"}, Proceed, 0x378, ModeXilinxJtag, "\n\nXilinx JTAG\n\n"},
        ParseCase{{"-p"}, Proceed, 0x378, ModePonyProg, "\n\nPonyProg\n\n"},
        ParseCase{{"-m"}, Proceed, 0x378, ModeMsp430Jtag, "\n\nMSP430 JTAG\n\n"},
        ParseCase{{"-a"}, Proceed, 0x378, ModeArmWigglerJtag, "\n\nARM Wiggler JTAG\n\n"},
        // Upper case folds; characters after the letter are ignored.
        ParseCase{{"-B", "3bc"}, Proceed, 0x3BC, ModeByteBlasterMV, "\n\nByteBlasterMV\n\n"},
        ParseCase{{"-xyz"}, Proceed, 0x378, ModeXilinxJtag, "\n\nXilinx JTAG\n\n"},
        ParseCase{{"-b378", "278"}, Proceed, 0x278, ModeByteBlasterMV, "\n\nByteBlasterMV\n\n"},
        // Arguments after the second are never read.
        ParseCase{{"-x", "278", "3bc"}, Proceed, 0x278, ModeXilinxJtag, "\n\nXilinx JTAG\n\n"}));

INSTANTIATE_TEST_SUITE_P(
    Addresses, ParseCommandLineTest,
    testing::Values(
        ParseCase{{"-p", "0x278"}, Proceed, 0x278, ModePonyProg, "\n\nPonyProg\n\n"},
        ParseCase{{"-p", "0X278"}, Proceed, 0x278, ModePonyProg, "\n\nPonyProg\n\n"},
        ParseCase{{"-p", "278h"}, Proceed, 0x278, ModePonyProg, "\n\nPonyProg\n\n"},
        ParseCase{{"-p", " \t+ABcd"}, Proceed, 0xABCD, ModePonyProg, "\n\nPonyProg\n\n"},
        ParseCase{{"-m", "-1"}, Proceed, 0xFFFFFFFF, ModeMsp430Jtag, "\n\nMSP430 JTAG\n\n"},
        ParseCase{{"-m", "-0x10"}, Proceed, 0xFFFFFFF0, ModeMsp430Jtag, "\n\nMSP430 JTAG\n\n"},
        ParseCase{{"-m", "0"}, Proceed, 0, ModeMsp430Jtag, "\n\nMSP430 JTAG\n\n"},
        // Nine or more digits wrap: the last eight remain.
        ParseCase{{"-m", "123456789"}, Proceed, 0x23456789, ModeMsp430Jtag, "\n\nMSP430 JTAG\n\n"},
        ParseCase{{"-m", "fffffffff0000037a"}, Proceed, 0x0000037A, ModeMsp430Jtag, "\n\nMSP430 JTAG\n\n"},
        // No digit: the default stays, silently.
        ParseCase{{"-a", "zz"}, Proceed, 0x378, ModeArmWigglerJtag, "\n\nARM Wiggler JTAG\n\n"},
        ParseCase{{"-a", ""}, Proceed, 0x378, ModeArmWigglerJtag, "\n\nARM Wiggler JTAG\n\n"},
        ParseCase{{"-a", "0x"}, Proceed, 0x378, ModeArmWigglerJtag, "\n\nARM Wiggler JTAG\n\n"},
        ParseCase{{"-a", "-"}, Proceed, 0x378, ModeArmWigglerJtag, "\n\nARM Wiggler JTAG\n\n"},
        ParseCase{{"-a", "0xg1"}, Proceed, 0x378, ModeArmWigglerJtag, "\n\nARM Wiggler JTAG\n\n"}));

INSTANTIATE_TEST_SUITE_P(
    Errors, ParseCommandLineTest,
    testing::Values(ParseCase{{}, Stop, 0x378, ModeByteBlasterMV, NoArgument},
                    ParseCase{{"x", "278"}, Stop, 0x378, ModeByteBlasterMV, Usage},
                    ParseCase{{""}, Stop, 0x378, ModeByteBlasterMV, Usage},
                    ParseCase{{"-"}, Stop, 0x378, ModeByteBlasterMV, UnknownOption},
                    ParseCase{{"-q", "278"}, Stop, 0x378, ModeByteBlasterMV, UnknownOption},
                    ParseCase{{"-7"}, Stop, 0x378, ModeByteBlasterMV, UnknownOption},
                    // Bytes above 127 are no option letter, whatever the locale.
                    ParseCase{{"-\xC2"}, Stop, 0x378, ModeByteBlasterMV, UnknownOption},
                    ParseCase{{"-\x82"}, Stop, 0x378, ModeByteBlasterMV, UnknownOption}));

TEST(ParseCommandLineStop, LeavesSettingsAsTheyWere)
{
    const std::vector<std::vector<const char*>> stops{
        {"vusk", nullptr}, {"vusk", "278", nullptr}, {"vusk", "-q", "278", nullptr}};
    for (const auto& argv : stops) {
        RunSettings settings{0x1234, ModePonyProg};
        CaptureStdout([&] { ParseCommandLine(static_cast<int>(argv.size() - 1), argv.data(), settings); });
        EXPECT_EQ(settings.portBase, 0x1234U) << "argument count " << argv.size() - 1;
        EXPECT_EQ(settings.mode, ModePonyProg);
    }
}

} // namespace
