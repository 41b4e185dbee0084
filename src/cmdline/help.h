// The help option's text: options, pin assignments per mode, version.
#pragma once

// Writes the whole help text to standard output.
void PrintHelp();
