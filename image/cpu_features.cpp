#include "image/cpu_features.h"

#include <atomic>

#include "base/report.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace {

// Written before any render starts and only read while one runs.
std::atomic<uint32_t> g_cpu_features{0};

// The bits identification function 1 reports, or 0 off x86.
uint32_t probe_processor() {
#if defined(__x86_64__) || defined(__i386__)
    unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid_count(1, 0, &eax, &ebx, &ecx, &edx)) return 0;
    uint32_t bits = 0;
    if (edx & (1u << 23)) bits |= kCpuMMX;
    if (edx & (1u << 25)) bits |= kCpuSSE;
    if (edx & (1u << 26)) bits |= kCpuSSE2;
    if (ecx & (1u << 0)) bits |= kCpuSSE3;
    if (ecx & (1u << 9)) bits |= kCpuSSSE3;
    if (ecx & (1u << 19)) bits |= kCpuSSE41;
    if (ecx & (1u << 20)) bits |= kCpuSSE42;
    // AVX2 needs the system to save the wide registers: OSXSAVE, then XCR0's SSE and
    // AVX state bits.
    const bool osxsave = (ecx & (1u << 27)) != 0;
    if (osxsave && __get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) && (ebx & (1u << 5))) {
        unsigned int xcr0 = 0, high = 0;
        __asm__("xgetbv" : "=a"(xcr0), "=d"(high) : "c"(0));
        if ((xcr0 & 6u) == 6u) bits |= kCpuAVX2;
    }
    return bits;
#else
    return 0;
#endif
}

}  // namespace

uint32_t detect_cpu_features() {
    uint32_t probed = probe_processor();
    uint32_t features = g_cpu_features.fetch_or(probed) | probed;
    Report("Checking processor instruction set");
    // The MMX "Yes" line has never had a blank before its colon.
    Report("%s", features & kCpuMMX ? "+ MMX instruction set support: Yes."
                                    : "+ MMX instruction set support : No.");
    struct Named {
        uint32_t bit;
        const char* name;
    };
    static constexpr Named kRest[] = {{kCpuSSE, "SSE"},      {kCpuSSE2, "SSE2"},
                                      {kCpuSSE3, "SSE3"},    {kCpuSSSE3, "SSSE3"},
                                      {kCpuSSE41, "SSE4.1"}, {kCpuSSE42, "SSE4.2"}};
    for (const Named& named : kRest) {
        Report("+ %s instruction set support : %s", named.name,
               features & named.bit ? "Yes." : "No.");
    }
    return features;
}

uint32_t get_cpu_features() {
    return g_cpu_features.load(std::memory_order_relaxed);
}

uint32_t set_cpu_features(uint32_t features) {
    return g_cpu_features.exchange(features);
}
