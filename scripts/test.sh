#!/usr/bin/env bash
# Runs every test of the project from a fresh clone: installs what the
# tests need (when run as root on Debian), then builds and tests each
# configuration. Warnings are errors throughout.
# The process-level tests give each run a private mount namespace, which
# needs root: run as another user, the script starts itself again through
# sudo, and hands the build directories back to that user at the end.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" != 0 ]; then
    if ! command -v sudo > /dev/null; then
        echo "scripts/test.sh needs root: run it as root, or install sudo" >&2
        exit 1
    fi
    exec sudo --preserve-env=CI,VUSK_ASSUME_NO_32BIT bash "$0" "$@"
fi
if [ -n "${SUDO_UID:-}" ] && [ -n "${SUDO_GID:-}" ]; then
    trap 'chown -R "$SUDO_UID:$SUDO_GID" build*/ 2> /dev/null || true' EXIT
fi

bash scripts/install-deps.sh

echo "== native build and tests"
cmake --workflow --preset default --fresh

# The shipped i686 build always gets its static checks; its wine run is
# skipped, with the reason, on a host that cannot run 32-bit code. The
# x86-64 build of the same sources runs the same cases under wine64 on
# every host.
echo "== windows cross-build (i686), tested under 32-bit wine where the host runs 32-bit code"
cmake --workflow --preset windows --fresh

echo "== windows cross-build (x86-64), tested under wine64"
cmake --workflow --preset windows64 --fresh

echo "== Debian package and its checks"
cpack --preset deb
bash tests/package/check_deb.sh build

echo "== Windows zip and its checks"
cpack --preset windows
bash tests/package/check_zip.sh build-windows

echo "== static Linux build, its tar archive, run in an empty root"
cmake --workflow --preset static --fresh
cpack --preset static
bash tests/package/check_static.sh build-static

echo "== reproducible release: two clean clones of HEAD, artifacts compared"
bash tests/package/check_reproducible.sh

echo "== sanitizer build and tests (AddressSanitizer, UndefinedBehaviorSanitizer)"
cmake --workflow --preset sanitize --fresh

echo "== fuzzer, 60 s"
bash fuzz/run.sh 60

echo "== static analysis (clang-tidy, cppcheck)"
bash scripts/lint.sh
