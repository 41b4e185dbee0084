#!/usr/bin/env bash
# Start-up cost of vusk beside /bin/true's, as instruction counts from
# valgrind's callgrind (exact and repeatable, unlike wall-clock time), on
# two paths:
# - stop: no argument, the usage error;
# - refused: -x 278 in a private mount namespace with an empty tmpfs on
#   /dev and on /proc/sys/dev, so no parallel port is listed, there is no
#   /dev/port, port access is refused and nothing can reach a real port.
# /bin/true is counted in the same place as each vusk run. Prints the
# ratios and fails if either is above 1.2. Run by hand; needs valgrind,
# and root for the namespace.
# Usage: bench/startup.sh [PATH_TO_VUSK]   (default: build/vusk)
set -euo pipefail
cd "$(dirname "$0")/.."
vusk=$(realpath "${1:-build/vusk}")
limit=1.2

[ -x "$vusk" ] || { echo "no vusk at $vusk; build it first (cmake --workflow --preset default)" >&2; exit 1; }
command -v valgrind > /dev/null || { echo "valgrind is needed (apt-get install valgrind)" >&2; exit 1; }
[ "$(id -u)" = 0 ] || { echo "needs root for the private mount namespace of the refused path" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# measure NAME COMMAND...: runs COMMAND under callgrind in $work; its stdout
# goes to NAME.out, its status to NAME.status, its instruction count to
# NAME.ir. Exported for the namespace's shell.
measure() {
    local name=$1
    shift
    set +e
    valgrind --tool=callgrind --callgrind-out-file="$work/$name.callgrind" "$@" > "$work/$name.out" 2> "$work/$name.log"
    echo $? > "$work/$name.status"
    set -e
    sed -n 's/^==[0-9]*== Collected : //p' "$work/$name.log" > "$work/$name.ir"
}
export -f measure
export work

measure stop-true /bin/true
measure stop-vusk "$vusk"

# Everything here happens inside the new mount namespace. The tests for
# /dev/port and the port list guard the one run that names a mode.
unshare --mount -- bash -c '
    set -eu
    mount -t tmpfs vusk-bench-dev /dev
    mount -t tmpfs vusk-bench-sysdev /proc/sys/dev
    [ ! -e /dev/port ] && [ ! -e /proc/sys/dev/parport ]
    measure refused-true /bin/true
    measure refused-vusk "$1" -x 278
' vusk-bench "$vusk"

# expect NAME STATUS OUTPUT: the run took the path it was meant to measure.
expect() {
    if [ "$(cat "$work/$1.status")" != "$2" ] || [ "$(cat "$work/$1.out")" != "$(printf '%b' "$3")" ]; then
        echo "$1: unexpected status $(cat "$work/$1.status") or output:" >&2
        cat "$work/$1.out" "$work/$1.log" >&2
        exit 1
    fi
}
expect stop-vusk 0 'Error command line. Use vusk.exe -h \n'
expect refused-vusk 255 '\n\nXilinx JTAG\n\n\nError open LPT port\n'

printf '%-36s %12s %12s %7s\n' path /bin/true vusk ratio
over=0
for path in stop refused; do
    base=$(cat "$work/$path-true.ir")
    ours=$(cat "$work/$path-vusk.ir")
    label=$([ "$path" = stop ] && echo "stop (no argument)" || echo "refused (-x 278, no /dev/port)")
    ratio=$(awk -v a="$ours" -v b="$base" 'BEGIN { printf "%.3f", a / b }')
    printf '%-36s %12s %12s %7s\n' "$label" "$base" "$ours" "$ratio"
    awk -v r="$ratio" -v l="$limit" 'BEGIN { exit !(r > l) }' && over=1
done
if [ "$over" = 1 ]; then
    echo "vusk starts more than $limit times as slowly as /bin/true" >&2
    exit 1
fi
echo "within $limit times /bin/true on both paths"
