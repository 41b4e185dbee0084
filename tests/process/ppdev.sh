# The real binary reaching the port through the kernel's parallel-port
# driver (ppdev), against stand-ins: in a private mount namespace, a tmpfs
# on /proc/sys/dev lists the ports (parport/parportN/base-addr), and files
# of a FUSE stand-in (fake_parport) that answers the driver's ioctls and
# logs them are bind-mounted onto /dev/parportN. strace shows which device
# was opened and the order of the calls; the stand-in's log shows each
# claim, register write and release with its byte.
# Usage: ppdev.sh PATH_TO_VUSK PATH_TO_HELP_GOLDEN_FILE PATH_TO_FAKE_PARPORT
# (an empty PATH_TO_FAKE_PARPORT: it could not be built)
set -u
vusk=$1
help_text=$(cat "$2")
. "$(dirname "$0")/common.sh"
fake_parport=$3

[ -n "$fake_parport" ] || skip_or_fail "fake_parport was not built: libfuse3-dev is missing"
[ "$(id -u)" = 0 ] || skip_or_fail "needs root to mount a private /dev and FUSE"
[ -c /dev/fuse ] || skip_or_fail "/dev/fuse is missing (modprobe fuse)"
for tool in strace unshare mountpoint; do
    command -v "$tool" > /dev/null || skip_or_fail "$tool is not installed"
done

# Bases as the kernel writes them: the base in decimal, a tab, the ECP base.
at_378='888\t1912\n'
at_278='632\t1656\n'
at_3bc='956\t1980\n'
at_d010='53264\t53256\n'

# What a run that latches CODE through /dev/NODE shows: the calls as strace
# saw them, and the stand-in's log. (latch_calls, in common.sh, gives the
# calls through /dev/port.)
ppdev_calls() {
    printf 'open /dev/%s O_RDWR|O_CLOEXEC fd;ioctl PPCLAIM;stdout;ioctl PPWDATA;ioctl PPWCONTROL;ioctl PPWCONTROL;ioctl PPRELEASE;close /dev/%s' \
        "$1" "$1"
}
ppdev_log() {
    printf '%s open O_RDWR;%s claim;%s data 0x%s;%s control 0x0c;%s control 0x04;%s release;%s close' \
        "$1" "$1" "$1" "$2" "$1" "$1" "$1" "$1"
}

# check NAME STATUS OUTPUT CALLS LOG IMAGE ARGS...: one run against the
# stand-ins set in port_file, parport_entries and parport_nodes.
check() {
    local name=$1 expected_status=$2 output=$3 calls=$4 log=$5 image=$6
    shift 6
    ns_run "$@"
    expect_bytes "$name" "$work_dir/out" "$output"
    expect_equal "$name" "exit status" "$expected_status" "$status"
    expect_equal "$name" "calls" "$calls" "$(port_calls | paste -sd ';')"
    expect_equal "$name" "stand-in log" "$log" "$(parport_log)"
    expect_equal "$name" "port file" "$image" "$(port_image)"
    untraced_same "$name"
}

xilinx=$'\n\nXilinx JTAG\n\n'

# Two ports and the default entry: the base picks the second port, and the
# first is never opened.
port_file=no parport_nodes="parport0 parport1" \
parport_entries="parport0/base-addr=$at_378 parport1/base-addr=$at_278 default/timeslice=200\n" \
check "second port by its base" 1 "$(ok_output "$xilinx" 278)"$'\n' \
    "$(ppdev_calls parport1)" "$(ppdev_log parport1 01)" "no port file" -x 278

# An add-in card at an odd base, beside the board's own port.
port_file=no parport_nodes="parport0 parport1" \
parport_entries="parport0/base-addr=$at_378 parport1/base-addr=$at_d010" \
check "add-in card at d010" 1 "$(ok_output $'\n\nARM Wiggler JTAG\n\n' d010)"$'\n' \
    "$(ppdev_calls parport1)" "$(ppdev_log parport1 04)" "no port file" -a d010

# With /dev/port there as well, ppdev still comes first and /dev/port is
# neither opened nor written.
port_file=yes parport_nodes="parport0" parport_entries="parport0/base-addr=$at_3bc" \
check "ppdev before /dev/port" 1 "$(ok_output $'\n\nMSP430 JTAG\n\n' 3bc)"$'\n' \
    "$(ppdev_calls parport0)" "$(ppdev_log parport0 03)" "none" -m 3bc

