// The processor-feature word and its report lines.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/cpu_features.h"
#include "image/tests/drawing_test_support.h"

namespace {

TEST(CpuFeatures, ProbeTwiceGivesTheSameWordAndTheSameEightLines) {
    CpuFeaturesOverride restore(0);
    ErrorRecorder sink;
    const uint32_t first = detect_cpu_features();
    const uint32_t second = detect_cpu_features();
    const std::vector<std::string>& lines = sink.lines;
    EXPECT_EQ(first, second);
    EXPECT_TRUE(!(first & kCpuAVX2) || (first & kCpuSSE2)) << "AVX2 comes with SSE2";
#if defined(__x86_64__)
    // Every x86-64 processor has MMX, SSE and SSE2.
    EXPECT_EQ(first & 7u, 7u);
#elif !defined(__i386__)
    EXPECT_EQ(first, 0u) << "other processor families report no bits";
#endif
    std::vector<std::string> expected = {"Checking processor instruction set",
                                         first & kCpuMMX ? "+ MMX instruction set support: Yes."
                                                         : "+ MMX instruction set support : No."};
    const std::pair<uint32_t, const char*> sets[] = {{kCpuSSE, "SSE"},      {kCpuSSE2, "SSE2"},
                                                     {kCpuSSE3, "SSE3"},    {kCpuSSSE3, "SSSE3"},
                                                     {kCpuSSE41, "SSE4.1"}, {kCpuSSE42, "SSE4.2"}};
    for (auto [bit, name] : sets)
        expected.push_back(std::string("+ ") + name +
                           " instruction set support : " + (first & bit ? "Yes." : "No."));
    ASSERT_EQ(lines.size(), 16u);
    EXPECT_EQ(std::vector(lines.begin(), lines.begin() + 8), expected);
    EXPECT_EQ(std::vector(lines.begin() + 8, lines.end()), expected);
}

}  // namespace
