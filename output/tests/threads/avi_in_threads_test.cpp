// Clip readers on several threads at once: each reader on its own thread, and one
// reader shared by several threads, over one clip; the library guard ends with no
// user and the first and last users are seen exactly as often as each other.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "base/tests/temp_folder.h"
#include "output/avi_in.h"
#include "output/avi_lock.h"
#include "output/clip_keep.h"
#include "output/tests/clip_fixtures.h"

extern "C" {
#include <libavutil/log.h>
}

namespace {

using namespace clip_fixtures;

class AviInThreads : public ::testing::Test {
protected:
    void SetUp() override {
        av_log_set_level(AV_LOG_QUIET);
        const bool ffv1 = encoder_available("ffv1");
        m_spec = {.encoder = ffv1 ? "ffv1" : "rawvideo",
                  .pixelFormat = ffv1 ? AV_PIX_FMT_BGR0 : AV_PIX_FMT_BGR24,
                  .frames = 40,
                  .gop = 5};
        ASSERT_TRUE(write_clip(m_path, m_spec));
    }
    void TearDown() override { drop_parked_clips(); }

    TempFolder m_folder;
    ClipRecipe m_spec;
    const std::string m_path = m_folder / "clip.avi";
};

TEST_F(AviInThreads, EachThreadOpensReadsAndClosesItsOwnReader) {
    constexpr int kThreads = 4;
    constexpr int kRounds = 25;
    std::atomic<int> set_up{0}, closed{0}, wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            CAVIIn reader;
            auto trace = [&](const std::string& line) {
                if (line == "+ AVI : GetLock ... successed.") ++set_up;
                if (line == "+ AVI : ReleaseLock ... successed.") ++closed;
                return 0;
            };
            reader.SetCalls(nullptr, nullptr, trace);
            reader.SetFileName(m_path);
            for (int round = 0; round < kRounds; ++round) {
                // As the MOVIE scene reads: open, one frame, close.
                int frame = (t * 7 + round * 13) % m_spec.frames;
                if (reader.Initialize() != 0) ++wrong;
                if (!is_exact_frame(reader.DoVideoReader(frame).get(), m_spec, frame)) ++wrong;
                reader.Finish();
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(avi_lock_users(), 0);
    EXPECT_GE(set_up.load(), 1);
    EXPECT_EQ(set_up.load(), closed.load());
}

TEST_F(AviInThreads, OneReaderServesSeveralThreadsOneFrameAtATime) {
    CAVIIn reader;
    std::atomic<int> inside{0}, overlapped{0};
    reader.SetCalls(nullptr, nullptr, [&](const std::string& line) {
        // The frame call's heading and its result line come from the same call;
        // a second thread inside the same reader would interleave them.
        if (line == "CAVIIn::DoVideoReader" && inside.fetch_add(1) != 0) ++overlapped;
        if (line.rfind("+ AVIStreamGetFrame", 0) == 0) inside.fetch_sub(1);
        return 0;
    });
    reader.SetFileName(m_path);
    ASSERT_EQ(reader.Initialize(), 0);
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 30; ++round) {
                int frame = (t * 11 + round * 17) % m_spec.frames;
                if (!is_exact_frame(reader.DoVideoReader(frame).get(), m_spec, frame)) ++wrong;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    reader.Finish();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(overlapped.load(), 0);
    EXPECT_EQ(avi_lock_users(), 0);
}

}  // namespace
