# The real binary with port access granted and refused. Each run gets a
# private mount namespace with a tmpfs on /dev; a 64 KiB regular file stands
# in for /dev/port (offset = I/O port), and leaving it out refuses access.
# strace records the system calls, so the order of the report and of the
# port writes is checked as the kernel saw it.
# Usage: port_access.sh PATH_TO_VUSK PATH_TO_HELP_GOLDEN_FILE
set -u
vusk=$1
help_text=$(cat "$2")
. "$(dirname "$0")/common.sh"

[ "$(id -u)" = 0 ] || skip_or_fail "needs root to mount a private /dev"
command -v strace > /dev/null || skip_or_fail "strace is not installed"
command -v unshare > /dev/null || skip_or_fail "unshare is not installed"

# ns_run PORT_FILE(yes|no) ARGS...: runs vusk; leaves its stdout in out,
# the port file's image in image (if any) and its status in $status. Then
# runs it again untraced on a fresh port file, into out_plain, image_plain
# and status_plain (see untraced_same).
ns_run() {
    rm -f "$work_dir"/out* "$work_dir"/image* "$work_dir"/status_plain "$work_dir/trace"
    VUSK=$vusk WORK=$work_dir TRACED_ASAN_OPTIONS=$traced_asan_options unshare --mount -- bash -c '
        mount -t tmpfs vusk-test-dev /dev || exit 200
        port_file=$1
        shift
        [ "$port_file" = yes ] && truncate -s 65536 /dev/port
        ASAN_OPTIONS=$TRACED_ASAN_OPTIONS strace -qq -xx -e trace=openat,pwrite64,write,close -o "$WORK/trace" \
            "$VUSK" "$@" > "$WORK/out"
        status=$?
        [ -f /dev/port ] && cp /dev/port "$WORK/image"

        rm -f /dev/port
        [ "$port_file" = yes ] && truncate -s 65536 /dev/port
        "$VUSK" "$@" > "$WORK/out_plain"
        echo $? > "$WORK/status_plain"
        [ -f /dev/port ] && cp /dev/port "$WORK/image_plain"
        exit $status
    ' vusk-ns "$@"
    status=$?
}

# untraced_same NAME: the untraced run gave the traced run's output, exit
# status and port file.
untraced_same() {
    if cmp -s "$work_dir/out" "$work_dir/out_plain"; then
        pass "$1: untraced output"
    else
        fail "$1: untraced output" "traced:   $(od -c "$work_dir/out" | head -5)" \
            "untraced: $(od -c "$work_dir/out_plain" | head -5)"
    fi
    expect_equal "$1" "untraced exit status" "$status" "$(cat "$work_dir/status_plain")"
    expect_equal "$1" "untraced port file" "$(port_image)" "$(port_image "$work_dir/image_plain")"
}

# The system calls that touch /dev/port or stdout, one per line:
# "open O_WRONLY|O_CLOEXEC = 3", "stdout", "pwrite 0x278 0x01", "close".
port_calls() {
    awk '
        # strace -xx shows every string in hex: this is "/dev/port".
        index($0, "openat(AT_FDCWD, \"\\x2f\\x64\\x65\\x76\\x2f\\x70\\x6f\\x72\\x74\"") == 1 {
            split($0, parts, ", ");
            flags = parts[3]; sub(/\).*/, "", flags);
            result = $0; sub(/.*\) = /, "", result);
            if (result ~ /^[0-9]+$/) { fd = result; result = "fd" }
            else { sub(/ \(.*/, "", result) }
            print "open " flags " " result; next
        }
        /^write\(1,/ { print "stdout"; next }
        fd != "" && $0 ~ "^pwrite64\\(" fd "," {
            match($0, /"\\x[0-9a-f][0-9a-f]"/); value = substr($0, RSTART + 3, 2);
            offset = $0; sub(/.*, /, "", offset); sub(/\).*/, "", offset);
            printf "pwrite 0x%x 0x%s\n", offset, value; next
        }
        fd != "" && $0 ~ "^close\\(" fd "\\)" { print "close"; fd = "" }
    ' "$work_dir/trace"
}

# The non-zero bytes of the port file (default: the traced run's) as
# "offset=value", or "none".
port_image() {
    local image=${1:-$work_dir/image}
    [ -f "$image" ] || { echo "no port file"; return; }
    od -An -v -tx1 "$image" | tr -s ' \n' '\n\n' | awk '
        NF { if ($1 != "00") { printf "%s%x=%s", sep, n, $1; sep = " " } n++ }
        END { if (sep == "") printf "none"; print "" }'
}

# granted NAME BANNER SHOWN_BASE EXPECTED_CALLS EXPECTED_IMAGE ARGS...
granted() {
    local name=$1 banner=$2 shown=$3 calls=$4 image=$5
    shift 5
    ns_run yes "$@"
    expect_bytes "$name" "$work_dir/out" "$banner$(printf '\nOk open LPT port %s\n\nOk' "$shown")"$'\n'

    expect_equal "$name" "exit status" 1 "$status"
    expect_equal "$name" "port calls" "$calls" "$(port_calls | paste -sd ';')"
    expect_equal "$name" "port file" "$image" "$(port_image)"
    untraced_same "$name"
}

# The open, the report reaching stdout before any port write, the three
# writes (data register, then control register twice) and the close.
latch_calls() {
    printf 'open O_WRONLY|O_CLOEXEC fd;stdout;pwrite %s 0x%s;pwrite %s 0x0c;pwrite %s 0x04;close' "$1" "$2" "$3" "$3"
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
    ns_run no "$@"
    expect_bytes "$name" "$work_dir/out" "$banner$access_error"
    expect_equal "$name" "exit status" 255 "$status"
    expect_equal "$name" "port calls" "open O_WRONLY|O_CLOEXEC -1 ENOENT;stdout" "$(port_calls | paste -sd ';')"
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
    ns_run yes -m "$base"
    expect_bytes "-m $base" "$work_dir/out" $'\n\nMSP430 JTAG\n\n'"$access_error"
    expect_equal "-m $base" "exit status" 255 "$status"
    expect_equal "-m $base" "port calls" "stdout" "$(port_calls | paste -sd ';')"
    expect_equal "-m $base" "port file" "none" "$(port_image)"
    untraced_same "-m $base"
done

finish
