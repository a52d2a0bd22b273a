// Frames of the source scenes: IMAGE with its effects in their order, BLOCK_FRAME
// and the preview label, TEXT and DRAW through the image core, MOVIE fitted into its
// rectangle over BGCOLOR, in both image modes.

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "base/tests/temp_folder.h"
#include "image/effects.h"
#include "image/tests/picture_fixtures.h"
#include "output/tests/clip_fixtures.h"
#include "scene/scene_source.h"
#include "scene/tests/frame_test_support.h"
#include "scene/tests/scene_test_util.h"

namespace {

namespace pf = picture_fixtures;

class SourceFrames : public FrameTest {
protected:
    void SetUp() override { Screen(64, 48); }
    // An IMAGE of `name`.png, a PNG of width x height: left half pure red, right half
    // (10, 200, 30).
    CSceneImage* Photo(const std::string& name, int width, int height) {
        pf::write_file((m_dir / (name + ".png")).string(),
                       pf::encode_picture(AV_CODEC_ID_PNG, AV_PIX_FMT_RGB24, width, height,
                                          pf::rgb24([width](int x, int) {
                                              return x < width / 2 ? 0xFF0000u : 0x0AC81Eu;
                                          })));
        auto* image = m_g.Add<CSceneImage>(name);
        image->SetFolder(m_folderName);
        image->EditSettings().file = name + ".png";
        return image;
    }

