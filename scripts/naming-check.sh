#!/usr/bin/env bash
# Fails when a name breaks the project's naming convention (docs/overview.md):
# clang-tidy's identifier-naming check over every engine and front-end source,
# with the compile commands of ./build (or $VEMO_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VEMO_BUILD_DIR:-build}
[[ -f "$build/compile_commands.json" ]] || { echo "naming-check: build $build first"; exit 1; }
files=$(git ls-files 'base/*.cpp' 'image/*.cpp' 'output/*.cpp' 'scene/*.cpp' 'scenario/*.cpp' \
    'render/*.cpp' 'cli/*.cpp' 'app/*.cpp' | grep -v '/tests/')
out=$(echo "$files" | xargs -n 8 -P "$(nproc)" clang-tidy -p "$build" --quiet \
    --header-filter="^$PWD/(base|image|output|scene|scenario|render|cli|app)/[^t]" 2>/dev/null || true)
if grep -q "warning:" <<<"$out"; then
    grep -A2 "warning:" <<<"$out"
    echo "naming-check: names above break the convention"
    exit 1
fi
echo "naming-check: $(wc -w <<<"$files") files follow the convention"
