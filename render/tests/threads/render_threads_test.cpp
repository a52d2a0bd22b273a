// Creations with many workers, run under ThreadSanitizer in CI: the workers read
// one scenario (shared caches, music levels, clips made on the control thread)
// while the control thread writes, the front end switches the gentle mode and
// stops.

#include "image/picture_file.h"
#include "image/tests/threads/library_suppressions.h"
#include "output/tests/clip_fixtures.h"
#include "render/tests/render_fixture.h"

TEST_F(RenderTest, ManyWorkersShareOneScenario) {
    ASSERT_TRUE(clip_fixtures::write_clip(m_folder / "clip.avi", {}));
    m_folder.Write("tune.wav", writer_fixtures::wav_file({2, 16, 22050, 22050 * 2}));
    ASSERT_TRUE(
        Load("SCREEN 64 48\nFRAMERATE 30\nAUDIO \"tune.wav\"\nBOARDBREAK 1\n"
             "DRAW \"箱\" { SIZE 64 48 COLOR 255 200 0 255 RECT { POINT 4 4 POINT 59 43 FILL } }\n"
             "TEXT \"字\" { SIZE 64 48 FONT \"ＭＳ ゴシック\" 8 16 STRING \"あ\" COLOR 255 255 255 "
             "255 }\n"
             "MOVIE \"映\" { FILE \"clip.avi\" FRAMES 20 }\n"
             "STILL \"静\" { INPUT \"箱\" INPUT \"字\" FRAMES 20 }\n"
             "ZOOM \"寄\" { INPUT \"箱\" SRC_START 0 0 63 47 SRC_END 16 12 47 35 FRAMES 20 }\n"
             "CROSSFADE \"交\" { INPUT \"静\" INPUT \"寄\" FRAMES 8 }\n"
             "MIX \"重\" { INPUT \"映\" INPUT \"静\" 0 0 31 23 }\n"
             "MAIN { INPUT \"交\" INPUT \"重\" }\n"));
    ASSERT_EQ(Render(kFormatQuickTime, "many.mov", 8), kOutcomeDone) << m_reason;
    ASSERT_EQ(Render(kFormatAvi, "many.avi", 8), kOutcomeDone) << m_reason;
    Decoded("many.avi", static_cast<size_t>(m_scenario->TotalFrames()) + 1);

    // Stopped from another thread (as a signal watcher does) while the workers
    // run: the request is queued before the next progress message, so the
    // creation stops within the next two batches.
    EXPECT_EQ(Render(kFormatAvi, "stopped.avi", 8,
                     [this](int32_t frame) {
                         if (frame == 7) std::thread([this] { m_runner->Stop(); }).join();
                     }),
              kOutcomeStopped);
    EXPECT_LE(m_progress.back(), 23);
}

// The pictures of the shots ahead are decoded on a thread of their own while the
// workers render: the frames come out the same whatever the worker count, and no
// picture outlives its creation (a picture file changed between two creations shows
// in the second).
TEST_F(RenderTest, PicturesMadeAheadAreSharedAndGivenBack) {
    auto write_pictures = [this](uint8_t red) {
        for (int i = 0; i < 5; ++i) {
            ImagePtr picture(
                create_filled_image(64, 48, red, static_cast<uint8_t>(40 * i), 200, 255));
            m_folder.Write("p" + std::to_string(i) + ".bmp", bmp_file_bytes(picture.get()));
        }
    };
    write_pictures(10);
    // Five shots of 40 frames, cross-faded over 10: 160 frames.
    std::string text = "SCREEN 64 48\nFRAMERATE 30\n";
    std::string show = "CROSSFADE \"show\" { FRAMES 10";
    for (int i = 0; i < 5; ++i) {
        const std::string n = std::to_string(i);
        text += "IMAGE \"p" + n + "\" { FILE \"p" + n + ".bmp\" }\nSTILL \"s" + n +
                "\" { INPUT \"p" + n + "\" FRAMES 40 }\n";
        show += " INPUT \"s" + n + "\"";
    }
    ASSERT_TRUE(Load(text + show + " }\nMAIN { INPUT \"show\" }\n"));
    ASSERT_EQ(m_scenario->TotalFrames(), 160);
    for (int32_t threads : {1, 2, 8}) {
        const std::string name = "ahead" + std::to_string(threads) + ".avi";
        ASSERT_EQ(Render(kFormatAvi, name, threads), kOutcomeDone) << name << ": " << m_reason;
        Decoded(name, 161);
    }

    write_pictures(250);
    ASSERT_EQ(Render(kFormatAvi, "again.avi", 2), kOutcomeDone) << m_reason;
    const auto frames = writer_fixtures::decode_frames(m_folder / "again.avi");
    ASSERT_EQ(frames.size(), 161u);
    // Blue, green, red of the first pixel of the first and the last shot.
    for (size_t f : {size_t{0}, size_t{159}}) {
        SCOPED_TRACE(f);
        ASSERT_GE(frames[f].size(), 3u);
        EXPECT_EQ(frames[f][0], 200);
        EXPECT_EQ(frames[f][1], f == 0 ? 0 : 160);
        EXPECT_EQ(frames[f][2], 250);
    }
}

// A worker whose frame is done helps the other with its zoom, band by band: the video
// is the one a single worker makes.
TEST_F(RenderTest, WorkersHelpingWithAZoomMakeTheOneWorkerVideo) {
    ImagePtr picture(create_image32(400, 300));
    for (int32_t y = 0; y < 300; ++y) {
        uint8_t* row = image_row(picture.get(), y);
        for (int32_t x = 0; x < 400; ++x) {
            row[4 * x] = static_cast<uint8_t>(x ^ y);
            row[4 * x + 1] = static_cast<uint8_t>(x * 3 + y);
            row[4 * x + 2] = static_cast<uint8_t>(y * 7);
            row[4 * x + 3] = 255;
        }
    }
    m_folder.Write("big.bmp", bmp_file_bytes(picture.get()));
    ASSERT_TRUE(
        Load("SCREEN 200 150\nFRAMERATE 30\nIMAGE \"絵\" { FILE \"big.bmp\" }\n"
             "ZOOM \"寄\" { INPUT \"絵\" SRC_START 0 0 399 299 SRC_END 40 30 359 269 FRAMES 12 }\n"
             "ZOOM \"引\" { INPUT \"絵\" SRC_START 60 45 339 254 SRC_END 0 0 399 299 FRAMES 12 }\n"
             "CROSSFADE \"交\" { INPUT \"寄\" INPUT \"引\" FRAMES 4 }\n"
             "MAIN { INPUT \"交\" }\n"));
    std::vector<std::vector<uint8_t>> frames[2];
    for (int32_t threads : {1, 2}) {
        const std::string name = "zoom" + std::to_string(threads) + ".avi";
        ASSERT_EQ(Render(kFormatAvi, name, threads), kOutcomeDone) << name << ": " << m_reason;
        frames[threads - 1] = writer_fixtures::decode_frames(m_folder / name);
    }
    ASSERT_EQ(frames[0].size(), 21u);
    EXPECT_TRUE(frames[0] == frames[1]);
}
