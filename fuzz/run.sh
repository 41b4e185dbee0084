#!/usr/bin/env bash
# Builds the fuzzer (fuzz preset) and runs it for SECONDS (default 60),
# starting from the seed corpus in fuzz/corpus. Inputs it finds and any
# crash, leak or timeout artifact go to build-fuzz/run/, never into the
# source tree. Exits non-zero on any finding.
# Usage: fuzz/run.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

cmake --workflow --preset fuzz --fresh > /dev/null

run=build-fuzz/run
rm -rf "$run"
mkdir -p "$run/corpus" "$run/artifacts"
echo "fuzzing for ${seconds}s; log in $run/fuzz.log"
# The first corpus directory takes new inputs; the seeds are only read.
if build-fuzz/fuzz/vusk_fuzzer -max_total_time="$seconds" -max_len=4096 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$run/artifacts/" "$run/corpus" fuzz/corpus > "$run/fuzz.log" 2>&1; then
    grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)|^stat::' "$run/fuzz.log"
else
    tail -n 60 "$run/fuzz.log"
    echo "fuzzer finding: artifacts in $run/artifacts/" >&2
    exit 1
fi
