#!/usr/bin/env bash
# The static vusk on a real kernel: Debian's own kernel and its parport,
# parport_pc and ppdev modules, booted under QEMU (TCG, no KVM needed) from
# an initramfs with busybox. QEMU's PC has a parallel port at 0x378, and its
# trace event parallel_ioport_write logs every write that reaches the chip.
#
# Two boots, each running several cases (see init):
# - open: no lockdown. /dev/port with ppdev not loaded, the help, a base
#   with no port, then ppdev loaded and preferred over /dev/port.
# - lockdown: lockdown=integrity on the kernel command line, as under Secure
#   Boot. /dev/port is refused even to root; ppdev works for root and for a
#   user in group lp, and is refused to a user outside it.
#
# The kernel package that linux-image-amd64 depends on is fetched with
# apt-get download and unpacked with dpkg-deb, never installed. The kernel
# and the three modules are kept in CACHE_DIR, so later runs fetch nothing.
#
# Usage: run_qemu.sh PATH_TO_STATIC_VUSK PATH_TO_HELP_GOLDEN_FILE CACHE_DIR
set -u
vusk=$1
help_text=$(cat "$2")
cache=$3
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../process/common.sh"

for tool in qemu-system-x86_64 busybox cpio gzip readelf timeout apt-get apt-cache dpkg-deb; do
    command -v "$tool" > /dev/null || skip_or_fail "$tool is not installed (scripts/install-deps.sh installs it)"
done
busybox=$(command -v busybox)
# The initramfs holds no C library: both programs must need none.
readelf -l "$busybox" | grep -q 'Requesting program interpreter' &&
    skip_or_fail "$busybox is linked dynamically; the initramfs needs busybox-static"
if readelf -l "$vusk" | grep -q 'Requesting program interpreter'; then
    echo "FAIL: $vusk is linked dynamically"
    exit 1
fi

# --- The kernel ------------------------------------------------------------

# The versioned kernel package behind the metapackage, e.g.
# linux-image-6.1.0-58-amd64; empty while apt knows no package lists.
kernel_package() {
    apt-cache depends linux-image-amd64 2> /dev/null |
        awk '$1 == "Depends:" && $2 ~ /^linux-image-[0-9]/ { print $2; exit }'
}

# download DIR PACKAGE: apt-get download into DIR. It runs as whoever runs
# the test; as root, apt would otherwise warn that its sandbox user cannot
# write to the build directory.
download() {
    (cd "$1" && apt-get download -q -o APT::Sandbox::User="$(id -un)" "$2")
}

