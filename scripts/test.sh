#!/usr/bin/env bash
# Sets up, builds and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
scripts/build.sh
build=${VEMO_BUILD_DIR:-build}
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
