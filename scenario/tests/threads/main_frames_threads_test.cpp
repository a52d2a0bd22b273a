// MAIN's frames asked through the document by eight workers at once, at random:
// every frame is, byte for byte, the frame a single worker made, for a scenario
// that uses every kind of block (a dissolve straight under MAIN among them, which
// MAIN makes in the hand-over form), in both image modes.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "image/tests/picture_fixtures.h"
#include "image/tests/threads/library_suppressions.h"
#include "output/tests/clip_fixtures.h"
#include "scenario/tests/scenario_fixture.h"
#include "scene/render_context.h"
#include "scene/tests/threads/thread_test_support.h"

namespace {

namespace pf = picture_fixtures;

constexpr int kRounds = 30;
constexpr int kHeld = 3;

// Every kind of block, each fed by others: pictures with every IMAGE effect, a
// caption, a drawing and a clip; shots of pictures (kept between frames) and of the
// clip (made for each frame); transitions, compositions, both CUT directions and
// blanks.
const char* const kScenario = R"(SCREEN 64 48
FRAMERATE 30
IMAGE "photo" { FILE "photo.png" }
IMAGE "framed" { FILE "photo.png" PHOTO_FRAME 10 SEPIA }
IMAGE "turned" { FILE "photo.png" THROUGH_COLOR 0 0 0 CLIP 4 2 43 33 NEGA ANGLE 25 }
IMAGE "graded" { FILE "photo.png" MONO HIGHPASS }
IMAGE "tinted" { FILE "photo.png" DISCOLOR RED GREEN }
IMAGE "frozen" { BLOCK_FRAME "clip" 4 BLUE }
TEXT "title" { SIZE 60 40 STRING "Vemo\\slides" FONT "Sans" 8 14 ALIGN CENTER VALIGN CENTER
 COLOR 255 255 200 255 ANGLE 10 }
DRAW "shapes" { SIZE 40 30 COLOR 200 40 40 255
 RECT { POINT 2 2 POINT 20 14 FILL }
 ELLIPSE { REGION 10 8 36 28 WIDTH 2 ANGLE 30 }
 LINE { POINT 0 29 POINT 39 0 WIDTH 3 }
 POLYGON { POINT 30 2 POINT 38 10 POINT 26 12 FILL } }
MOVIE "clip" { FILE "clip.avi" 4 4 59 43 BGCOLOR 0 0 64 FRAME_START 1 FRAMES 10 }
STILL "still" { INPUT "photo" INPUT "title" 2 2 61 45 MAX_CUT BGCOLOR 10 20 30 FRAMES 8 }
STILL "moving" { INPUT "clip" INPUT "shapes" 20 10 59 39 FRAMES 8 }
ROTATE "rotate" { INPUT "framed" CENTER 24 20 ANGLE 0 120 BGIMAGE "shapes" FRAMES 8 }
ROTATE "spin" { INPUT "clip" ANGLE 30 -60 BGIMAGE "clip" FRAMES 8 }
ACTION "action" { INPUT "turned" SRC_START 0 0 20 15 SRC_END 10 8 39 29
 DST_START 0 0 31 23 DST_END 16 12 63 47 DSP_START 0 0 63 47 DSP_END 8 8 55 39
 AFTERIMAGE 2 BGCOLOR 0 40 0 FRAMES 8 }
ZOOM "zoom" { INPUT "photo" SRC_START 0 0 47 35 SRC_END 12 9 35 26 KEEP_ASPECT FRAMES 8 }
SLIDE "slide" { INPUT "shapes" DST_START 0 0 31 23 DST_END 32 24 63 47 AFTERIMAGE 3
 BGIMAGE "photo" FRAMES 8 }
FOCUS "focus" { INPUT "graded" DSP_START 0 0 63 47 DSP_END 16 12 47 35 BGIMAGE "moving" FRAMES 8 }
FILM "film" { INPUT "tinted" INPUT "moving" INPUT "frozen" LEFT COLOR 40 40 40 BGCOLOR 0 0 30
 FRAMES 8 }
FILM "filmUp" { INPUT "title" INPUT "shapes" UP COLOR 0 0 0 FRAMES 6 }
FADEIN "fadeIn" { INPUT "still" COLOR 255 255 255 FRAMES 3 }
FADE "fadeOut" { INPUT "zoom" OUT COLOR 0 0 0 FRAMES 4 }
CROSSFADE "crossfade" { INPUT "rotate" INPUT "zoom" INPUT "slide" FRAMES 3 }
EXPANDIN "expandIn" { INPUT "focus" UP }
EXPANDOUT "expandOut" { INPUT "action" RIGHT }
MOSAIC "mosaic" { INPUT "film" SIZE_START 1 SIZE_END 8 TGT_START 0 0 31 23 TGT_END 16 12 63 47 }
SHAKE "shake" { INPUT "fadeIn" }
SERIES "series" { INPUT "shake" !INPUT "still" INPUT "fadeOut" }
MIX "mix" { INPUT "series" 0 0 31 23 INPUT "crossfade" 32 24 63 47 OFFSET 2
 INPUT "spin" 8 8 39 31 OFFSET 6 BGIMAGE "photo" BGCOLOR 20 0 20 }
MIX "orMix" { INPUT "filmUp" INPUT "moving" 10 10 41 33 OFFSET 1 OR }
CUT "forward" { INPUT "clip" START 1 END 8 SKIP 2 }
CUT "backward" { INPUT "mosaic" START 7 END 0 }
ALPHA "alpha" { INPUT "expandIn" START 255 END 40 }
SHADE "shade" { INPUT "expandOut" START 0 END 3 }
MAIN { INPUT "mix" INPUT "forward" INPUT "backward" !INPUT "still" INPUT "alpha" INPUT "shade"
 INPUT "orMix" INPUT "crossfade" }
)";