    TempFolder m_folder;
    const std::filesystem::path m_dir = m_folder.Path();
    const std::string m_folderName = m_dir.string();
};
using Frame = HeldFrame;

INSTANTIATE_TEST_SUITE_P(BothModes, SourceFrames, ::testing::Values(32, 24));

TEST_P(SourceFrames, EffectsApplyInTheirOrder) {
    auto* image = Photo("photo", 200, 100);
    ImageSettings& s = image->EditSettings();
    ASSERT_EQ(image->Validate(nullptr), 0);

    // CLIP comes before the frame: a 100 x 50 picture with a 10-pixel border.
    s.effects = IMAGE_CLIP | IMAGE_PHOTO_FRAME;
    s.clip = {50, 10, 149, 59};
    s.photoFrame = 10;
    {
        Frame f = Get(image, 7);
        expect_size(f, 100, 50);
        expect_probes(f, {{9, 25, {255, 255, 255, 255}},  // the border
                          {10, 25, {255, 0, 0, 255}},
                          {60, 25, {10, 200, 30, 255}}});
    }
    // THROUGH_COLOR comes first: its colour is found before SEPIA tones the
    // picture, and the see-through pixels stay transparent black. Red: Y = 76; R' =
    // Y + 19, G' = Y - 2, B' = Y - 43.
    s.effects = IMAGE_THROUGH_COLOR | IMAGE_SEPIA;
    s.throughColor = CColor(10, 200, 30, 0);
    expect_probes(Get(image, 0), {{150, 50, {0, 0, 0, 0}}, {50, 50, {95, 74, 33, 255}}});
    // MONO before NEGA: red becomes grey 79, then 176 (the other way round: 179).
    s.effects = IMAGE_NEGA | IMAGE_MONO;
    EXPECT_EQ(Get(image, 0).At(0, 0), (Rgba{176, 176, 176, 255}));
    // ANGLE before the channel filters; a quarter turn swaps the sides, and red has
    // no green.
    s.effects = IMAGE_ANGLE | IMAGE_GREEN;
    s.angle = 90;
    {
        Frame f = Get(image, 0);
        expect_size(f, 100, 200);
        expect_probes(f, {{50, 190, {0, 0, 0, 255}}, {50, 10, {0, 200, 0, 255}}});
    }
}

TEST_P(SourceFrames, BlockFrameAndPreviewLabel) {
    // BLOCK_FRAME shows the same frame of its block whatever frame is asked.
    auto* painted = m_g.Add<PaintedScene>("clip", 30, 8, 6);
    auto* still = m_g.Over<CSceneImage>(painted, "still");
    still->EditSettings().blockFrame = 12;
    expect_probes(Get(still, 99), {{3, 3, {12, 0, 0, 255}}});
    expect_calls(painted, 1, 1);  // the block's own image is handed back at once

    // In preview the file name is written over a picture read from a file, white
    // over a dark shadow along the top; no label over other pictures.
    auto* photo = Photo("photo", 600, 300);
    ASSERT_EQ(photo->Validate(nullptr), 0);
    ImagePtr normal;
    {
        Frame f = Get(photo, 0, 1);
        ASSERT_TRUE(f.image);
        normal.reset(duplicate_image(f.image));
    }
    Frame preview = Get(photo, 0, 2);
    ASSERT_TRUE(preview.image);
    int changed = 0, white = 0;
    for (int32_t y = 0; y < 300; ++y) {
        for (int32_t x = 0; x < 600; ++x) {
            const Rgba a = pixel_at(normal.get(), x, y), b = pixel_at(preview.image, x, y);
            if (a == b) continue;
            ++changed;
            ASSERT_GE(y, 600 / 20) << "the label starts at w / 20";
            ASSERT_LT(y, 600 / 20 + 3 + 300 / 20) << "and is h / 20 high";
            if (b.r > 240 && b.g > 240 && b.b > 240) ++white;
        }
    }
    EXPECT_GT(white, 10);
    EXPECT_GT(changed, white);
    EXPECT_EQ(Get(still, 0, 2).At(0, 0), (Rgba{12, 0, 0, 255}));
}

TEST_P(SourceFrames, CaptionsAndDrawings) {
    auto* text = m_g.Add<CSceneText>("t");
    TextSettings& t = text->EditSettings();
    t.text = "AB";
    t.width = 40;
    t.height = 20;
    t.font = kDefaultFontFace;
    t.fontWidth = 8;
    t.fontHeight = 16;
    t.color = CColor(255, 255, 0, 255);
    ASSERT_EQ(text->Validate(nullptr), 0);
    // ANGLE turns the finished caption.
    for (auto [angle, width, height] : {std::tuple{0, 40, 20}, {90, 20, 40}}) {
        t.flags = angle ? TEXT_FLAG_ANGLE : 0;
        t.angle = angle;
        text->ResetCache();
        expect_size(Get(text, 3), width, height);
    }

    CSceneDraw* draw =
        add_square(m_g, "d", 10, 8, CColor(0, 0, 255, 200), {2, 2, 5, 5}, CColor(1, 2, 3, 4));
    expect_probes(Get(draw, 0), {{3, 3, {0, 0, 255, 200}}, {8, 7, {1, 2, 3, 4}}});
}

TEST_P(SourceFrames, ClipFramesFitIntoTheirRectangleOverTheBackground) {
    clip_fixtures::ClipRecipe recipe;  // 16 x 8, 12 frames, lossless
    ASSERT_TRUE(clip_fixtures::write_clip((m_dir / "clip.avi").string(), recipe));
    auto* movie = m_g.Add<CSceneMovie>("m");
    movie->SetFolder(m_folderName);
    MovieSettings& s = movie->EditSettings();
    s.file = "clip.avi";
    s.hasRect = true;
    s.rect = {8, 4, 39, 19};  // twice the clip's size: every clip pixel becomes 2 x 2
    s.frameStart = 2;
    s.frames = 20;
    s.bgcolor = CColor(1, 2, 3, 255);
    const Rgba kBackground{1, 2, 3, 0};
    ASSERT_EQ(movie->Validate(nullptr), 0);
    m_g.Count();

    {
        Frame f = Ran(movie, 3, 1, 100);
        EXPECT_EQ(f.run, 0);
        ASSERT_NO_FATAL_FAILURE(expect_size(f, 64, 48));
        expect_probes(f, {{0, 0, kBackground}, {40, 20, kBackground}});  // alpha 0
        // The area scaler weighs the last source column and row a little short (their
        // span ends one sub-pixel unit early), so only the pixels before them are
        // exact copies.
        uint8_t bgr[3];
        for (int y = 0; y < 7; ++y) {
            for (int x = 0; x < 15; ++x) {
                clip_fixtures::frame_pixel(recipe, 5, x, y, bgr);  // FRAME_START + 3
                const Rgba want{bgr[2], bgr[1], bgr[0], 255};
                ASSERT_EQ(f.At(8 + 2 * x, 4 + 2 * y), want) << x << "," << y;
                ASSERT_EQ(f.At(9 + 2 * x, 5 + 2 * y), want) << x << "," << y;
            }
        }
    }
    // Frames past the clip's end show the background only.
    EXPECT_EQ(Get(movie, 15).At(20, 10), kBackground);
    // MAX_CUT fills the rectangle, cutting what reaches over.
    s.fitMode = 2;
    s.rect = {0, 0, 15, 15};
    {
        Frame f = Get(movie, 0);
        EXPECT_EQ(f.At(0, 15).a, 255);
        EXPECT_EQ(f.At(16, 0), kBackground);
    }
    // A clip gone since validation gives frames of background, nothing worse.
    std::filesystem::remove(m_dir / "clip.avi");
    std::filesystem::create_directories(m_dir / "clip.avi");
    EXPECT_EQ(Get(movie, 1).At(8, 8), kBackground);
}

}  // namespace
