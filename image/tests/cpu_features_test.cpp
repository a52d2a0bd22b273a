// The processor-feature word and its report lines.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/report.h"
#include "image/cpu_features.h"

namespace {

class RecordingSink : public ReportSink {
public:
    void StatusLine(std::string_view text) override { lines.emplace_back(text); }
    void ShowError(std::string_view) override {}
    AskAnswer Ask(std::string_view) override { return AskAnswer::No; }
    std::vector<std::string> lines;
};

std::vector<std::string> expected_lines(uint32_t word) {
    auto line = [&](uint32_t bit, const char* name) {
        return std::string("+ ") + name +
               " instruction set support : " + (word & bit ? "Yes." : "No.");
    };
    return {"Checking processor instruction set",
            word & kCpuMMX ? "+ MMX instruction set support: Yes."
                           : "+ MMX instruction set support : No.",
            line(kCpuSSE, "SSE"),
            line(kCpuSSE2, "SSE2"),
            line(kCpuSSE3, "SSE3"),
            line(kCpuSSSE3, "SSSE3"),
            line(kCpuSSE41, "SSE4.1"),
            line(kCpuSSE42, "SSE4.2")};
}

TEST(CpuFeatures, ProbeTwiceGivesTheSameWordAndTheSameEightLines) {
    CpuFeaturesOverride restore(0);
    RecordingSink sink;
    set_report_sink(&sink);
    uint32_t first = detect_cpu_features();
    uint32_t second = detect_cpu_features();
    set_report_sink(nullptr);

    EXPECT_EQ(first, second);
    EXPECT_EQ(get_cpu_features(), first);
    EXPECT_EQ(first & ~0xFFu, 0u) << "only bits 0 to 7 are ever set";
    EXPECT_TRUE(!(first & kCpuAVX2) || (first & kCpuSSE2)) << "AVX2 comes with SSE2";
#if defined(__x86_64__)
    // Every x86-64 processor has MMX, SSE and SSE2.
    EXPECT_EQ(first & 7u, 7u);
#elif !defined(__i386__)
    EXPECT_EQ(first, 0u) << "other processor families report no bits";
#endif
    std::vector<std::string> expected = expected_lines(first);
    ASSERT_EQ(sink.lines.size(), 16u);
    for (size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(sink.lines[i], expected[i]);
        EXPECT_EQ(sink.lines[i + 8], expected[i]);
    }
}

}  // namespace