# The help goes on to the default base, whatever address follows it.
port_file=yes parport_nodes="parport0 parport1" \
parport_entries="parport0/base-addr=$at_378 parport1/base-addr=$at_278" \
check "-h 278 (address ignored)" 1 "$(ok_output "$help_text" 378)"$'\n' \
    "$(ppdev_calls parport0)" "$(ppdev_log parport0 00)" "none" -h 278

# The port is listed but its node is missing (ppdev not loaded), or it may
# not be opened (a user outside group lp): /dev/port, as before ppdev.
port_file=yes parport_nodes="parport0" \
parport_entries="parport0/base-addr=$at_378 parport1/base-addr=$at_278" \
check "node missing" 1 "$(ok_output "$xilinx" 278)"$'\n' \
    "open /dev/parport1 O_RDWR|O_CLOEXEC -1 ENOENT;$(latch_calls 0x278 01 0x27a)" "" "278=01 27a=04" -x 278
port_file=yes parport_nodes="parport1:refuse-open" parport_entries="parport1/base-addr=$at_278" \
check "node not to be opened" 1 "$(ok_output "$xilinx" 278)"$'\n' \
    "open /dev/parport1 O_RDWR|O_CLOEXEC -1 EACCES;$(latch_calls 0x278 01 0x27a)" \
    "parport1 open O_RDWR refused" "278=01 27a=04" -x 278

# Neither ppdev nor /dev/port: refused.
port_file=no parport_nodes="" parport_entries="parport0/base-addr=$at_278" \
check "no node and no /dev/port" 255 "$xilinx$access_error" \
    "open /dev/parport0 O_RDWR|O_CLOEXEC -1 ENOENT;open /dev/port O_WRONLY|O_CLOEXEC -1 ENOENT;stdout" "" \
    "no port file" -x 278

# A refused claim is the end: the node is closed, nothing is written, and
# /dev/port is not tried.
port_file=yes parport_nodes="parport0:refuse-claim" parport_entries="parport0/base-addr=$at_378" \
check "claim refused" 255 $'\n\nPonyProg\n\n'"$access_error" \
    "open /dev/parport0 O_RDWR|O_CLOEXEC fd;ioctl PPCLAIM -1 EBUSY;close /dev/parport0;stdout" \
    "parport0 open O_RDWR;parport0 claim refused;parport0 close" "none" -p

# Entries that are not ports, or whose base is not 0x278 as written,
# however close: none is opened. Of the three real matches the lowest
# number wins: 4 is made between 11 and 7, so that neither the directory's
# order (either way round) nor the names' text order puts it first.
junk="default/base-addr=$at_278 parport/base-addr=$at_278 parportx/base-addr=$at_278 parport01/base-addr=$at_278
parport1x/base-addr=$at_278 parport0/base-addr=632x\t1656\n parport1/base-addr=\t632\n parport2/base-addr=6320\n
parport3/base-addr=4294967928\t0\n parport5/base-addr=-632\n parport11/base-addr=$at_278 parport4/base-addr=$at_278
parport7/base-addr=$at_278"
port_file=yes parport_nodes="parport0 parport1 parport2 parport3 parport4 parport7 parport11" parport_entries=$junk \
check "junk entries, three matches" 1 "$(ok_output "$xilinx" 278)"$'\n' \
    "$(ppdev_calls parport4)" "$(ppdev_log parport4 01)" "none" -x 278

# No port at the base: /dev/port, and no node is opened.
port_file=yes parport_nodes="parport0" parport_entries="parport0/base-addr=$at_378" \
check "no port at the base" 1 "$(ok_output "$xilinx" 278)"$'\n' \
    "$(latch_calls 0x278 01 0x27a)" "" "278=01 27a=04" -x 278

# Stop paths and a base past the I/O space open no device at all.
port_file=yes parport_nodes="parport0" parport_entries="parport0/base-addr=$at_378"
check "stop: unknown letter" 0 "$unknown_option" "stdout" "" "none" -q 378
check "stop: no argument" 0 "$no_argument" "stdout" "" "none"
check "base past the I/O space" 255 $'\n\nMSP430 JTAG\n\n'"$access_error" "stdout" "" "none" -m fffe

finish
