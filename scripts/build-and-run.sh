#!/usr/bin/env bash
# Builds vusk from this tree and runs it with the given arguments: installs
# the packages the build needs if they are missing (as root, or through
# sudo), configures and builds the default preset into build/, then runs
# build/vusk as the calling user.
# Usage: scripts/build-and-run.sh [VUSK ARGUMENTS...]
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh build
cmake --preset default > /dev/null
cmake --build --preset default
exec build/vusk "$@"
