#!/usr/bin/env bash
# Configures and builds Vemo into ./build (or $VEMO_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VEMO_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEMO_WERROR=ON "$@" >/dev/null
cmake --build "$build"