class MainFramesThreads : public ScenarioTest, public ::testing::WithParamInterface<int> {
protected:
    ImageModeScope m_mode{GetParam()};
};

INSTANTIATE_TEST_SUITE_P(BothModes, MainFramesThreads, ::testing::Values(32, 24));

TEST_P(MainFramesThreads, RandomFramesMatchTheSingleThreadedOnes) {
    pf::write_file(
        (m_dir / "photo.png").string(),
        pf::encode_picture(AV_CODEC_ID_PNG, AV_PIX_FMT_RGB24, 48, 36, pf::rgb24([](int x, int y) {
                               return static_cast<uint32_t>(((x * 5) << 16) | ((y * 7) << 8) |
                                                            ((x * y) & 0xFF));
                           })));
    ASSERT_TRUE(clip_fixtures::write_clip((m_dir / "clip.avi").string(), {}));
    ASSERT_TRUE(Accepts(kScenario));
    ASSERT_EQ(m_doc.Link(), 0) << OnlyError();
    const int32_t total = m_doc.TotalFrames();
    ASSERT_EQ(total, 24 + 8 + 8 + 8 + 8 + 8 + 9 + 18);

    // One worker, frame by frame.
    RenderContext single;
    std::vector<std::vector<uint8_t>> expected(static_cast<size_t>(total));
    for (int32_t f = 0; f < total; ++f) {
        CImageBuffer* image = m_doc.GetImage(f, nullptr, &single);
        ASSERT_TRUE(image) << "frame " << f;
        expected[static_cast<size_t>(f)] = image_bytes(image);
        m_doc.ReleaseImage(image, f);
    }
    m_doc.ResetScenes();

    // Eight workers, each with its own context, each holding a few frames at once and
    // giving them back in a shuffled order.
    std::atomic<int> missing{0}, wrong{0};
    run_workers([&](int w) {
        RenderContext context;
        std::mt19937 rng(static_cast<uint32_t>(977 + 31 * w));
        std::uniform_int_distribution<int32_t> pick(0, total - 1);
        for (int round = 0; round < kRounds; ++round) {
            std::vector<std::pair<int32_t, CImageBuffer*>> held;
            for (int i = 0; i < kHeld; ++i) {
                const int32_t frame = pick(rng);
                int32_t run = total;
                held.emplace_back(frame, m_doc.GetImage(frame, &run, &context));
            }
            std::shuffle(held.begin(), held.end(), rng);
            for (const auto& [frame, image] : held) {
                if (!image) {
                    ++missing;
                } else if (image_bytes(image) != expected[static_cast<size_t>(frame)]) {
                    ++wrong;
                }
                m_doc.ReleaseImage(image, frame);
            }
        }
    });
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(wrong, 0) << "frames unlike the single-threaded ones";
}

}  // namespace
