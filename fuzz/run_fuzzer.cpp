// libFuzzer target: the whole run over the recording port double, on
// argument vectors built from arbitrary bytes. Every run is checked twice:
// against the safety rules that hold whatever the command line says, and
// exactly against a small reference model of the command line that is
// written here from the documented behaviour, apart from the program's own
// tables.
//
// Input layout: byte 0 picks the argument count, (byte & 0x7F) % 5, and
// with bit 7 set port access is refused. The remaining bytes, split at NUL
// bytes, are the arguments in order; missing ones are empty strings. Each
// argument gets its own exactly sized heap block, and so does the argument
// vector, so AddressSanitizer catches any read past a terminator or past
// argv[argc] (nullptr).
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "expected_texts.h"
#include "port_record.h"
#include "run.h"

namespace {

// ---- Expected texts, written out as the user sees them.

using expected::AccessError;
using expected::NoArgument;
using expected::UnknownOption;
using expected::Usage;

// The option letters in code order, and each mode's banner.
const char ModeLetters[] = "bxpma";
const char* const ModeBanners[] = {
    "\n\nByteBlasterMV\n\n", "\n\nXilinx JTAG\n\n", "\n\nPonyProg\n\n",
    "\n\nMSP430 JTAG\n\n",   "\n\nARM Wiggler JTAG\n\n",
};
constexpr int ModeCodes = 5;

std::string helpText; // the golden file, loaded once

std::string OkText(std::uint32_t base)
{
    char text[64];
    std::snprintf(text, sizeof text, "\nOk open LPT port %x\n\nOk\n", static_cast<unsigned>(base));
    return text;
}

std::string WriteCall(std::uint32_t port, unsigned value)
{
    char text[64];
    std::snprintf(text, sizeof text, "SetPortVal(0x%x, 0x%02x, 1)", static_cast<unsigned>(port), value);
    return text;
}

// The open of port access, for the base the writes will use.
std::string OpenCall(std::uint32_t base)
{
    char text[64];
    std::snprintf(text, sizeof text, "InitializeWinIo(0x%x)", static_cast<unsigned>(base));
    return text;
}

// ---- Reference model of one run.

struct Outcome {
    int status;
    std::string output;
    std::vector<std::string> calls;
};

char FoldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

int HexValue(char c)
{
    const char* const digits = "0123456789abcdef";
    const char* const at = (c == '\0') ? nullptr : std::strchr(digits, FoldAscii(c));
    return at == nullptr ? -1 : static_cast<int>(at - digits);
}

// Hex address: white space, sign, 0x/0X, digits wrapping mod 2^32, negated
// for '-'. Without any digit the base stays as it was.
void ModelAddress(const char* s, std::uint32_t& base)
{
    while (*s != '\0' && std::strchr(" \t\n\v\f\r", *s) != nullptr) {
        ++s;
    }
    const bool negative = *s == '-';
    if (*s == '+' || *s == '-') {
        ++s;
    }
    if (s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        s += 2;
    }
    std::uint64_t value = 0;
    bool anyDigit = false;
    for (; HexValue(*s) >= 0; ++s) {
        value = (value * 16 + static_cast<std::uint64_t>(HexValue(*s))) & 0xFFFFFFFFU;
        anyDigit = true;
    }
    if (anyDigit) {
        base = static_cast<std::uint32_t>(negative ? (0x100000000U - value) & 0xFFFFFFFFU : value);
    }
}

Outcome Model(int argc, const char* const* argv, bool grantAccess)
{
    if (argc < 2) {
        return {0, NoArgument, {}};
    }
    if (argv[1][0] != '-') {
        return {0, Usage, {}};
    }
    const char letter = FoldAscii(argv[1][1]);
    const char* const modeLetter = (letter == '\0') ? nullptr : std::strchr(ModeLetters, letter);

    std::uint32_t base = 0x378;
    unsigned code = 0;
    std::string output;
    if (letter == '?' || letter == 'h') {
        output = helpText; // defaults: ByteBlasterMV at 0x378, address ignored
    } else if (modeLetter != nullptr) {
        code = static_cast<unsigned>(modeLetter - ModeLetters);
        if (argc > 2) {
            ModelAddress(argv[2], base);
        }
        output = ModeBanners[code];
    } else {
        return {0, UnknownOption, {}};
    }

    if (base > 0xFFFD) { // the control register would pass port 0xFFFF
        return {-1, output + AccessError, {}};
    }
    if (!grantAccess) {
        return {-1, output + AccessError, {OpenCall(base)}};
    }
    return {1,
            output + OkText(base),
            {OpenCall(base), WriteCall(base, code), WriteCall(base + 2, 0x0C), WriteCall(base + 2, 0x04),
             "ShutdownWinIo"}};
}

// ---- Reporting a violation.

struct Input {
    int argc;
    const char* const* argv;
    bool grantAccess;
};

void PrintEscaped(const std::string& bytes)
{
    std::fputc('"', stderr);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && c != '"' && c != '\\') {
            std::fputc(c, stderr);
        } else {
            std::fprintf(stderr, "\\x%02x", byte);
        }
    }
    std::fputc('"', stderr);
}

