#pragma once
// The process-wide processor-feature word. detect_cpu_features fills it once at
// start-up; the 32-bit kernels of compose_image and scale_image read bit 2 on every
// call to choose their SSE2 form.

#include <cstdint>

inline constexpr uint32_t kCpuMMX = 1u << 0;
inline constexpr uint32_t kCpuSSE = 1u << 1;
inline constexpr uint32_t kCpuSSE2 = 1u << 2;
inline constexpr uint32_t kCpuSSE3 = 1u << 3;
inline constexpr uint32_t kCpuSSSE3 = 1u << 4;
inline constexpr uint32_t kCpuSSE41 = 1u << 5;
inline constexpr uint32_t kCpuSSE42 = 1u << 6;
// AVX2 with the system saving the wide registers (identification function 7 and
// XGETBV). Not among the reported lines; it chooses the wider compose kernel.
inline constexpr uint32_t kCpuAVX2 = 1u << 7;

// Probes the processor (identification function 1), ORs the bits it supports into
// the word, reports the eight "instruction set support" lines and returns the word.
// On processors other than x86 no bit is set.
uint32_t detect_cpu_features();

// The word as it stands (0 until detect_cpu_features or set_cpu_features runs).
uint32_t get_cpu_features();

// Replaces the word and returns the previous one. Tests and benchmarks use it to
// force the plain kernels (0) or to restore the probed word.
uint32_t set_cpu_features(uint32_t features);

// Sets the word for the lifetime of a scope and restores it afterwards.
class CpuFeaturesOverride {
public:
    explicit CpuFeaturesOverride(uint32_t features) : m_previous(set_cpu_features(features)) {}
    ~CpuFeaturesOverride() { set_cpu_features(m_previous); }
    CpuFeaturesOverride(const CpuFeaturesOverride&) = delete;
    CpuFeaturesOverride& operator=(const CpuFeaturesOverride&) = delete;

private:
    uint32_t m_previous;
};
