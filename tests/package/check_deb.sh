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
             "-rw-r--r-- root/root ./usr/share/man/man1/vusk.1.gz" \
             "-rw-r--r-- root/root ./usr/share/doc/vusk/copyright" \
             "-rw-r--r-- root/root ./usr/share/doc/vusk/changelog.gz"; do
    path=${entry##* }
    listed=$(awk -v path="$path" '$3 == path' "$work_dir/contents")
    expect_equal "contents" "$path" "$entry" "$listed"
done

# Debian's own checks. lintian must find nothing at all, pedantic and
# informational tags included: a tag that has to stay would be overridden
# in the package with its reason, and so not show here.
if command -v lintian > /dev/null; then
    lintian --pedantic --display-info --fail-on none "$deb" > "$work_dir/lintian" 2> "$work_dir/lintian.err"
    lintian_status=$?
    expect_equal "lintian --pedantic --display-info" "exit status and errors" 0 \
        "$lintian_status$(grep -v 'running with root' "$work_dir/lintian.err")"
    expect_equal "lintian --pedantic --display-info" "tags" "" "$(cat "$work_dir/lintian")"
else
    skip_or_fail "lintian is not installed"
fi

# The changelog's latest entry is this version.
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/vusk/changelog.gz | gzip -dc > "$work_dir/changelog"
expect_equal "changelog" "latest version" "$version" \
    "$(dpkg-parsechangelog -l "$work_dir/changelog" -S Version 2> "$work_dir/changelog.err" || cat "$work_dir/changelog.err")"

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

# Built with the hardening flags: hardening-check (devscripts) answers yes
# on these five. Its stack-clash and control-flow lines stay out: it cannot
# tell those from the binary (it says the same of Debian's /bin/true).
if command -v hardening-check > /dev/null; then
    hardening-check "$root/usr/bin/vusk" > "$work_dir/hardening" 2>&1
    for feature in "Position Independent Executable" "Stack protected" "Fortify Source functions" \
                   "Read-only relocations" "Immediate binding"; do
        # Fortify may add "(some protected functions found)": a read() whose
        # size the compiler proves safe stays a plain read, and is listed as
        # unprotected although nothing is left to check.
        answer=$(sed -n "s/^ *$feature: //p" "$work_dir/hardening")
        expect_equal "hardening-check" "$feature" "yes" "${answer%% (some protected functions found)}"
    done
else
    skip_or_fail "hardening-check is not installed (devscripts)"
fi

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
