// The run sequence: parse, open port access, report, latch the mode, close.
#pragma once

// Process exit statuses. -1 reads as 255 where statuses are 8 bits wide.
enum ExitStatus : int {
    ExitStop = 0,          // the command line stopped the run; no port access
    ExitDone = 1,          // port access opened and the mode sequence written
    ExitNoPortAccess = -1, // port access refused, or the address is unusable
};

// Runs the whole program over the host's argument vector (program name
// first) and returns the process exit status.
int RunAdapterSetup(int argc, const char* const argv[]);
