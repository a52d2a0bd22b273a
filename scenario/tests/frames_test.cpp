// The document's frames of MAIN: a 24-bit screen-size image in both image modes,
// frames of another size placed on an opaque black screen, the MIX background kept
// until the scenes are reset, and the description of a frame.

#include <gtest/gtest.h>

#include "image/cpu_features.h"
#include "image/tests/picture_fixtures.h"
#include "output/tests/clip_fixtures.h"
#include "scenario/tests/scenario_fixture.h"
#include "scene/tests/frame_test_support.h"

namespace {

namespace pf = picture_fixtures;

class DocumentFrames : public ScenarioTest, public ::testing::WithParamInterface<int> {
protected:
    // Loads and links `utf8`; false (with the report) when either fails.
    ::testing::AssertionResult Open(const std::string& utf8) {
        ::testing::AssertionResult loaded = Accepts(utf8);
        if (loaded && m_doc.Link() != 0) return ::testing::AssertionFailure() << OnlyError();
        return loaded;
    }
    // A PNG of width x height, pixel (x, y) rgb(x, y).
    void WritePicture(const std::string& name, int width, int height,
                      const std::function<uint32_t(int, int)>& rgb) {
        pf::write_file(
            (m_dir / name).string(),
            pf::encode_picture(AV_CODEC_ID_PNG, AV_PIX_FMT_RGB24, width, height, pf::rgb24(rgb)));
    }
    // The 16 x 8, 12-frame lossless test clip.
    void WriteClip(const std::string& name) {
        ASSERT_TRUE(clip_fixtures::write_clip((m_dir / name).string(), m_clip));
    }
    Rgba ClipPixel(int frame, int x, int y) const {
        uint8_t bgr[3];
        clip_fixtures::frame_pixel(m_clip, frame, x, y, bgr);
        return Rgba{bgr[2], bgr[1], bgr[0], 255};
    }

    // The document's frame, handed back when the test has looked.
    struct Frame {
        CScenario* doc;
        int32_t index;
        CImageBuffer* image;
        ~Frame() {
            if (image) doc->ReleaseImage(image, index);
        }
        Rgba At(int32_t x, int32_t y) const { return pixel_at(image, x, y); }
    };
    Frame Get(int32_t frame, int32_t* run = nullptr, RenderContext* context = nullptr) {
        return {&m_doc, frame, m_doc.GetImage(frame, run, context)};
    }
    // The document's frames are 24-bit with an alpha plane, of the screen's size.
    void ExpectScreenFrame(const Frame& f, int32_t width, int32_t height) {
        ASSERT_TRUE(f.image);
        EXPECT_EQ(f.image->bpp, 24);
        EXPECT_TRUE(f.image->alpha);
        EXPECT_EQ(f.image->width, width);
        EXPECT_EQ(f.image->height, height);
    }

    ImageModeScope m_mode{GetParam()};
    clip_fixtures::ClipRecipe m_clip;
};

INSTANTIATE_TEST_SUITE_P(BothModes, DocumentFrames, ::testing::Values(32, 24));

TEST_P(DocumentFrames, ClipFramesAndBlanksComeOutAs24BitScreens) {
    WriteClip("clip.avi");
    ASSERT_TRUE(
        Open("SCREEN 16 8\nMOVIE \"m\" { FILE \"clip.avi\" FRAMES 12 }\n"
             "MAIN { INPUT \"m\" !INPUT \"m\" }\n"));
    ASSERT_EQ(m_doc.TotalFrames(), 24);
    int32_t run = 100;
    {
        Frame f = Get(5, &run);
        ExpectScreenFrame(f, 16, 8);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 15; ++x)
                ASSERT_EQ(f.At(x, y), ClipPixel(5, x, y)) << x << ", " << y;
        EXPECT_EQ(run, 0) << "a clip promises nothing";
    }
    FrameDescription rows;
    EXPECT_EQ(m_doc.Describe(5, rows), 0);
    EXPECT_EQ(rows, (FrameDescription{"0", "", "MAIN", "5", "(null)",  //
                                      "1", "m", "MOVIE", "5", "clip.avi"}));

    // Every frame of a blank input is the link's one blank: in image mode 24 the
    // document hands it out as it is, in image mode 32 a converted copy each time.
    Frame a = Get(12);
    Frame b = Get(23);
    ExpectScreenFrame(a, 16, 8);
    ExpectScreenFrame(b, 16, 8);
    EXPECT_EQ(a.At(3, 3), (Rgba{0, 0, 0, 0}));
    EXPECT_EQ(a.image == b.image, GetParam() == 24);
}

