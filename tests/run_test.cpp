// The whole run over the recording port double: output, exit status and
// every port-access call in order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "capture_stdout.h"
#include "expected_texts.h"
#include "port_record.h"
#include "run.h"

namespace {

struct RunCase {
    std::vector<const char*> args; // after the program name
    bool grantAccess;
    std::string output;
    int status;
    std::vector<std::string> calls;
};

void PrintTo(const RunCase& c, std::ostream* os)
{
    *os << "vusk";
    for (const char* arg : c.args) {
        *os << " '" << arg << "'";
    }
    *os << (c.grantAccess ? " (access granted)" : " (access refused)");
}

class RunAdapterSetupTest : public testing::TestWithParam<RunCase> {};

TEST_P(RunAdapterSetupTest, OutputStatusAndPortCalls)
{
    const RunCase& c = GetParam();
    std::vector<const char*> argv{"vusk"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    argv.push_back(nullptr);

    ResetPortRecord(c.grantAccess);
    int status = 0;
    const std::string output =
        CaptureStdout([&] { status = RunAdapterSetup(static_cast<int>(argv.size() - 1), argv.data()); });

    EXPECT_EQ(output, c.output);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(RecordedPortCalls(), c.calls);
}

const std::vector<std::string> NoCalls;
// Port access opened for `base`, and refused.
std::vector<std::string> Refused(const char* base)
{
    return {std::string("InitializeWinIo(") + base + ")"};
}

// Port access opened for the data register's port, the three writes, and
// the close.
std::vector<std::string> Latched(const char* dataWrite, const char* control)
{
    const std::string call(dataWrite);
    const std::string base = call.substr(call.find('(') + 1, call.find(',') - call.find('(') - 1);
    return {"InitializeWinIo(" + base + ")", dataWrite, std::string("SetPortVal(") + control + ", 0x0c, 1)",
            std::string("SetPortVal(") + control + ", 0x04, 1)", "ShutdownWinIo"};
}

INSTANTIATE_TEST_SUITE_P(
    Granted, RunAdapterSetupTest,
    testing::Values(
        RunCase{{"-x", "278"}, true, "\n\nXilinx JTAG\n\n\nOk open LPT port 278\n\nOk\n", 1,
                Latched("SetPortVal(0x278, 0x01, 1)", "0x27a")},
        RunCase{{"-b"}, true, "\n\nByteBlasterMV\n\n\nOk open LPT port 378\n\nOk\n", 1,
                Latched("SetPortVal(0x378, 0x00, 1)", "0x37a")},
        RunCase{{"-p"}, true, "\n\nPonyProg\n\n\nOk open LPT port 378\n\nOk\n", 1,
                Latched("SetPortVal(0x378, 0x02, 1)", "0x37a")},
        RunCase{{"-m", "3bc"}, true, "\n\nMSP430 JTAG\n\n\nOk open LPT port 3bc\n\nOk\n", 1,
                Latched("SetPortVal(0x3bc, 0x03, 1)", "0x3be")},
        RunCase{{"-A", "0x3BC"}, true, "\n\nARM Wiggler JTAG\n\n\nOk open LPT port 3bc\n\nOk\n", 1,
                Latched("SetPortVal(0x3bc, 0x04, 1)", "0x3be")},
        // The lowest and highest bases whose control register is a real port.
        RunCase{{"-x", "0"}, true, "\n\nXilinx JTAG\n\n\nOk open LPT port 0\n\nOk\n", 1,
                Latched("SetPortVal(0x0, 0x01, 1)", "0x2")},
        RunCase{{"-x", "fffd"}, true, "\n\nXilinx JTAG\n\n\nOk open LPT port fffd\n\nOk\n", 1,
                Latched("SetPortVal(0xfffd, 0x01, 1)", "0xffff")}));

INSTANTIATE_TEST_SUITE_P(
    Refused, RunAdapterSetupTest,
    testing::Values(RunCase{{"-x", "278"}, false, "\n\nXilinx JTAG\n\n\nError open LPT port\n", -1, Refused("0x278")},
                    RunCase{{"-b"}, false, "\n\nByteBlasterMV\n\n\nError open LPT port\n", -1, Refused("0x378")}));

// A base whose control register would lie past port 0xFFFF is refused
// before port access is opened, even where access would be granted.
INSTANTIATE_TEST_SUITE_P(
    OutOfIoSpace, RunAdapterSetupTest,
    testing::Values(RunCase{{"-x", "fffe"}, true, "\n\nXilinx JTAG\n\n\nError open LPT port\n", -1, NoCalls},
                    RunCase{{"-m", "-1"}, true, "\n\nMSP430 JTAG\n\n\nError open LPT port\n", -1, NoCalls},
                    RunCase{{"-b", "10378"}, true, "\n\nByteBlasterMV\n\n\nError open LPT port\n", -1, NoCalls}));

INSTANTIATE_TEST_SUITE_P(
    Stops, RunAdapterSetupTest,
    testing::Values(RunCase{{}, true, expected::NoArgument, 0, NoCalls},
                    RunCase{{"-q"}, true, expected::UnknownOption, 0, NoCalls},
                    RunCase{{"x", "278"}, true, expected::Usage, 0, NoCalls}));

} // namespace