void PrintCalls(const char* label, const std::vector<std::string>& calls)
{
    std::fprintf(stderr, "%s:", label);
    for (const std::string& call : calls) {
        std::fprintf(stderr, " %s;", call.c_str());
    }
    std::fputc('\n', stderr);
}

[[noreturn]] void Fail(const char* rule, const Input& in, const Outcome& actual, const Outcome* expected)
{
    std::fprintf(stderr, "\n==== vusk fuzzer: %s\nport access %s, argv:", rule,
                 in.grantAccess ? "granted" : "refused");
    for (int i = 0; i < in.argc; ++i) {
        std::fputc(' ', stderr);
        PrintEscaped(in.argv[i]);
    }
    std::fprintf(stderr, "\nstatus %d, output ", actual.status);
    PrintEscaped(actual.output);
    std::fputc('\n', stderr);
    PrintCalls("calls", actual.calls);
    if (expected != nullptr) {
        std::fprintf(stderr, "expected status %d, output ", expected->status);
        PrintEscaped(expected->output);
        std::fputc('\n', stderr);
        PrintCalls("expected calls", expected->calls);
    }
    std::abort();
}

// ---- Safety rules that need no model.

bool IsOneOf(const std::string& output, const std::vector<std::string>& allowed)
{
    return std::find(allowed.begin(), allowed.end(), output) != allowed.end();
}

// Reads "SetPortVal(0x<port>, 0x<value>, 1)", a one-byte write as the
// recording double logs it; false for anything else.
bool ReadOneByteWrite(const std::string& call, unsigned long& port, unsigned long& value)
{
    const std::string head = "SetPortVal(0x";
    if (call.compare(0, head.size(), head) != 0) {
        return false;
    }
    char* end = nullptr;
    port = std::strtoul(call.c_str() + head.size(), &end, 16);
    if (std::strncmp(end, ", 0x", 4) != 0) {
        return false;
    }
    value = std::strtoul(end + 4, &end, 16);
    return std::strcmp(end, ", 1)") == 0;
}

// Status 0: the command line stopped the run before any port access.
void CheckStopped(const Input& in, const Outcome& actual)
{
    if (!actual.calls.empty()) {
        Fail("status 0 but the port library was called", in, actual, nullptr);
    }
    if (!IsOneOf(actual.output, {NoArgument, Usage, UnknownOption})) {
        Fail("status 0 with an output that is no command-line error", in, actual, nullptr);
    }
}

// Status -1: nothing written; at most the refused InitializeWinIo.
void CheckRefused(const Input& in, const Outcome& actual)
{
    const std::vector<std::string>& calls = actual.calls;
    if (!(calls.empty() || (calls.size() == 1 && calls[0].rfind("InitializeWinIo(0x", 0) == 0))) {
        Fail("status -1 but more than InitializeWinIo was called", in, actual, nullptr);
    }
    const std::string& output = actual.output;
    const std::string error = AccessError;
    const bool endsInError =
        output.size() >= error.size() && output.compare(output.size() - error.size(), error.size(), error) == 0;
    std::vector<std::string> prefixes(std::begin(ModeBanners), std::end(ModeBanners));
    prefixes.push_back(helpText);
    if (!endsInError || !IsOneOf(output.substr(0, output.size() - error.size()), prefixes)) {
        Fail("status -1 with an output that is no banner or help plus the access error", in, actual, nullptr);
    }
}

