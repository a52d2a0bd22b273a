// Creations that cannot complete: each ends with its outcome and a reason, leaves
// no thread behind and never touches a file the scenario reads.

#include <signal.h>
#include <sys/resource.h>

#include "output/tests/clip_fixtures.h"
#include "render/tests/render_fixture.h"

namespace {

const char* const kScenario =
    "SCREEN 64 48\nFRAMERATE 30\n"
    "DRAW \"箱\" { SIZE 64 48 COLOR 255 255 255 255 RECT { POINT 0 0 POINT 63 47 FILL } }\n"
    "STILL \"長\" { INPUT \"箱\" FRAMES 110 }\n"
    "FADEIN \"明\" { INPUT \"長\" FRAMES 110 }\nMAIN { INPUT \"明\" }\n";

// Files may grow to `bytes` at most while it lives; a longer write fails with
// EFBIG instead of raising SIGXFSZ, the way a full disk fails it.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_saved{};
    sighandler_t m_handler = SIG_DFL;
};

}  // namespace

// Outputs that cannot be set up (an unknown codec, a bit rate of 0, a missing
// folder, the scenario itself) are vemo render's tests (tests/render_cli_test.cpp).

TEST_F(RenderTest, MusicThatIsNotAudioEndsWithTheAudioOutcome) {
    m_folder.Write("tune.wav", "RIFF this is not music at all");
    ASSERT_TRUE(Load(std::string(kScenario) + "AUDIO \"tune.wav\"\n"));
    EXPECT_EQ(Render(kFormatQuickTime, "out.mov", 2), kOutcomeAudio);
    EXPECT_FALSE(m_reason.empty());
    EXPECT_FALSE(std::filesystem::exists(m_folder / "out.mov"));
    EXPECT_EQ(read_bytes(m_folder / "tune.wav"), "RIFF this is not music at all");
}

TEST_F(RenderTest, AFullDiskEndsTheCreationAfterTheRunningFrames) {
    ASSERT_TRUE(Load(kScenario));
    int outcome = 0;
    {
        // Room for about 20 frames of 9 KiB.
        FileSizeLimit limit(200 * 1024);
        outcome = Render(kFormatAvi, "full.avi", 3);
    }
    EXPECT_TRUE(outcome == kOutcomeFrame || outcome == kOutcomeNotCreated) << outcome;
    EXPECT_FALSE(m_reason.empty());
    // Nothing half-written is left behind under the output's name.
    EXPECT_FALSE(std::filesystem::exists(m_folder / "full.avi"));
}

TEST_F(RenderTest, AClipThatEndsEarlyDoesNotBreakTheCreation) {
    // A clip of 12 frames in a shot of 30.
    const std::string clip = m_folder / "clip.avi";
    ASSERT_TRUE(clip_fixtures::write_clip(clip, {}));
    const std::string bytes = read_bytes(clip);

    ASSERT_TRUE(
        Load("SCREEN 64 48\nFRAMERATE 30\nMOVIE \"m\" { FILE \"clip.avi\" FRAMES 30 }\n"
             "MAIN { INPUT \"m\" }\n"));
    // Clip frames are made on the control thread, in order; past its end the
    // shot shows its background.
    ASSERT_EQ(Render(kFormatAvi, "out.avi", 2), kOutcomeDone) << m_reason;
    EXPECT_EQ(read_bytes(clip), bytes);
    const auto frames = Decoded("out.avi", 31);
    ASSERT_EQ(frames.size(), 31u);
    EXPECT_TRUE(
        std::all_of(frames[20].begin(), frames[20].end(), [](uint8_t b) { return b == 0; }));
    EXPECT_FALSE(
        std::all_of(frames[11].begin(), frames[11].end(), [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(m_status.Starting("Frame(5) rendered by proxy thread").size(), 1u);
}
