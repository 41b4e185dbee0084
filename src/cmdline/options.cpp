// Command-line parsing: option dispatch, address parsing and the
// command line's own messages.
#include "cmdline/options.h"

#include <cstdio>

#include "cmdline/help.h"
#include "cmdline/mode_table.h"

namespace {

const char* const NoArgumentText = "Error command line. Use vusk.exe -h \n";
const char* const UnknownOptionText = "Error command line. Use -?";
// The usage block names the executable differently from the other message;
// scripts match these texts, so both names stay as they are.
const char* const UsageHeadText = "Error command line. Use lorvane.exe -h \n";
const char* const UsageRuleText = "\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\n"; // twenty '\'

void PrintUsage()
{
    std::fputs(UsageHeadText, stdout);
    std::fputs(UsageRuleText, stdout);
    for (const char* line : OptionLines) {
        std::fputs(line, stdout);
    }
}

// Only ASCII A-Z are folded, so bytes above 127 never match a letter.
char FoldToLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

constexpr std::uint32_t HexRadix = 16;
constexpr int FirstLetterDigitValue = 10; // 'a' and 'A'

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + FirstLetterDigitValue;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + FirstLetterDigitValue;
    }
    return -1;
}

} // namespace

bool ParseHexAddress(const char* text, std::uint32_t& value)
{
    const char* p = text;
    while (IsSpace(*p)) {
        ++p;
    }
    const bool negative = (*p == '-');
    if (*p == '+' || *p == '-') {
        ++p;
    }
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        p += 2;
    }

    std::uint32_t result = 0;
    bool anyDigit = false;
    for (int digit = HexDigitValue(*p); digit >= 0; digit = HexDigitValue(*++p)) {
        result = result * HexRadix + static_cast<std::uint32_t>(digit); // wraps mod 2^32
        anyDigit = true;
    }
    if (!anyDigit) {
        return false;
    }
    value = negative ? 0U - result : result;
    return true;
}

ParseOutcome ParseCommandLine(int argc, const char* const argv[], RunSettings& settings)
{
    if (argc < 2) {
        std::fputs(NoArgumentText, stdout);
        return ParseOutcome::Stop;
    }

    const char* const option = argv[1];
    if (option[0] != '-') {
        PrintUsage();
        return ParseOutcome::Stop;
    }

    // For a lone "-" this is the terminating NUL, which matches nothing.
    const char letter = FoldToLower(option[1]);
    if (letter == '?' || letter == 'h') {
        // The help takes no address: the run goes on with the defaults,
        // ByteBlasterMV at 0x378.
        PrintHelp();
        return ParseOutcome::Proceed;
    }

    const ModeOption* const mode = FindModeOption(letter);
    if (mode == nullptr) {
        std::fputs(UnknownOptionText, stdout);
        return ParseOutcome::Stop;
    }

    // The address comes before the mode and the banner. An unusable one is
    // no error: the base simply stays at the default.
    if (argc > 2) {
        ParseHexAddress(argv[2], settings.portBase);
    }
    settings.mode = mode->mode;
    std::fputs(mode->banner, stdout);
    return ParseOutcome::Proceed;
}
