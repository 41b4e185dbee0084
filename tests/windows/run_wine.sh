# The cross-built vusk.exe under wine, with a stand-in WINIO.dll that logs
# every call it receives. Checks the output (a Windows console's CRLF line
# ends), the exit status and the library calls in order, and where vusk
# looks for the library: beside itself, then in the system directory, and
# never in the current directory.
# MACHINE is the build's: i686 (the shipped vusk.exe) runs under 32-bit wine,
# x86_64 (the same sources, built for x86-64) under wine64. The same cases
# run on both. A host that cannot run 32-bit code at all cannot run 32-bit
# wine either: there the i686 run reports a skip and its reason, even under
# CI=true, and the x86_64 run is what exercises the Windows code.
# Usage: run_wine.sh MACHINE VUSK_EXE WINIO_DLL PARTIAL_WINIO_DLL PORT_ACCESS_CHECK_EXE
set -u
machine=$1 vusk_exe=$2 winio_dll=$3 partial_winio_dll=$4 port_access_check_exe=$5
here=$(dirname "$0")

case $machine in
    i686)
        if ! reason=$(bash "$here/../../scripts/can-run-32bit.sh"); then
            echo "SKIP: this host cannot run 32-bit x86 code ($reason)"
            exit 77
        fi
        wine_loader=/usr/lib/wine/wine winearch=win32 wine_package=wine32:i386
        ;;
    x86_64) wine_loader=/usr/lib/wine/wine64 winearch=win64 wine_package=wine64 ;;
    *) echo "FAIL: unknown machine $machine (i686 or x86_64)"; exit 1 ;;
esac
. "$here/../process/common.sh"

[ -x "$wine_loader" ] || skip_or_fail "$wine_loader is not installed (Debian package $wine_package)"
command -v wineserver > /dev/null || skip_or_fail "wineserver is not installed"

# A private prefix of the build's own width, made once for the whole
# script. The loader is named outright: /usr/bin/wine would pick 32-bit
# wine wherever it is installed. No Mono or Gecko install prompts; no wine
# diagnostics on stderr.
export WINELOADER=$wine_loader WINEPREFIX=$work_dir/prefix WINEARCH=$winearch WINEDEBUG=-all \
    WINEDLLOVERRIDES="mscoree,mshtml="
# wine keeps its server's socket directory under TMPDIR: keep it in here
# too, and stop this prefix's wineserver before the files go.
export TMPDIR=$work_dir/tmp
mkdir "$TMPDIR"
trap 'wineserver -k 2> /dev/null; rm -rf "$work_dir"' EXIT
if ! "$wine_loader" wineboot -i > "$work_dir/wineboot.log" 2>&1; then
    echo "FAIL: wineboot could not make a prefix"
    cat "$work_dir/wineboot.log"
    exit 1
fi
system_dir=$WINEPREFIX/drive_c/windows/system32
[ -d "$system_dir" ] || { echo "FAIL: no system directory at $system_dir"; exit 1; }
if [ -n "$(find "$WINEPREFIX/drive_c/windows" -iname winio.dll)" ]; then
    echo "FAIL: the fresh prefix already has a WINIO.dll"
    exit 1
fi

# The fake reads its log path inside wine, where Z: is the Unix root.
log=$work_dir/calls.log
export VUSK_FAKE_WINIO_LOG="Z:$log"
app_dir=$work_dir/app
run_dir=$work_dir/run

# fresh_layout: vusk.exe alone in app/, an empty run/ to start it from,
# no WINIO.dll in the system directory and an empty call log.
fresh_layout() {
    rm -rf "$app_dir" "$run_dir" "$log"
    mkdir "$app_dir" "$run_dir"
    cp "$vusk_exe" "$app_dir/vusk.exe"
    rm -f "$system_dir/WINIO.dll"
}

# wine_from DIR PROGRAM ARGS...: runs PROGRAM under wine with DIR as the
# current directory; leaves stdout in out and the status in $status. A run
# that waits on something (a dialog box, say) is ended after a minute.
wine_from() {
    local dir=$1
    shift
    (cd "$dir" && timeout 60 "$wine_loader" "$@") > "$work_dir/out" 2> "$work_dir/err"
    status=$?
}
# wine_run ARGS...: app/vusk.exe, started from run/.
wine_run() { wine_from "$run_dir" "$app_dir/vusk.exe" "$@"; }

# check NAME EXPECTED_OUTPUT EXPECTED_STATUS EXPECTED_CALLS: the last run
# wrote EXPECTED_OUTPUT with each LF as CRLF, and the library received
# EXPECTED_CALLS (joined by ";", empty for none).
check() {
    expect_bytes "$1" "$work_dir/out" "${2//$'\n'/$'\r\n'}"
    expect_equal "$1" "exit status" "$3" "$status"
    expect_equal "$1" "library calls" "$4" "$( [ -f "$log" ] && paste -sd ';' "$log")"
    [ -s "$work_dir/err" ] && fail "$1: stderr" "$(head -5 "$work_dir/err")"
}

