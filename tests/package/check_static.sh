# The static tar archive built by "cpack --preset static": its exact list
# of files, and its vusk needing no shared library. That vusk is run in a
# root directory holding nothing but itself and the stand-ins a case needs:
# no C library, no /proc, no /dev unless a case mounts one. With no /proc,
# vusk cannot look for parallel-port devices and goes to /dev/port.
# Usage: check_static.sh BUILD_DIR
set -u
build=$1
. "$(dirname "$0")/../process/common.sh"

[ "$(id -u)" = 0 ] || skip_or_fail "needs root for chroot and a private /dev"
for tool in tar readelf chroot unshare truncate; do
    command -v "$tool" > /dev/null || skip_or_fail "$tool is not installed"
done

version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
top=vusk-$version-linux-x86_64
archive=$build/packages/$top.tar.gz
if [ -z "$version" ] || [ ! -f "$archive" ]; then
    fail "archive file" "no $archive" "$(ls -l "$build/packages" 2>&1)"
    finish
    exit
fi
pass "archive file $archive"

# Files only (directories are implied), with their modes: the binary must
# not be setuid.
tar -tvzf "$archive" | awk '$1 !~ /^d/ { print $1, $2, $6 }' | sort -k3 > "$work_dir/contents"
expected=$(printf '%s\n' \
    "-rwxr-xr-x root/root $top/bin/vusk" \
    "-rw-r--r-- root/root $top/share/doc/vusk/LICENSE" \
    "-rw-r--r-- root/root $top/share/doc/vusk/README.md" \
    "-rw-r--r-- root/root $top/share/man/man1/vusk.1.gz")
expect_equal "archive" "contents" "$expected" "$(cat "$work_dir/contents")"

tar -xzf "$archive" -C "$work_dir"
program=$work_dir/$top/bin/vusk
# No program interpreter and no dynamic section: nothing for a loader to do.
expect_equal "archive vusk" "program headers" "" \
    "$(readelf -lW "$program" | awk '$1 == "INTERP" || $1 == "DYNAMIC"')"
expect_equal "archive vusk" "machine" "Advanced Micro Devices X86-64" \
    "$(readelf -hW "$program" | sed -n 's/^ *Machine: *//p')"

root=$work_dir/root
mkdir "$root"
cp "$program" "$root/vusk"

# in_root DEV(none|empty|port) ARGS...: runs /vusk ARGS in the root, with
# no /dev, an empty tmpfs on /dev, or one holding a 64 KiB regular file as
# /dev/port (offset = I/O port). Leaves stdout in out, the port file in
# image (see port_image) and the exit status in $status. Each run gets its own mount
# namespace, so the tmpfs goes away with it.
in_root() {
    rm -f "$work_dir/out" "$work_dir/image"
    ROOT=$root WORK=$work_dir unshare --mount -- bash -c '
        dev=$1
        shift
        if [ "$dev" != none ]; then
            mkdir -p "$ROOT/dev" && mount -t tmpfs vusk-test-dev "$ROOT/dev" || exit 200
            [ "$dev" = port ] && truncate -s 65536 "$ROOT/dev/port"
        fi
        chroot "$ROOT" /vusk "$@" > "$WORK/out"
        status=$?
        [ -f "$ROOT/dev/port" ] && cp "$ROOT/dev/port" "$WORK/image"
        exit $status
    ' vusk-root "$@"
    status=$?
}

in_root none
expect_bytes "empty root, no argument" "$work_dir/out" "$no_argument"
expect_equal "empty root, no argument" "exit status" 0 "$status"

in_root none x 278
expect_bytes "empty root, no dash" "$work_dir/out" "$usage_block"
expect_equal "empty root, no dash" "exit status" 0 "$status"

in_root empty -x 278
expect_bytes "empty /dev, -x 278" "$work_dir/out" $'\n\nXilinx JTAG\n\n'"$access_error"
expect_equal "empty /dev, -x 278" "exit status" 255 "$status"

in_root port -x 278
expect_bytes "stand-in /dev/port, -x 278" "$work_dir/out" $'\n\nXilinx JTAG\n\n\nOk open LPT port 278\n\nOk\n'
expect_equal "stand-in /dev/port, -x 278" "exit status" 1 "$status"
expect_equal "stand-in /dev/port, -x 278" "port file" "278=01 27a=04" "$(port_image)"
expect_equal "stand-in /dev/port, -x 278" "port file size" 65536 "$(stat -c %s "$work_dir/image" 2> /dev/null)"

finish
