# The real binary with port access through /dev/port granted and refused.
# Each run gets a private mount namespace with a tmpfs on /dev and on
# /proc/sys/dev (so no parallel port is listed, and none of this machine's
# can be reached); a 64 KiB regular file stands in for /dev/port (offset =
# I/O port), and leaving it out refuses access. strace records the system
# calls, so the order of the report and of the port writes is checked as
# the kernel saw it. ppdev.sh covers the ports the kernel lists.
# Usage: port_access.sh PATH_TO_VUSK PATH_TO_HELP_GOLDEN_FILE
set -u
vusk=$1
help_text=$(cat "$2")
. "$(dirname "$0")/common.sh"

[ "$(id -u)" = 0 ] || skip_or_fail "needs root to mount a private /dev"
command -v strace > /dev/null || skip_or_fail "strace is not installed"
command -v unshare > /dev/null || skip_or_fail "unshare is not installed"

# granted NAME BANNER SHOWN_BASE EXPECTED_CALLS EXPECTED_IMAGE ARGS...
granted() {
    local name=$1 banner=$2 shown=$3 calls=$4 image=$5
    shift 5
    port_file=yes ns_run "$@"
    expect_bytes "$name" "$work_dir/out" "$(ok_output "$banner" "$shown")"$'\n'

    expect_equal "$name" "exit status" 1 "$status"
    expect_equal "$name" "port calls" "$calls" "$(port_calls | paste -sd ';')"
    expect_equal "$name" "port file" "$image" "$(port_image)"
    untraced_same "$name"
}

granted "-x 278" $'\n\nXilinx JTAG\n\n' 278 \
    "$(latch_calls 0x278 01 0x27a)" "278=01 27a=04" -x 278
granted "-b (default base)" $'\n\nByteBlasterMV\n\n' 378 \
    "$(latch_calls 0x378 00 0x37a)" "37a=04" -b
granted "-P 0x278" $'\n\nPonyProg\n\n' 278 \
    "$(latch_calls 0x278 02 0x27a)" "278=02 27a=04" -P 0x278
granted "-m 3bc" $'\n\nMSP430 JTAG\n\n' 3bc \
    "$(latch_calls 0x3bc 03 0x3be)" "3bc=03 3be=04" -m 3bc
granted "-a zz (default base)" $'\n\nARM Wiggler JTAG\n\n' 378 \
    "$(latch_calls 0x378 04 0x37a)" "378=04 37a=04" -a zz
granted "-x fffd (last usable base)" $'\n\nXilinx JTAG\n\n' fffd \
    "$(latch_calls 0xfffd 01 0xffff)" "fffd=01 ffff=04" -x fffd

# Access refused: no /dev/port at all.
# refused NAME BANNER ARGS...
refused() {
    local name=$1 banner=$2
    shift 2
    port_file=no ns_run "$@"
    expect_bytes "$name" "$work_dir/out" "$banner$access_error"
    expect_equal "$name" "exit status" 255 "$status"
    expect_equal "$name" "port calls" "open /dev/port O_WRONLY|O_CLOEXEC -1 ENOENT;stdout" "$(port_calls | paste -sd ';')"
    untraced_same "$name"
}

refused "refused -x 278" $'\n\nXilinx JTAG\n\n' -x 278
# The help has no final line feed: the error's leading one ends it.
refused "refused -?" "$help_text" "-?"

# The help option goes on to latch ByteBlasterMV at the default base,
# whatever address follows it.
granted "-h" "$help_text" 378 "$(latch_calls 0x378 00 0x37a)" "37a=04" -h
granted "-H 278 (address ignored)" "$help_text" 378 "$(latch_calls 0x378 00 0x37a)" "37a=04" -H 278
granted "-help" "$help_text" 378 "$(latch_calls 0x378 00 0x37a)" "37a=04" -help

# A base whose control register would pass port 0xFFFF: refused before
# /dev/port is opened, although it is there.
for base in -1 fffe 10378; do
    port_file=yes ns_run -m "$base"
    expect_bytes "-m $base" "$work_dir/out" $'\n\nMSP430 JTAG\n\n'"$access_error"
    expect_equal "-m $base" "exit status" 255 "$status"
    expect_equal "-m $base" "port calls" "stdout" "$(port_calls | paste -sd ';')"
    expect_equal "-m $base" "port file" "none" "$(port_image)"
    untraced_same "-m $base"
done

finish
