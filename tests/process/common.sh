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

# Runs in a private mount namespace, against stand-ins for the devices.
# Each run gets a tmpfs on /dev and one on /proc/sys/dev, so that no real
# port of this machine can be reached, and on them, as the caller sets:
# - port_file=yes: a 64 KiB regular file as /dev/port (offset = I/O port);
# - parport_entries: "PATH=TEXT" words, each a file under
#   /proc/sys/dev/parport with the printf %b TEXT, e.g.
#   'parport1/base-addr=632\t1656\n';
# - parport_nodes: NODE[:refuse-open|:refuse-claim] words, each a file of
#   the ppdev stand-in (fake_parport, at $fake_parport) bind-mounted onto
#   /dev/NODE.
port_file=no
parport_entries=
parport_nodes=
fake_parport=

# ns_run ARGS...: runs vusk under strace; leaves its stdout in out, its
# status in $status, the port file's image in image (if any) and the
# stand-in's log in parport_log. Then runs it again untraced on fresh
# stand-ins, into out_plain, status_plain, image_plain and
# parport_log_plain (see untraced_same).
ns_run() {
    rm -f "$work_dir"/out* "$work_dir"/image* "$work_dir"/parport_log* "$work_dir"/status_plain "$work_dir/trace"
    VUSK=$vusk WORK=$work_dir TRACED_ASAN_OPTIONS=$traced_asan_options PORT_FILE=$port_file \
        PARPORT_ENTRIES=$parport_entries PARPORT_NODES=$parport_nodes FAKE_PARPORT=$fake_parport \
        unshare --mount -- bash -c '
        fuse_pid=
        # stand_ins SUFFIX: fresh devices for one run; the log goes to
        # parport_logSUFFIX.
        stand_ins() {
            # The stand-in opens /dev/fuse, so it starts before /dev is replaced.
            if [ -n "$PARPORT_NODES" ]; then
                mkdir -p "$WORK/fuse"
                : > "$WORK/parport_log$1"
                ASAN_OPTIONS=detect_leaks=0 "$FAKE_PARPORT" "$WORK/parport_log$1" "$WORK/fuse" $PARPORT_NODES &
                fuse_pid=$!
                for _ in $(seq 250); do
                    mountpoint -q "$WORK/fuse" && break
                    kill -0 "$fuse_pid" 2> /dev/null || exit 201
                    sleep 0.02
                done
            fi
            mount -t tmpfs vusk-test-dev /dev || exit 200
            mount -t tmpfs vusk-test-sysdev /proc/sys/dev || exit 200
            [ "$PORT_FILE" = yes ] && truncate -s 65536 /dev/port
            for entry in $PARPORT_ENTRIES; do
                mkdir -p "$(dirname "/proc/sys/dev/parport/${entry%%=*}")"
                printf "%b" "${entry#*=}" > "/proc/sys/dev/parport/${entry%%=*}"
            done
            for node in $PARPORT_NODES; do
                touch "/dev/${node%%:*}"
                mount --bind "$WORK/fuse/${node%%:*}" "/dev/${node%%:*}" || exit 200
            done
        }
        # Unmounting the stand-in ends it; wait for that.
        remove_stand_ins() {
            if [ -n "$fuse_pid" ]; then
                for node in $PARPORT_NODES; do umount "/dev/${node%%:*}"; done
                umount "$WORK/fuse"
                wait "$fuse_pid"
                fuse_pid=
            fi
            umount /proc/sys/dev /dev
        }
        trap "[ -z \"\$fuse_pid\" ] || kill \$fuse_pid" EXIT

        stand_ins ""
        ASAN_OPTIONS=$TRACED_ASAN_OPTIONS strace -qq -xx -e trace=openat,pwrite64,write,ioctl,close -o "$WORK/trace" \
            "$VUSK" "$@" > "$WORK/out"
        status=$?
        [ -f /dev/port ] && cp /dev/port "$WORK/image"
        remove_stand_ins

        stand_ins _plain
        "$VUSK" "$@" > "$WORK/out_plain"
        echo $? > "$WORK/status_plain"
        [ -f /dev/port ] && cp /dev/port "$WORK/image_plain"
        remove_stand_ins
        exit $status
    ' vusk-ns "$@"
    status=$?
}

