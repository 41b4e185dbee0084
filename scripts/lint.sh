#!/usr/bin/env bash
# Static analysis: clang-tidy (checks in .clang-tidy and its per-directory
# additions) and cppcheck (findings turned off project-wide are listed in
# scripts/cppcheck-suppressions.txt), over src/ and tests/ with the native
# build's compile_commands.json, over fuzz/ with the fuzz build's, and over
# the Windows port-access file with the Windows cross-build's. Any finding
# fails. Configure the default, fuzz and windows presets first
# (scripts/test.sh has done so by the time it runs this).
set -euo pipefail
cd "$(dirname "$0")/.."

for build in build build-fuzz build-windows; do
    if [ ! -f "$build/compile_commands.json" ]; then
        echo "lint: $build/compile_commands.json is missing; configure the default, fuzz and windows presets first" >&2
        exit 1
    fi
done

log=$(mktemp)
trap 'rm -f "$log"' EXIT

# tidy BUILD_DIR FILE_REGEX [run-clang-tidy options]: every finding is an
# error (.clang-tidy).
tidy() {
    if run-clang-tidy -quiet -j 2 -p "$1" "${@:3}" "^$PWD/$2" > "$log" 2>&1 && ! grep -qE 'warning:|error:' "$log"; then
        echo "clang-tidy $2: no findings"
    else
        sed 's/\x1b\[[0-9;]*m//g' "$log" # run-clang-tidy forces colour on
        echo "clang-tidy $2: findings above" >&2
        return 1
    fi
}

# check BUILD_DIR cppcheck-options...
check() {
    local build=$1
    shift
    cppcheck --project="$build/compile_commands.json" --enable=warning,style,performance,portability \
        --error-exitcode=1 --inline-suppr --quiet --library=posix \
        --suppressions-list=scripts/cppcheck-suppressions.txt "$@"
}

tidy build '(src|tests)/'
tidy build-fuzz 'fuzz/'
# clang reads the MinGW build as a Windows target, with the cross
# compiler's own header directories.
mingw_tidy_args=(-extra-arg=--target=i686-w64-mingw32 -extra-arg=-nostdinc++)
for dir in $(echo | i686-w64-mingw32-g++ -x c++ -E -v - 2>&1 | sed -n '/^#include <...>/,/^End of search/s/^ //p'); do
    mingw_tidy_args+=("-extra-arg=-isystem$dir")
done
tidy build-windows 'src/' "${mingw_tidy_args[@]}"
check build --library=googletest --file-filter='src/*' --file-filter='tests/*'
check build-fuzz --file-filter='fuzz/*'
check build-windows --library=windows --platform=win32W --file-filter='src/*'
echo "cppcheck src/ tests/ fuzz/ and the Windows build: no findings"