// A frame smaller than the screen is placed at its top left on opaque black.
TEST_P(DocumentFrames, CaptionsKeepTheirPixelsOnABlackScreen) {
    ASSERT_TRUE(
        Open("SCREEN 1920 1080\n"
             "TEXT \"caption\" { STRING \"Vemo\" SIZE 640 100 COLOR 255 200 0 255 }\n"
             "CUT \"shot\" { INPUT \"caption\" START 0 END 29 }\nMAIN { INPUT \"shot\" }\n"));
    CScene* caption = m_doc.FindScene("caption");
    ASSERT_TRUE(caption);
    CImageBuffer* own = caption->GetImage(0, 1, nullptr, nullptr);
    ASSERT_TRUE(own);
    ASSERT_EQ(own->width, 640);
    int32_t run = 100;
    Frame f = Get(12, &run);
    ExpectScreenFrame(f, 1920, 1080);
    EXPECT_EQ(run, 16) << "count - frame - 2 through the CUT";
    int inked = 0;
    for (int32_t y = 0; y < 100; ++y) {
        for (int32_t x = 0; x < 640; ++x) {
            const Rgba want = pixel_at(own, x, y);
            ASSERT_EQ(f.At(x, y), want) << x << ", " << y;
            if (want.a == 255) ++inked;
        }
    }
    EXPECT_GT(inked, 100) << "the caption's letters";
    EXPECT_EQ(f.At(640, 0), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(f.At(300, 100), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(f.At(1919, 1079), (Rgba{0, 0, 0, 255}));
    caption->ReleaseImage(own, 0);
}

TEST_P(DocumentFrames, MixBackgroundLastsUntilTheScenesAreReset) {
    WriteClip("clip.avi");
    WritePicture("pic.png", 4, 2, [](int, int) { return 0xFF0000u; });
    ASSERT_TRUE(
        Open("SCREEN 16 8\nMOVIE \"bg\" { FILE \"clip.avi\" FRAMES 12 }\n"
             "IMAGE \"pic\" { FILE \"pic.png\" }\nCUT \"shot\" { INPUT \"pic\" START 0 END 9 }\n"
             "MIX \"mix\" { INPUT \"shot\" 0 0 3 1 BGIMAGE \"bg\" }\nMAIN { INPUT \"mix\" }\n"));
    ASSERT_EQ(m_doc.TotalFrames(), 10);
    // The background is the clip's frame at the MIX frame that first made it.
    {
        Frame f = Get(5);
        ExpectScreenFrame(f, 16, 8);
        EXPECT_EQ(f.At(1, 1), (Rgba{255, 0, 0, 255})) << "the input over it";
        EXPECT_EQ(f.At(8, 4), ClipPixel(5, 8, 4));
    }
    EXPECT_EQ(Get(2).At(8, 4), ClipPixel(5, 8, 4)) << "made once, kept";
    m_doc.ResetScenes();
    EXPECT_EQ(Get(2).At(8, 4), ClipPixel(2, 8, 4)) << "made again after the reset";
}

// With a render context the document offers MAIN's scene to make the frame in its
// hand-over form: a dissolve straight under MAIN, or under a SERIES in MAIN, and a
// camera move under a CROSSFADE outside its dissolves then come out in one pass. Its
// bytes and run lengths are those of the two-pass frame (no context, no offer), also
// when two frames are held at once, when the mix is smaller than the screen and when
// the moved picture leaves some of the screen to the background; with the packed
// kernels the programs choose.
TEST_P(DocumentFrames, FramesComeOutTheSameWithTheHandOverOffer) {
    CpuFeaturesOverride forms(detect_cpu_features());
    for (const char* name : {"a.png", "b.png", "c.png"}) {
        const uint32_t tint = name[0] == 'b' ? 0x80 : 0x00;
        const bool small = name[0] == 'c';
        WritePicture(name, small ? 10 : 32, small ? 6 : 24, [tint](int x, int y) {
            return static_cast<uint32_t>((x * 8) << 16 | (y * 10) << 8 | (tint ^ x * y));
        });
    }
    ASSERT_TRUE(
        Open("SCREEN 32 24\nIMAGE \"a\" { FILE \"a.png\" }\nIMAGE \"b\" { FILE \"b.png\" }\n"
             "IMAGE \"c\" { FILE \"c.png\" }\nSTILL \"sa\" { INPUT \"a\" FRAMES 6 }\n"
             "STILL \"sb\" { INPUT \"b\" FRAMES 6 }\n"
             "CROSSFADE \"full\" { INPUT \"sa\" INPUT \"sb\" FRAMES 4 }\n"
             "CUT \"ca\" { INPUT \"c\" START 0 END 5 }\nEXPANDIN \"small\" { INPUT \"ca\" UP }\n"
             "CROSSFADE \"part\" { INPUT \"ca\" INPUT \"small\" FRAMES 3 }\n"
             "SERIES \"inner\" { INPUT \"part\" }\n"
             "ZOOM \"za\" { INPUT \"a\" SRC_START 0 0 31 23 SRC_END 4 3 27 20 FRAMES 6 }\n"
             "SLIDE \"zb\" { INPUT \"b\" DST_START 2 2 20 14 DST_END 9 8 31 23 FRAMES 6 }\n"
             "CROSSFADE \"moves\" { INPUT \"za\" INPUT \"zb\" FRAMES 2 }\n"
             "MAIN { INPUT \"full\" INPUT \"inner\" INPUT \"moves\" }\n"));
    const int32_t total = m_doc.TotalFrames();
    ASSERT_EQ(total, 8 + 9 + 10);
    RenderContext context;
    for (int32_t frame = 0; frame + 1 < total; ++frame) {
        int32_t plainRun = total, offeredRun = total;
        std::vector<uint8_t> plain;
        {
            Frame f = Get(frame, &plainRun);
            ExpectScreenFrame(f, 32, 24);
            plain = image_bytes(f.image);
        }
        Frame offered = Get(frame, &offeredRun, &context);
        Frame next = Get(frame + 1, nullptr, &context);
        ExpectScreenFrame(offered, 32, 24);
        ASSERT_TRUE(next.image);
        EXPECT_EQ(image_bytes(offered.image), plain) << "frame " << frame;
        EXPECT_EQ(offeredRun, plainRun) << "frame " << frame;
    }
}

TEST_P(DocumentFrames, AnEmptyMainHasNoFrames) {
    ASSERT_TRUE(Open("SCREEN 16 8\nMAIN { }\n"));
    EXPECT_EQ(m_doc.GetImage(0, nullptr, nullptr), nullptr);
    m_doc.ReleaseImage(nullptr, 0);
}

}  // namespace
