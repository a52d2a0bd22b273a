// Which frames a creation renders and where they land: order with any number of
// workers, skip mode, a late start, preview step, more workers than frames,
// nothing to render, and stopping.

#include <numeric>
#include <set>

#include "render/tests/render_fixture.h"

namespace {

// 10 identical frames (none when `still` is false), then `fade` frames fading in
// from black: every frame of the fade differs from its neighbours.
std::string fade_scenario(const std::string& header = "", bool still = true, int fade = 100) {
    const std::string frames = std::to_string(fade);
    return "SCREEN 64 48\nFRAMERATE 30\n" + header +
           "DRAW \"箱\" { SIZE 64 48 COLOR 255 255 255 255 RECT { POINT 0 0 POINT 63 47 FILL } }\n"
           "STILL \"静\" { INPUT \"箱\" FRAMES 10 }\n"
           "STILL \"長\" { INPUT \"箱\" FRAMES " +
           frames + " }\nFADEIN \"明\" { INPUT \"長\" FRAMES " + frames + " }\n" +
           (still ? "MAIN { INPUT \"静\" INPUT \"明\" }\n" : "MAIN { INPUT \"明\" }\n");
}

}  // namespace

TEST_F(RenderTest, FramesAreWrittenInFrameOrderWhateverTheWorkerCount) {
    ASSERT_TRUE(Load(fade_scenario()));
    for (int32_t threads : {1, 2, 8}) {
        SCOPED_TRACE(threads);
        const std::string name = "order" + std::to_string(threads) + ".avi";
        ASSERT_EQ(Render(kFormatAvi, name, threads), kOutcomeDone) << m_reason;
        // Every frame once, then the last picture again for its display time.
        Decoded(name, 111);
        std::vector<int32_t> all(110);
        std::iota(all.begin(), all.end(), 0);
        EXPECT_EQ(Rendered(), all);
        // Progress goes forward to the last frame.
        ASSERT_FALSE(m_progress.empty());
        EXPECT_TRUE(std::is_sorted(m_progress.begin(), m_progress.end()));
        EXPECT_EQ(m_progress.back(), 109);
    }
}

TEST_F(RenderTest, SkipModeRendersOneFrameOfEachRunAndRepeatsItInTheFile) {
    ASSERT_TRUE(Load(fade_scenario()));
    m_skip = 1;
    for (int32_t threads : {1, 2}) {
        SCOPED_TRACE(threads);
        const std::string name = "skip" + std::to_string(threads) + ".avi";
        ASSERT_EQ(Render(kFormatAvi, name, threads), kOutcomeDone) << m_reason;
        // The still promises frames 1 ... 8 to repeat frame 0 (its last frame keeps
        // no promise): they are not rendered.
        std::vector<int32_t> wanted{0};
        for (int32_t f = 9; f < 110; ++f) wanted.push_back(f);
        if (threads == 2) wanted.insert(wanted.begin() + 1, 1);  // the first batch is fixed
        EXPECT_EQ(Rendered(), wanted);
        Decoded(name, 111);
    }
}

TEST_F(RenderTest, ALateStartAndThePreviewStepPickTheWrittenFrames) {
    // 100 frames at preview scale 4: positions 0 ... 24, no extra last frame.
    ASSERT_TRUE(Load(fade_scenario("PREVIEWSCALE 4\n", false)));
    m_scenario->SetRenderMode(2);
    ASSERT_EQ(Render(kFormatAvi, "preview.avi", 2), kOutcomeDone) << m_reason;
    Decoded("preview.avi", 25, 0, 4);
    const auto movie = writer_fixtures::read_movie(m_folder / "preview.avi");
    ASSERT_EQ(movie.streams.size(), 1u);
    EXPECT_EQ(av_q2d(movie.streams[0].timeBase), 4.0 / 30.0);
    // The progress of the last batch, then the end: 96 / 4 + 1 = 25 of 25 shown.
    EXPECT_EQ(m_progress.front(), 4);
    EXPECT_EQ(m_progress.back() / 4 + 1, 25);

    // STARTFRAME 10: frames 10 ... 109 at positions 0 ... 99, the last picture again
    // at 100, no gap before it.
    ASSERT_TRUE(Load(fade_scenario("PREVIEWSCALE 4\nSTARTFRAME 10\n")));
    ASSERT_EQ(Render(kFormatAvi, "late.avi", 2), kOutcomeDone) << m_reason;
    Decoded("late.avi", 101, 10);
    // In preview it starts at 8, the step below it: 8, 12, ... 104 (the step cut
    // short by the end, 108 and 109, is not written).
    m_scenario->SetRenderMode(2);
    ASSERT_EQ(Render(kFormatAvi, "late-preview.avi", 2), kOutcomeDone) << m_reason;
    Decoded("late-preview.avi", 25, 8, 4);
}

TEST_F(RenderTest, FewOrNoFramesToRender) {
    // More workers than frames render each frame once.
    ASSERT_TRUE(Load(fade_scenario("", false, 3)));
    ASSERT_EQ(Render(kFormatAvi, "few.avi", 8), kOutcomeDone) << m_reason;
    EXPECT_EQ(Rendered(), (std::vector<int32_t>{0, 1, 2}));
    Decoded("few.avi", 4);

    // A start past the end, and a preview step longer than the scenario: done at once.
    ASSERT_TRUE(Load(fade_scenario("STARTFRAME 500\n")));
    EXPECT_EQ(Render(kFormatAvi, "past.avi", 2), kOutcomeDone) << m_reason;
    EXPECT_TRUE(Rendered().empty());
    ASSERT_TRUE(Load(fade_scenario("PREVIEWSCALE 200\n")));
    m_scenario->SetRenderMode(2);
    EXPECT_EQ(Render(kFormatAvi, "step.avi", 8), kOutcomeDone) << m_reason;
    EXPECT_TRUE(Rendered().empty());
}

TEST_F(RenderTest, StopEndsWithAPlayableFileUpToTheLastWrittenFrame) {
    ASSERT_TRUE(Load(fade_scenario()));
    // Stopped during the creation: the running batch finishes, the file is closed.
    ASSERT_EQ(Render(kFormatAvi, "stopped.avi", 2,
                     [this](int32_t frame) {
                         if (frame >= 30) m_runner->Stop();
                     }),
              kOutcomeStopped);
    const auto frames = writer_fixtures::decode_frames(m_folder / "stopped.avi");
    ASSERT_GE(frames.size(), 31u);
    ASSERT_LT(frames.size(), 110u);
    for (size_t f = 0; f < frames.size(); ++f)
        EXPECT_EQ(frames[f], Expected(static_cast<int32_t>(f)));
    const std::set<int32_t> progress(m_progress.begin(), m_progress.end());
    EXPECT_EQ(progress.size(), m_progress.size());  // no end progress after a stop

    // Stopped before it started: nothing is rendered.
    m_stopAtStart = true;
    EXPECT_EQ(Render(kFormatAvi, "never.avi", 2), kOutcomeStopped);
    EXPECT_TRUE(Rendered().empty());
}
