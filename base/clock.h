#pragma once
// The process clock: milliseconds that only ever go forward.

#include <chrono>
#include <cstdint>

inline int64_t process_clock_ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
