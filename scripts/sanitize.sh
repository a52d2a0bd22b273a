#!/usr/bin/env bash
# Sanitizer builds (clang): every test under AddressSanitizer+UBSan (the desktop
# program's too, Qt's own lasting allocations named in app/tests/lsan.supp), the
# thread tests under ThreadSanitizer, and each fuzzer for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
fuzz_seconds=${VEMO_FUZZ_SECONDS:-60}
common=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang
        -DCMAKE_CXX_COMPILER=clang++ -DVEMO_BENCH=OFF)

echo "== AddressSanitizer + UBSan"
cmake -S . -B build-asan "${common[@]}" -DVEMO_GUI=ON -DVEMO_SANITIZE=address,undefined -DVEMO_FUZZ=ON \
    >/dev/null
cmake --build build-asan
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j"$(nproc)"

echo "== ThreadSanitizer"
cmake -S . -B build-tsan "${common[@]}" -DVEMO_GUI=OFF -DVEMO_SANITIZE=thread >/dev/null
cmake --build build-tsan
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan --output-on-failure -L threads

echo "== Fuzzers (${fuzz_seconds} s each)"
for fuzzer in build-asan/fuzz/fuzz_*; do
    [[ -x "$fuzzer" ]] || continue
    name=$(basename "$fuzzer")
    corpus=$(mktemp -d)
    cp -r "fuzz/corpus/${name#fuzz_}/." "$corpus"/ 2>/dev/null || true
    echo "-- $name"
    "$fuzzer" -max_total_time="$fuzz_seconds" -rss_limit_mb=4096 -timeout=20 -print_final_stats=1 \
        "$corpus" 2>&1 | tail -n 12
    rm -rf "$corpus"
done