# untraced_same NAME: the untraced run gave the traced run's output, exit
# status, port file and stand-in log.
untraced_same() {
    if cmp -s "$work_dir/out" "$work_dir/out_plain"; then
        pass "$1: untraced output"
    else
        fail "$1: untraced output" "traced:   $(od -c "$work_dir/out" | head -5)" \
            "untraced: $(od -c "$work_dir/out_plain" | head -5)"
    fi
    expect_equal "$1" "untraced exit status" "$status" "$(cat "$work_dir/status_plain")"
    expect_equal "$1" "untraced port file" "$(port_image)" "$(port_image "$work_dir/image_plain")"
    [ -z "$parport_nodes" ] || expect_equal "$1" "untraced stand-in log" "$(parport_log)" "$(parport_log _plain)"
}

# The traced run's system calls on the devices and stdout, one per line:
# "open /dev/port O_WRONLY|O_CLOEXEC fd" (or "... -1 ENOENT"), "stdout",
# "pwrite 0x278 0x01" (on /dev/port), "ioctl PPWDATA" (on a /dev/parportN;
# a failed one ends in " -1 EBUSY"), "close /dev/port".
port_calls() {
    awk '
        BEGIN { for (i = 0; i < 256; i++) byte[sprintf("%02x", i)] = sprintf("%c", i) }
        # strace -xx shows every string in hex.
        function text(hex,   out, i) {
            for (i = 1; i < length(hex); i += 4) out = out byte[substr(hex, i + 2, 2)]
            return out
        }
        function result(line) {
            sub(/.*\) += /, "", line); sub(/ \(.*/, "", line)
            return line
        }
        /^openat\(AT_FDCWD, "/ {
            path = $0; sub(/^openat\(AT_FDCWD, "/, "", path); sub(/".*/, "", path); path = text(path)
            if (path !~ /^\/dev\//) next
            split($0, parts, ", "); flags = parts[3]; sub(/\).*/, "", flags)
            r = result($0)
            if (r ~ /^[0-9]+$/) { device[r] = path; r = "fd" }
            print "open " path " " flags " " r; next
        }
        /^write\(1,/ { print "stdout"; next }
        /^(pwrite64|ioctl|close)\(/ {
            fd = $0; sub(/^[a-z0-9]+\(/, "", fd); sub(/[,)].*/, "", fd)
            if (!(fd in device)) next
            r = result($0); r = (r == "0" || r == "1") ? "" : " " r
            if ($0 ~ /^pwrite64/) {
                match($0, /"\\x[0-9a-f][0-9a-f]"/); value = substr($0, RSTART + 3, 2)
                offset = $0; sub(/.*, /, "", offset); sub(/\).*/, "", offset)
                printf "pwrite 0x%x 0x%s%s\n", offset, value, r
            } else if ($0 ~ /^ioctl/) {
                split($0, parts, ", "); name = parts[2]; sub(/\).*/, "", name)
                print "ioctl " name r
            } else {
                print "close " device[fd] r; delete device[fd]
            }
        }
    ' "$work_dir/trace"
}

# latch_calls PORT CODE CONTROL_PORT: port_calls of a run that latches CODE
# through /dev/port: the open, the report reaching stdout before any port
# write, the three writes (data register, then control register twice) and
# the close.
latch_calls() {
    printf 'open /dev/port O_WRONLY|O_CLOEXEC fd;stdout;pwrite %s 0x%s;pwrite %s 0x0c;pwrite %s 0x04;close /dev/port' \
        "$1" "$2" "$3" "$3"
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

# The stand-in's log of a run (SUFFIX _plain: the untraced one), its lines
# joined with ";".
parport_log() {
    [ -f "$work_dir/parport_log${1:-}" ] && paste -sd ';' "$work_dir/parport_log${1:-}"
}

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
# ok_output BANNER SHOWN_BASE: the output of a run that opened port access,
# less its final line feed (which command substitution would drop).
ok_output() {
    printf '%s\nOk open LPT port %s\n\nOk' "$1" "$2"
}
