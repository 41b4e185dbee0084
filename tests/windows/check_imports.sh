# vusk.exe is a Windows program of the build's machine (the shipped one is
# 32-bit x86) that starts on a bare Windows: it may import only DLLs that
# every Windows has, and never WINIO.dll, which it loads itself when it
# needs it. These checks only read the file, so they run on every host.
# Usage: check_imports.sh MACHINE(i686|x86_64) OBJDUMP VUSK_EXE
set -u
machine=$1 objdump=$2 vusk_exe=$3
. "$(dirname "$0")/../process/common.sh"

case $machine in
    i686) format=pei-i386 magic="010b (PE32)" ;;
    x86_64) format=pei-x86-64 magic="020b (PE32+)" ;;
    *) echo "FAIL: unknown machine $machine (i686 or x86_64)"; exit 1 ;;
esac

"$objdump" -p "$vusk_exe" > "$work_dir/headers" || { echo "FAIL: $objdump cannot read $vusk_exe"; exit 1; }

expect_equal "vusk.exe" "file format" "$format" \
    "$(sed -n 's/.*file format \(.*\)/\1/p' "$work_dir/headers")"
expect_equal "vusk.exe" "optional header" "$magic" \
    "$(sed -n 's/^Magic[[:space:]]*//p' "$work_dir/headers" | tr -s '\t ' ' ')"

# The system DLLs a MinGW program may use, in upper case.
allowed=" KERNEL32.DLL MSVCRT.DLL NTDLL.DLL ADVAPI32.DLL USER32.DLL "
imports=$(sed -n 's/.*DLL Name: //p' "$work_dir/headers" | tr -d '\r')
[ -n "$imports" ] && pass "vusk.exe: has an import table" || fail "vusk.exe: has an import table" "no DLL Name lines"
for dll in $imports; do
    upper=$(printf '%s' "$dll" | tr '[:lower:]' '[:upper:]')
    if [[ $allowed == *" $upper "* ]]; then
        pass "vusk.exe: imports $dll"
    else
        fail "vusk.exe: imports $dll" "not a system DLL on the allow-list:$allowed"
    fi
done

finish