// Status 1: init, the three latch writes within the 16-bit I/O space,
// shutdown, and the banner of the mode whose code was written.
void CheckLatched(const Input& in, const Outcome& actual)
{
    const std::vector<std::string>& calls = actual.calls;
    unsigned long port[3] = {};
    unsigned long value[3] = {};
    const bool wellFormed = calls.size() == 5 && ReadOneByteWrite(calls[1], port[0], value[0]) &&
                            calls[0] == OpenCall(static_cast<std::uint32_t>(port[0])) &&
                            ReadOneByteWrite(calls[2], port[1], value[1]) &&
                            ReadOneByteWrite(calls[3], port[2], value[2]) && calls[4] == "ShutdownWinIo";
    if (!wellFormed) {
        Fail("status 1 without exactly init, three one-byte writes and shutdown", in, actual, nullptr);
    }
    if (value[0] >= ModeCodes || value[1] != 0x0C || value[2] != 0x04 || port[1] != port[0] + 2 ||
        port[2] != port[1] || port[1] > 0xFFFF) {
        Fail("status 1 with writes that are not the latch sequence", in, actual, nullptr);
    }
    // The banner (or the help, which latches mode 0 at 0x378) names what was written.
    const std::string ok = OkText(static_cast<std::uint32_t>(port[0]));
    const bool bannerFits = actual.output == ModeBanners[value[0]] + ok;
    const bool helpFits = value[0] == 0 && port[0] == 0x378 && actual.output == helpText + ok;
    if (!bannerFits && !helpFits) {
        Fail("status 1 with an output that does not match the writes", in, actual, nullptr);
    }
}

void CheckSafety(const Input& in, const Outcome& actual)
{
    switch (actual.status) {
    case 0:
        CheckStopped(in, actual);
        return;
    case -1:
        CheckRefused(in, actual);
        return;
    case 1:
        CheckLatched(in, actual);
        return;
    default:
        Fail("exit status is not 0, 1 or -1", in, actual, nullptr);
    }
}

// ---- Capturing standard output.

// Standard output goes to an in-memory file for the whole session;
// libFuzzer itself reports on standard error.
void RedirectStdout()
{
    const int memory = memfd_create("vusk-stdout", MFD_CLOEXEC);
    if (memory < 0 || dup2(memory, STDOUT_FILENO) < 0) {
        std::perror("vusk fuzzer: capturing stdout");
        std::abort();
    }
    close(memory);
}

// Each run writes from offset 0; its output ends at the file offset after
// it. Bytes of longer earlier runs past that point are never read, which
// spares a truncate (and the page cache's churn) per input.
void ClearStdout()
{
    std::fflush(stdout);
    if (lseek(STDOUT_FILENO, 0, SEEK_SET) != 0) {
        std::perror("vusk fuzzer: clearing stdout");
        std::abort();
    }
}

std::string CapturedStdout()
{
    std::fflush(stdout);
    const off_t size = lseek(STDOUT_FILENO, 0, SEEK_CUR);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (size < 0 || pread(STDOUT_FILENO, bytes.data(), bytes.size(), 0) != size) {
        std::perror("vusk fuzzer: reading stdout");
        std::abort();
    }
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/)
{
    // The help is the one text too long to restate here; the golden file
    // that the unit tests also check holds it byte for byte.
    std::ifstream file(VUSK_GOLDEN_HELP, std::ios::binary);
    helpText.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (helpText.empty()) {
        std::fprintf(stderr, "vusk fuzzer: cannot read %s\n", VUSK_GOLDEN_HELP);
        std::abort();
    }
    RedirectStdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const int argCount = (data[0] & 0x7F) % 5;
    const bool grantAccess = (data[0] & 0x80) == 0;

    // Split the rest at NUL bytes into exactly sized, terminated arguments.
    std::vector<std::unique_ptr<char[]>> args;
    const auto* next = reinterpret_cast<const char*>(data + 1);
    const char* const end = reinterpret_cast<const char*>(data + size);
    for (int i = 0; i < argCount; ++i) {
        const auto* nul = static_cast<const char*>(std::memchr(next, '\0', static_cast<std::size_t>(end - next)));
        const char* const stop = (nul == nullptr) ? end : nul;
        const auto length = static_cast<std::size_t>(stop - next);
        args.push_back(std::make_unique<char[]>(length + 1));
        std::memcpy(args.back().get(), next, length);
        args.back()[length] = '\0';
        next = (stop == end) ? end : stop + 1;
    }
    const int argc = argCount + 1;
    const auto argv = std::make_unique<const char*[]>(static_cast<std::size_t>(argc) + 1);
    argv[0] = "vusk";
    for (int i = 0; i < argCount; ++i) {
        argv[i + 1] = args[static_cast<std::size_t>(i)].get();
    }
    argv[argc] = nullptr;

    ResetPortRecord(grantAccess);
    ClearStdout();
    Outcome actual{};
    actual.status = RunAdapterSetup(argc, argv.get());
    actual.output = CapturedStdout();
    actual.calls = RecordedPortCalls();

    const Input in{argc, argv.get(), grantAccess};
    CheckSafety(in, actual);
    const Outcome expected = Model(argc, argv.get(), grantAccess);
    if (actual.status != expected.status || actual.output != expected.output || actual.calls != expected.calls) {
        Fail("the run differs from the reference model", in, actual, &expected);
    }
    return 0;
}
