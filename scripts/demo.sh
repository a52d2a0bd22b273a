#!/usr/bin/env bash
# Sets up, builds, and renders the example tour: its pictures and music are made by
# examples/tour/make-media.py, the video goes to build/tour.avi.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
scripts/build.sh
build=${VEMO_BUILD_DIR:-build}
python3 examples/tour/make-media.py
"$build"/cli/vemo check examples/tour/tour.txt
"$build"/cli/vemo render examples/tour/tour.txt -o "$build"/tour "$@"
