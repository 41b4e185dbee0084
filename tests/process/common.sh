# Shared helpers for the process-level tests. Sourced, not run.
# Each check prints one line; the script exits non-zero if any failed.

failures=0
passes=0
work_dir=$(mktemp -d)
trap 'rm -rf "$work_dir"' EXIT

pass() { passes=$((passes + 1)); echo "ok   $1"; }
fail() { failures=$((failures + 1)); echo "FAIL $1"; shift; printf '     %s\n' "$@"; }

# skip_or_fail REASON: outside CI a missing prerequisite skips the script
# (exit 77, which CTest reports as skipped); under CI it is a failure.
skip_or_fail() {
    if [ "${CI:-}" = true ]; then
        echo "FAIL: $1 (CI=true, so this cannot be skipped)"
        exit 1
    fi
    echo "SKIP: $1"
    exit 77
}

# expect_bytes NAME FILE EXPECTED: FILE holds exactly the bytes EXPECTED.
expect_bytes() {
    printf '%s' "$3" > "$work_dir/expected"
    if cmp -s "$2" "$work_dir/expected"; then
        pass "$1: output"
    else
        fail "$1: output" "expected: $(od -c "$work_dir/expected" | head -20)" "actual:   $(od -c "$2" | head -20)"
    fi
}

# expect_equal NAME WHAT EXPECTED ACTUAL
expect_equal() {
    if [ "$3" = "$4" ]; then
        pass "$1: $2"
    else
        fail "$1: $2" "expected: $3" "actual:   $4"
    fi
}

# LeakSanitizer stops the process's threads with ptrace when it exits, and
# that fails while strace is already the tracer. Runs under strace therefore
# turn leak checking off (a no-op in a build without sanitizers), and each
# case is run once more without strace, with every check on, and must give
# the same result.
traced_asan_options="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

finish() {
    echo "$passes passed, $failures failed"
    [ "$failures" -eq 0 ]
}

# The texts every run may print.
usage_block=$'Error command line. Use lorvane.exe -h \n'$'\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\n'\
$'  -b LPT address(hex)    : ByteBlasterMV\n'\
$'  -x LPT address(hex)    : Xilinx JTAG\n'\
$'  -p LPT address(hex)    : PonyProg\n'\
$'  -m LPT address(hex)    : MSP430 JTAG\n'\
$'  -a LPT address(hex)    : ARM Wiggler JTAG\n'
no_argument=$'Error command line. Use vusk.exe -h \n'
unknown_option='Error command line. Use -?'
access_error=$'\nError open LPT port\n'
