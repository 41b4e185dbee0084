#!/usr/bin/env bash
# Runs every test of the project from a fresh clone: installs what the
# tests need (when run as root on Debian), then builds and tests each
# configuration. Warnings are errors throughout.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

echo "== native build and tests"
cmake --workflow --preset default --fresh

echo "== windows cross-build, tested under wine"
cmake --workflow --preset windows --fresh

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
