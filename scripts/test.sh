#!/usr/bin/env bash
# Runs every test of the project from a fresh clone: installs what the
# tests need (when run as root on Debian), then builds and tests each
# configuration. Warnings are errors throughout.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

echo "== native build and tests"
cmake --workflow --preset default --fresh

echo "== sanitizer build and tests (AddressSanitizer, UndefinedBehaviorSanitizer)"
cmake --workflow --preset sanitize --fresh

echo "== fuzzer, 60 s"
bash fuzz/run.sh 60

echo "== static analysis (clang-tidy, cppcheck)"
bash scripts/lint.sh
