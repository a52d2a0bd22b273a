#!/usr/bin/env bash
# Fails when a C++ file does not follow .clang-format (fix with clang-format -i).
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