# fetch_kernel PACKAGE: fetches the package (PACKAGE may be empty while apt
# knows no package lists) and keeps in $cache/PACKAGE its kernel image, the
# three modules, decompressed (newer kernels ship them as .ko.xz or .ko.zst;
# the signature sits inside the module, so it survives), and the kernel
# release. Sets kernel_dir.
fetch_kernel() {
    local package=$1 unpacked dest release name file
    unpacked=$(mktemp -d "$cache/unpack.XXXXXX")
    if [ -z "$package" ] || ! download "$unpacked" "$package"; then
        # A fresh machine may have old package lists or none.
        if [ "$(id -u)" != 0 ]; then
            rm -rf "$unpacked"
            skip_or_fail "cannot download ${package:-the kernel package}; apt-get update needs root"
        fi
        apt-get update -qq
        package=$(kernel_package)
        if [ -z "$package" ] || ! download "$unpacked" "$package"; then
            rm -rf "$unpacked"
            skip_or_fail "cannot download ${package:-the package that linux-image-amd64 depends on}"
        fi
    fi
    dest=$cache/$package
    if ! dpkg-deb -x "$unpacked"/*.deb "$unpacked/x"; then
        rm -rf "$unpacked"
        echo "FAIL: dpkg-deb -x $package"
        exit 1
    fi
    release=$(ls "$unpacked/x/lib/modules")
    rm -rf "$dest.new"
    mkdir -p "$dest.new/modules"
    cp "$unpacked/x/boot/vmlinuz-$release" "$dest.new/vmlinuz"
    for name in parport parport_pc ppdev; do
        file=$(find "$unpacked/x/lib/modules/$release" -name "$name.ko*" | head -1)
        case $file in
            *.ko) cp "$file" "$dest.new/modules/$name.ko" ;;
            *.ko.xz) xz -dc "$file" > "$dest.new/modules/$name.ko" ;;
            *.ko.zst) zstd -qdc "$file" > "$dest.new/modules/$name.ko" ;;
            *.ko.gz) gzip -dc "$file" > "$dest.new/modules/$name.ko" ;;
            *) false ;;
        esac || {
            rm -rf "$unpacked"
            echo "FAIL: cannot take module $name from $package (${file:-not found})"
            exit 1
        }
    done
    echo "$release" > "$dest.new/release"
    rm -rf "$unpacked" "$dest"
    mv "$dest.new" "$dest"
    kernel_dir=$dest
}

mkdir -p "$cache"
package=$(kernel_package)
if [ -n "$package" ] && [ -f "$cache/$package/release" ]; then
    kernel_dir=$cache/$package
else
    echo "fetching ${package:-the kernel package} into $cache"
    fetch_kernel "$package"
fi
release=$(cat "$kernel_dir/release")
echo "kernel $release from $(basename "$kernel_dir")"

# --- The initramfs ---------------------------------------------------------

root=$work_dir/root
mkdir -p "$root"/{bin,dev,etc,proc,sys,tmp} "$root/lib/modules/$release"
install -m 0755 "$busybox" "$root/bin/busybox"
install -m 0755 "$vusk" "$root/bin/vusk"
install -m 0755 "$here/init" "$root/init"
install -m 0644 "$here/passwd" "$here/group" "$root/etc/"
install -m 0644 "$kernel_dir"/modules/*.ko "$root/lib/modules/$release/"
chmod 1777 "$root/tmp"
(cd "$root" && find . | cpio -o -H newc -R 0:0 --quiet) | gzip -1 > "$work_dir/initrd.gz"

# --- The boots -------------------------------------------------------------

# boot NAME [KERNEL_ARGS...]: the guest's console lands in NAME.console, the
# writes that reach the parallel port's chip and the UART's in NAME.trace.
# -nodefaults leaves one UART (ttyS0 at 0x3F8) and, through -parallel, one
# ISA parallel port at 0x378, IRQ 7.
boots=0
boot() {
    local name=$1 qemu_status
    shift
    boots=$((boots + 1))
    timeout 300 qemu-system-x86_64 -nodefaults -no-user-config -display none -accel tcg -m 256M -no-reboot \
        -kernel "$kernel_dir/vmlinuz" -initrd "$work_dir/initrd.gz" \
        -append "console=ttyS0 panic=-1 printk.devkmsg=on vusk_boot=$name $*" \
        -serial "file:$work_dir/$name.console" -parallel null \
        -trace parallel_ioport_write -trace serial_write -D "$work_dir/$name.trace" \
        > "$work_dir/$name.qemu" 2>&1
    qemu_status=$?
    expect_equal "$name boot" "QEMU exit status (124: timed out)" 0 "$qemu_status"
    expect_equal "$name boot" "guest finished" "done" "$(guest_reports "$name" | grep -x done)"
}

# guest_reports BOOT: what init said through /dev/kmsg, one line each.
guest_reports() {
    grep -ao '@@[^@]*@@' "$work_dir/$1.console" | sed 's/^@@//; s/@@$//'
}

# info BOOT KEY: the value of one "info KEY VALUE" report.
info() {
    guest_reports "$1" | awk -v key="$2" '$1 == "info" && $2 == key { sub(/^info [^ ]* /, ""); print }'
}

# chip_writes BOOT CASE: the writes that reached the parallel port between
# the case's marks, as "data 0x02, ctrl 0x0c, ...", or "none".
# In this QEMU (7.2) a trace line reads
#   parallel_ioport_write write [SW] addr 0x02 val 0x0c
# (after "PID@TIME:" with -msg timestamp=on). addr is the register's offset
# within the chip's eight ports, not the I/O address: the chip decodes only
# 0x378-0x37F, so a write anywhere else never shows here. The marks are
# rebuilt from the bytes written to the UART's transmit register (offset 0,
# with the divisor latch bit of the line control register, offset 3, clear).
chip_writes() {
    awk -v begin="mark begin $2" -v end="mark end $2" '
        function hex(s,   n, i) {
            s = tolower(substr(s, 3)); n = 0
            for (i = 1; i <= length(s); i++) n = n * 16 + index("0123456789abcdef", substr(s, i, 1)) - 1
            return n
        }
        function ends_with(s, tail) {
            return length(s) >= length(tail) && substr(s, length(s) - length(tail) + 1) == tail
        }
        { sub(/^[0-9]+@[0-9.]+:/, "") }
        $1 == "serial_write" {
            if ($4 == "0x03") { dlab = hex($6) >= 128; next }
            if ($4 != "0x00" || dlab) next
            text = text sprintf("%c", hex($6))
            if (ends_with(text, "@@" begin "@@")) { inside = 1; text = "" }
            else if (ends_with(text, "@@" end "@@")) { inside = 0; text = "" }
            else if (length(text) > 200) text = substr(text, 101)
            next
        }
        $1 == "parallel_ioport_write" && inside {
            register = $5 == "0x00" ? "data" : $5 == "0x02" ? "ctrl" : "offset " $5
            writes = writes sep register " " $7; sep = ", "
        }
        END { print writes == "" ? "none" : writes }
    ' "$work_dir/$1.trace"
}

# check_case BOOT CASE STATUS STDOUT WRITES: the run's exit status, its exact
# stdout and the writes that reached the chip during it.
check_case() {
    local boot=$1 name=$2 hex
    hex=$(guest_reports "$boot" | awk -v name="$name" '$1 == "out" && $2 == name { printf "%s", $3 }')
    printf '%b' "$(printf '%s' "$hex" | sed 's/../\\x&/g')" > "$work_dir/out"
    expect_bytes "$name" "$work_dir/out" "$4"
    expect_equal "$name" "exit status" "$3" \
        "$(guest_reports "$boot" | awk -v name="$name" '$1 == "status" && $2 == name { print $3 }')"
    expect_equal "$name" "writes reaching the chip" "$5" "$(chip_writes "$boot" "$name")"
}

# show_boot BOOT: on a failure, what the guest and QEMU said.
show_boot() {
    echo "---- $1: QEMU"
    cat "$work_dir/$1.qemu"
    echo "---- $1: guest console, last 40 lines"
    tail -n 40 "$work_dir/$1.console" | tr -d '\r'
}

ok_378="$(ok_output "" 378)"$'\n'
ok_278="$(ok_output "" 278)"$'\n'

# Through /dev/port the chip sees the run's three writes as made: the mode's
# code to the data register, then control 0x0C and 0x04.
# Through ppdev it sees five. PPCLAIM restores the state the kernel keeps
# for the port, control 0x1C, and then, because ppdev asks for the port's
# interrupt, sets bit 4 (interrupt enable) once more: 0x1C again. The run's
# writes follow, with bit 4 still set by the kernel: the code, control 0x1C
# and 0x14. Pins 1, 14, 16 and 17 see what 0x0C and 0x04 give them; bit 4
# drives no pin. PPRELEASE writes nothing.
dev_port_writes() { echo "data 0x$1, ctrl 0x0c, ctrl 0x04"; }
ppdev_writes() { echo "ctrl 0x1c, ctrl 0x1c, data 0x$1, ctrl 0x1c, ctrl 0x14"; }

start=$SECONDS
failures_before=$failures
boot open
expect_equal "open boot" "lockdown" "[none] integrity confidentiality" "$(info open lockdown)"
expect_equal "open boot" "parport_pc loaded" 0 "$(info open modprobe-parport_pc)"
expect_equal "open boot" "parport0's base (decimal, then ECP base)" "888 0" "$(info open base-addr)"
expect_equal "open boot" "no ppdev node before ppdev loads" absent "$(info open node-before-ppdev)"
expect_equal "open boot" "ppdev node" "crw-rw---- root:lp" "$(info open ppdev-node)"
# ppdev is not loaded: the port's base is listed but its node is missing.
check_case open open.dev_port 1 $'\n\nPonyProg\n\n'"$ok_378" "$(dev_port_writes 02)"
# The help goes on to latch ByteBlasterMV at the default base.
check_case open open.help 1 "$help_text$ok_378" "$(dev_port_writes 00)"
# No parallel port at 0x278: the run writes through /dev/port, to nothing.
check_case open open.no_port 1 $'\n\nXilinx JTAG\n\n'"$ok_278" none
# Both ways are open to root here: ppdev is taken.
check_case open open.ppdev_preferred 1 $'\n\nByteBlasterMV\n\n'"$ok_378" "$(ppdev_writes 00)"
[ "$failures" = "$failures_before" ] || show_boot open

failures_before=$failures
boot lockdown lockdown=integrity
expect_equal "lockdown boot" "lockdown" "none [integrity] confidentiality" "$(info lockdown lockdown)"
expect_equal "lockdown boot" "parport_pc loaded (signed modules only)" 0 "$(info lockdown modprobe-parport_pc)"
expect_equal "lockdown boot" "ppdev node" "crw-rw---- root:lp" "$(info lockdown ppdev-node)"
# ppdev is not loaded yet: /dev/port is the only way, and lockdown refuses it.
check_case lockdown lockdown.dev_port 255 $'\n\nByteBlasterMV\n\n'"$access_error" none
check_case lockdown lockdown.ppdev_root 1 $'\n\nARM Wiggler JTAG\n\n'"$ok_378" "$(ppdev_writes 04)"
check_case lockdown lockdown.ppdev_lp 1 $'\n\nMSP430 JTAG\n\n'"$ok_378" "$(ppdev_writes 03)"
# Neither /dev/parport0 (root:lp 0660) nor /dev/port is open to this user.
check_case lockdown lockdown.ppdev_outsider 255 $'\n\nXilinx JTAG\n\n'"$access_error" none
# No port at 0x278, so not parport0's node: /dev/port, refused.
check_case lockdown lockdown.no_port 255 $'\n\nXilinx JTAG\n\n'"$access_error" none
[ "$failures" = "$failures_before" ] || show_boot lockdown

echo "$boots boots in $((SECONDS - start)) s"
finish