# ok_report SHOWN_BASE: sets report to the text of an opened port.
ok_report() { printf -v report '\nOk open LPT port %s\n\nOk\n' "$1"; }
# The library's calls on a granted run: the code to the data register, then
# 0x0c and 0x04 to the control register.
latch_calls() {
    printf 'InitializeWinIo;SetPortVal(%s, 0x%s, 1);SetPortVal(%s, 0x0c, 1);SetPortVal(%s, 0x04, 1);ShutdownWinIo' \
        "$1" "$2" "$3" "$3"
}

# granted NAME BANNER SHOWN_BASE DATA_PORT CODE CONTROL_PORT ARGS...: with
# WINIO.dll beside vusk.exe, and vusk started from another directory.
granted() {
    local name=$1 banner=$2 shown=$3 data=$4 code=$5 control=$6
    shift 6
    fresh_layout
    cp "$winio_dll" "$app_dir/"
    wine_run "$@"
    ok_report "$shown"
    check "granted $name" "$banner$report" 1 "$(latch_calls "$data" "$code" "$control")"
}

granted "-x 278" $'\n\nXilinx JTAG\n\n' 278 0x278 01 0x27a -x 278
granted "-m 3bc" $'\n\nMSP430 JTAG\n\n' 3bc 0x3bc 03 0x3be -m 3bc
granted "-B (default base)" $'\n\nByteBlasterMV\n\n' 378 0x378 00 0x37a -B
granted "-a fffd (last usable base)" $'\n\nARM Wiggler JTAG\n\n' fffd 0xfffd 04 0xffff -a fffd

# The library refuses: it was asked once and is never called again.
fresh_layout
cp "$winio_dll" "$app_dir/"
VUSK_FAKE_WINIO_REFUSE=1 wine_run -x 278
check "refused -x 278" $'\n\nXilinx JTAG\n\n'"$access_error" 255 "InitializeWinIo"

# Runs that never reach the library, although it is there and would grant.
fresh_layout
cp "$winio_dll" "$app_dir/"
wine_run
check "no argument" "$no_argument" 0 ""
wine_run -q
check "unknown letter -q" "$unknown_option" 0 ""
wine_run x 278
check "no dash" "$usage_block" 0 ""
wine_run -m -1
check "-m -1 (control register past 0xFFFF)" $'\n\nMSP430 JTAG\n\n'"$access_error" 255 ""

# Where the library is looked for.
refused_x=$'\n\nXilinx JTAG\n\n'"$access_error"
ok_report 278
granted_x=$'\n\nXilinx JTAG\n\n'"$report"

fresh_layout
wine_run -x 278
check "no WINIO.dll anywhere" "$refused_x" 255 ""

fresh_layout
cp "$winio_dll" "$run_dir/"
wine_run -x 278
check "WINIO.dll only in the current directory" "$refused_x" 255 ""

fresh_layout
cp "$winio_dll" "$system_dir/WINIO.dll"
wine_run -x 278
check "WINIO.dll only in the system directory" "$granted_x" 1 "$(latch_calls 0x278 01 0x27a)"

fresh_layout
cp "$winio_dll" "$app_dir/"
wine_from "$app_dir" "$app_dir/vusk.exe" -x 278
check "started from its own directory" "$granted_x" 1 "$(latch_calls 0x278 01 0x27a)"

# A library without SetPortVal is not used at all, not even initialised.
fresh_layout
cp "$partial_winio_dll" "$app_dir/"
wine_run -x 278
check "WINIO.dll without SetPortVal" "$refused_x" 255 ""

# A file named WINIO.dll that is no library at all: the loader's error box
# is turned off, so the run fails with its message instead of waiting for
# a click (wine_from's time limit would end such a wait).
fresh_layout
printf 'not a library\r\n' > "$app_dir/WINIO.dll"
wine_run -x 278
check "damaged WINIO.dll" "$refused_x" 255 ""

# The port-access file on its own: unloading, and ports the run sequence
# never passes.
fresh_layout
cp "$port_access_check_exe" "$winio_dll" "$app_dir/"
check_exe=$app_dir/$(basename "$port_access_check_exe")
wine_from "$run_dir" "$check_exe"
check "port access: past 0xFFFF refused, unloaded after shutdown" "" 0 \
    "InitializeWinIo;SetPortVal(0xffff, 0x04, 1);ShutdownWinIo"
rm -f "$log"
VUSK_FAKE_WINIO_REFUSE=1 wine_from "$run_dir" "$check_exe" refused
check "port access: unloaded after a refusal" "" 0 "InitializeWinIo"

finish
