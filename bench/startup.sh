#!/usr/bin/env bash
# Start-up cost of vusk beside /bin/true's, as instruction counts from
# valgrind's callgrind (exact and repeatable, unlike wall-clock time), on
# three paths:
# - stop: no argument, the usage error;
# - refused: -x 278 in a private mount namespace with an empty tmpfs on
#   /dev and on /proc/sys/dev, so no parallel port is listed, there is no
#   /dev/port, port access is refused and nothing can reach a real port;
# - static stop: the statically linked vusk on the stop path, with no
#   dynamic loader at all.
# /bin/true is counted in the same place as each vusk run. Prints the
# ratios and fails if the dynamic vusk is above 1.10 times /bin/true on
# either path (immediate binding, for full RELRO, costs a few per cent) or
# the static one above 0.35. Run by hand; needs valgrind, and root for the
# namespace.
# Usage: bench/startup.sh [DYNAMIC_VUSK [STATIC_VUSK]]
#        (default: build/vusk and build-static/vusk)
set -euo pipefail
cd "$(dirname "$0")/.."
vusk=$(realpath "${1:-build/vusk}")
static_vusk=$(realpath "${2:-build-static/vusk}")

[ -x "$vusk" ] || { echo "no vusk at $vusk; build it first (cmake --workflow --preset default)" >&2; exit 1; }
[ -x "$static_vusk" ] || { echo "no static vusk at $static_vusk; build it first (cmake --workflow --preset static)" >&2; exit 1; }
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
measure static-vusk "$static_vusk"

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
expect static-vusk 0 'Error command line. Use vusk.exe -h \n'
expect refused-vusk 255 '\n\nXilinx JTAG\n\n\nError open LPT port\n'

# Each row: the vusk run, the /bin/true run it is set against, the limit
# of their ratio, and its label.
rows=(
    "stop-vusk stop-true 1.10 dynamic, stop (no argument)"
    "refused-vusk refused-true 1.10 dynamic, refused (-x 278, no /dev/port)"
    "static-vusk stop-true 0.35 static, stop (no argument)"
)
printf '%-42s %10s %10s %7s %6s\n' path /bin/true vusk ratio limit
over=0
for row in "${rows[@]}"; do
    read -r run base_run limit label <<< "$row"
    base=$(cat "$work/$base_run.ir")
    ours=$(cat "$work/$run.ir")
    ratio=$(awk -v a="$ours" -v b="$base" 'BEGIN { printf "%.3f", a / b }')
    printf '%-42s %10s %10s %7s %6s\n' "$label" "$base" "$ours" "$ratio" "$limit"
    if awk -v r="$ratio" -v l="$limit" 'BEGIN { exit !(r > l) }'; then
        echo "over the limit: $label" >&2
        over=1
    fi
done
[ "$over" = 0 ] || exit 1
echo "every path within its limit"
