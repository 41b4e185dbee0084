// The command line's messages as a user sees them, written out by hand so
// that the tests do not check the program's tables against themselves.
#pragma once

namespace expected {

const char* const NoArgument = "Error command line. Use vusk.exe -h \n";
const char* const Usage = "Error command line. Use lorvane.exe -h \n"
                          "\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\n" // twenty '\'
                          "  -b LPT address(hex)    : ByteBlasterMV\n"
                          "  -x LPT address(hex)    : Xilinx JTAG\n"
                          "  -p LPT address(hex)    : PonyProg\n"
                          "  -m LPT address(hex)    : MSP430 JTAG\n"
                          "  -a LPT address(hex)    : ARM Wiggler JTAG\n";
const char* const UnknownOption = "Error command line. Use -?";
const char* const AccessError = "\nError open LPT port\n";

} // namespace expected
