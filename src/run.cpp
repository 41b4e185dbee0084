// The run sequence from parsed command line to exit status.
#include "run.h"

#include <cstdio>

#include "adapter/latch.h"
#include "adapter/port_access.h"
#include "cmdline/options.h"

int RunAdapterSetup(int argc, const char* const argv[])
{
    RunSettings settings;
    if (ParseCommandLine(argc, argv, settings) == ParseOutcome::Stop) {
        return ExitStop;
    }

    // A base whose control register lies past the last I/O port would have
    // its writes truncated onto some other device's port (0xFFFFFFFF + 2
    // becomes port 0x0001, the DMA controller). Such a base is refused like
    // denied access, and port access is then never opened.
    if (!FitsInIoSpace(settings.portBase) || !InitializeWinIo(settings.portBase)) {
        std::fputs("\nError open LPT port\n", stdout);
        return ExitNoPortAccess;
    }

    std::printf("\nOk open LPT port %x\n", static_cast<unsigned int>(settings.portBase));
    std::fputs("\nOk\n", stdout);
    // The report must be out before the first port write, so that it is seen
    // even if a write to the wrong port takes the machine down.
    std::fflush(stdout);

    LatchAdapterMode(settings.portBase, static_cast<std::uint8_t>(settings.mode));
    ShutdownWinIo();
    return ExitDone;
}
