// A recording stand-in for the port-access layer. Every call is logged as
// text, in order, so one comparison checks a whole run's port traffic.
#pragma once

#include <string>
#include <vector>

// Clears the log. While grantAccess is false, InitializeWinIo answers false.
void ResetPortRecord(bool grantAccess);

// The calls since the last reset: "InitializeWinIo(0x378)" (the base it was
// opened for), "ShutdownWinIo" and
// "SetPortVal(0x37a, 0x0c, 1)" (port, value, size).
const std::vector<std::string>& RecordedPortCalls();
