# The Windows zip built by "cpack --preset windows": vusk.exe, the README,
# the licence and the note on WINIO.dll at its root, and nothing else.
# WINIO.dll is not ours to ship, so the zip must not carry one.
# Usage: check_zip.sh BUILD_DIR
set -u
build=$1
. "$(dirname "$0")/../process/common.sh"

command -v unzip > /dev/null || skip_or_fail "unzip is not installed"

version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
zip=$build/packages/vusk-$version-win32.zip
if [ -z "$version" ] || [ ! -f "$zip" ]; then
    fail "zip file" "no $zip" "$(ls -l "$build/packages" 2>&1)"
    finish
    exit
fi
pass "zip file $zip"

expect_equal "zip" "contents" "LICENSE README.md WINIO-README.txt vusk.exe" \
    "$(unzip -Z1 "$zip" | sort | paste -sd ' ')"

unzip -q -d "$work_dir/unpacked" "$zip"
expect_equal "zip" "vusk.exe format" "pei-i386" \
    "$(i686-w64-mingw32-objdump -f "$work_dir/unpacked/vusk.exe" | sed -n 's/.*file format //p')"
finish
