# The real binary on the paths where the command line stops the run:
# exact output, exit status 0, and no port device (/dev/port, /dev/parportN)
# nor the kernel's list of parallel ports ever opened.
# Usage: stop_paths.sh PATH_TO_VUSK
set -u
vusk=$1
. "$(dirname "$0")/common.sh"

command -v strace > /dev/null || skip_or_fail "strace is not installed"

port_paths='"(/dev/port|/dev/parport|/proc/sys/dev/parport)'

# stop_case NAME EXPECTED_OUTPUT ARGS...
stop_case() {
    local name=$1 expected=$2
    shift 2
    ASAN_OPTIONS=$traced_asan_options strace -f -qq -e trace=open,openat -o "$work_dir/trace" \
        "$vusk" "$@" > "$work_dir/out"
    local status=$?
    expect_bytes "$name" "$work_dir/out" "$expected"
    expect_equal "$name" "exit status" 0 "$status"
    "$vusk" "$@" > "$work_dir/out"
    status=$?
    expect_bytes "$name (untraced)" "$work_dir/out" "$expected"
    expect_equal "$name (untraced)" "exit status" 0 "$status"
    if grep -qE "$port_paths" "$work_dir/trace"; then
        fail "$name: port untouched" "$(grep -E "$port_paths" "$work_dir/trace")"
    else
        pass "$name: port untouched"
    fi
}

stop_case "no argument" "$no_argument"
stop_case "no dash" "$usage_block" x 278
stop_case "empty first argument" "$usage_block" ""
stop_case "lone dash" "$unknown_option" -
stop_case "unknown letter" "$unknown_option" -q 278
stop_case "digit as letter" "$unknown_option" -7
stop_case "byte above 127" "$unknown_option" $'-\xc8'

finish
