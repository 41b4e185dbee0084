// The help option: its exact text, then a run that latches the defaults.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "capture_stdout.h"
#include "cmdline/help.h"
#include "cmdline/options.h"
#include "port_record.h"
#include "run.h"

namespace {

std::string GoldenHelp()
{
    std::ifstream file(VUSK_GOLDEN_DIR "/help.txt", std::ios::binary);
    EXPECT_TRUE(file.is_open()) << "missing golden file";
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<const char*> Argv(std::vector<const char*> args)
{
    args.insert(args.begin(), "vusk");
    args.push_back(nullptr);
    return args;
}

TEST(PrintHelp, WritesTheGoldenText)
{
    EXPECT_EQ(CaptureStdout(PrintHelp), GoldenHelp());
}

// Every spelling of the help option, with or without an address: the help,
// Proceed, and the settings left at their defaults.
TEST(HelpOption, ProceedsWithDefaultSettings)
{
    const std::vector<std::vector<const char*>> spellings{
        {"-h"}, {"-H"}, {"-?"}, {"-help"}, {"-h", "278"}, {"-?", "3bc", "x"}};
    for (const auto& args : spellings) {
        const auto argv = Argv(args);
        RunSettings settings;
        ParseOutcome outcome{};
        const std::string output = CaptureStdout(
            [&] { outcome = ParseCommandLine(static_cast<int>(argv.size() - 1), argv.data(), settings); });
        SCOPED_TRACE(std::string(args[0]) + (args.size() > 1 ? std::string(" ") + args[1] : ""));
        EXPECT_EQ(output, GoldenHelp());
        EXPECT_EQ(outcome, ParseOutcome::Proceed);
        EXPECT_EQ(settings.portBase, DefaultPortBase);
        EXPECT_EQ(settings.mode, ModeByteBlasterMV);
    }
}

TEST(HelpOption, RunLatchesByteBlasterAtDefaultBaseIgnoringAddress)
{
    const auto argv = Argv({"-h", "278"});
    ResetPortRecord(true);
    int status = 0;
    const std::string output =
        CaptureStdout([&] { status = RunAdapterSetup(static_cast<int>(argv.size() - 1), argv.data()); });

    EXPECT_EQ(output, GoldenHelp() + "\nOk open LPT port 378\n\nOk\n");
    EXPECT_EQ(status, 1);
    const std::vector<std::string> expected{"InitializeWinIo(0x378)", "SetPortVal(0x378, 0x00, 1)",
                                            "SetPortVal(0x37a, 0x0c, 1)", "SetPortVal(0x37a, 0x04, 1)",
                                            "ShutdownWinIo"};
    EXPECT_EQ(RecordedPortCalls(), expected);
}

TEST(HelpOption, RefusedAccessEndsTheVersionLineWithTheError)
{
    const auto argv = Argv({"-?"});
    ResetPortRecord(false);
    int status = 0;
    const std::string output =
        CaptureStdout([&] { status = RunAdapterSetup(static_cast<int>(argv.size() - 1), argv.data()); });

    EXPECT_EQ(output, GoldenHelp() + "\nError open LPT port\n");
    EXPECT_EQ(status, -1);
    EXPECT_EQ(RecordedPortCalls(), std::vector<std::string>{"InitializeWinIo(0x378)"});
}

} // namespace
