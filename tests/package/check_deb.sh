# The Debian package built by "cpack --preset deb": its control fields, its
# contents and their modes, the installed binary on the paths that stop
# before any port access, and the installed manual page.
# Usage: check_deb.sh BUILD_DIR
set -u
build=$1
here=$(dirname "$0")
. "$here/../process/common.sh"

command -v dpkg-deb > /dev/null || skip_or_fail "dpkg-deb is not installed"

version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
arch=$(dpkg --print-architecture)
deb=$build/packages/vusk_${version}_${arch}.deb
if [ -z "$version" ] || [ ! -f "$deb" ]; then
    fail "package file" "no $deb" "$(ls -l "$build/packages" 2>&1)"
    finish
    exit
fi
pass "package file $deb"

field() { dpkg-deb -f "$deb" "$1"; }
expect_equal "control" "Package" vusk "$(field Package)"
expect_equal "control" "Version" "$version" "$(field Version)"
expect_equal "control" "Architecture" "$arch" "$(field Architecture)"
# dpkg-shlibdeps fills Depends from the binary: the C library, and no C++
# runtime, which the program does not load.
depends=$(field Depends)
case $depends in
    *libc6\ \(\>=*) pass "control: Depends names libc6 ($depends)" ;;
    *) fail "control: Depends names libc6" "Depends: $depends" ;;
esac
case $depends in
    *libstdc++*) fail "control: Depends leaves out libstdc++" "Depends: $depends" ;;
    *) pass "control: Depends leaves out libstdc++" ;;
esac
for name in Maintainer Section Description; do
    value=$(field "$name")
    if [ -n "$value" ]; then pass "control: $name set"; else fail "control: $name set" "empty"; fi
done

# Mode, owner and path of each file that matters. The binary must be a
# plain executable: a setuid vusk would let anyone write to any I/O port.
dpkg-deb -c "$deb" | awk '{ print $1, $2, $6 }' > "$work_dir/contents"
for entry in "-rwxr-xr-x root/root ./usr/bin/vusk" \
             "-rw-r--r-- root/root ./usr/share/man/man1/vusk.1.gz"; do
    path=${entry##* }
    listed=$(awk -v path="$path" '$3 == path' "$work_dir/contents")
    expect_equal "contents" "$path" "$entry" "$listed"
done

# Installed into a scratch root, the binary runs on the paths where the
# command line stops the run; these never open /dev/port.
root=$work_dir/root
dpkg-deb -x "$deb" "$root"

# installed_stop NAME EXPECTED_OUTPUT ARGS...
installed_stop() {
    local name="installed vusk, $1" expected=$2
    shift 2
    "$root/usr/bin/vusk" "$@" > "$work_dir/run.out"
    local status=$?
    expect_bytes "$name" "$work_dir/run.out" "$expected"
    expect_equal "$name" "exit status" 0 "$status"
}

installed_stop "no argument" "$no_argument"
installed_stop "unknown letter" "$unknown_option" -q
installed_stop "no dash" "$usage_block" x 278

# The installed manual page, gzipped as installed.
bash "$here/../doc/check_manpage.sh" "$root/usr/share/man/man1/vusk.1.gz" > "$work_dir/man.out"
case $? in
    0) pass "installed manual page" ;;
    77) echo "SKIP installed manual page: $(tail -1 "$work_dir/man.out")" ;;
    *) fail "installed manual page" "$(cat "$work_dir/man.out")" ;;
esac

finish
