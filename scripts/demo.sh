#!/usr/bin/env bash
# Sets up, builds, and runs the main job on the example scenario.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
scripts/build.sh
build=${VEMO_BUILD_DIR:-build}
"$build"/cli/vemo check examples/demo/demo.txt
