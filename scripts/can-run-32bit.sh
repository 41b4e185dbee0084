#!/usr/bin/env bash
# Exits 0 when this host runs 32-bit x86 programs, and 1, with the reason
# (a few words, no line feed inside) on standard output, when it does not. Some x86-64 kernels are built without
# IA-32 emulation: there every i386 program, 32-bit wine among them, fails
# with "Exec format error", whatever the distribution has installed. So this
# runs one: a 96-byte static i386 ELF whose only instructions are
# exit(42) through int 0x80, which needs nothing but the kernel.
# VUSK_ASSUME_NO_32BIT=1 makes it answer no, so that the no-32-bit path can
# be tried on a host that has 32-bit support.
set -u

if [ -n "${VUSK_ASSUME_NO_32BIT:-}" ]; then
    echo "VUSK_ASSUME_NO_32BIT is set"
    exit 1
fi

probe=$(mktemp)
trap 'rm -f "$probe"' EXIT
# ELF header, one PT_LOAD program header at 0x08048000, then:
# mov eax, 1 (exit); mov ebx, 42; int 0x80.
printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' > "$probe"
chmod +x "$probe"
error=$("$probe" 2>&1)
status=$?
if [ "$status" -ne 42 ]; then
    # The shell's own message names the probe's temporary path; keep it short.
    echo "an i386 test program gave status $status${error:+: ${error##*: }}"
    exit 1
fi
