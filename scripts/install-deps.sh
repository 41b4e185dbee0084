#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, but only
# those that are missing: as root directly, otherwise through sudo.
# Usage: install-deps.sh [build]   ("build": only what building vusk needs)
set -euo pipefail
cd "$(dirname "$0")/.."

# command-or-file package (a file may be a glob)
needs=(
    "cmake cmake"
    "g++ g++"
    "/usr/include/gtest/gtest.h libgtest-dev"
)

if [ "${1:-}" != build ]; then
    needs+=(
        "strace strace"
        "unshare util-linux"
        "truncate coreutils"
        "gzip gzip"
        "dpkg-deb dpkg"
        "dpkg-shlibdeps dpkg-dev"
        "man man-db"
        "groff groff-base"
        "unzip unzip"
    )

    # The ppdev stand-in: a FUSE file system built by the test suite.
    needs+=(
        "/usr/include/fuse3/fuse.h libfuse3-dev"
        "fusermount3 fuse3"
        "mountpoint util-linux"
    )

    # The Windows cross-builds and their tests under wine. The x86-64 build
    # runs under wine64 on every host. The shipped i686 build runs under
    # 32-bit wine only where this host can run 32-bit code; wine32 is an
    # i386 package, so that architecture is enabled below for it.
    needs+=(
        "i686-w64-mingw32-g++ g++-mingw-w64-i686"
        "x86_64-w64-mingw32-g++ g++-mingw-w64-x86-64"
        "wineserver wine"
        "/usr/lib/wine/wine64 wine64"
    )
    if bash scripts/can-run-32bit.sh > /dev/null; then
        needs+=("/usr/lib/wine/wine wine32:i386")
    fi

    # Release checks: Debian's package and binary checks, archive clean-up,
    # the static build, and the clones of the reproducibility check.
    needs+=(
        "lintian lintian"
        "hardening-check devscripts"
        "strip-nondeterminism strip-nondeterminism"
        "git git"
        "/usr/lib/*/libc.a libc6-dev"
    )

    # The kernel test: QEMU boots Debian's kernel (fetched by the test with
    # apt-get download, never installed) from an initramfs that holds a
    # static busybox. busybox-static installs /bin/busybox, as the dynamic
    # busybox does, so its own file list is what tells them apart. The
    # kernel's modules may come compressed with xz or zstd.
    needs+=(
        "qemu-system-x86_64 qemu-system-x86"
        "/var/lib/dpkg/info/busybox-static.list busybox-static"
        "cpio cpio"
        "xz xz-utils"
        "zstd zstd"
        "readelf binutils"
        "apt-get apt"
    )

    # Sanitizer build, fuzzer and static analysis.
    needs+=(
        "clang++ clang"
        "/usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a libclang-rt-14-dev"
        "run-clang-tidy clang-tidy"
        "cppcheck cppcheck"
    )
fi

missing=()
for need in "${needs[@]}"; do
    read -r what package <<< "$need"
    if [[ $what == /* ]]; then
        compgen -G "$what" > /dev/null || missing+=("$package")
    else
        command -v "$what" > /dev/null || missing+=("$package")
    fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
if [ "$(id -u)" != 0 ]; then
    if ! command -v sudo > /dev/null; then
        echo "Missing packages: ${missing[*]}. Install them as root (apt-get install ${missing[*]})." >&2
        exit 1
    fi
    as_root=(sudo)
fi
echo "Installing: ${missing[*]}"
if [[ " ${missing[*]}" == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${as_root[@]}" dpkg --add-architecture i386
fi
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
