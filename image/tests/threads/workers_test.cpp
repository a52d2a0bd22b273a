// Frame workers run the kernels at once on their own images, load pictures and read
// EXIF properties at the same time; render workers draw captions and drawings at once,
// each with its own Pango font map. Each gets what a single thread gets. The only
// shared state of the kernels is the image mode and the processor-feature word, which
// they only read.

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "base/tests/temp_folder.h"
#include "base/tests/threads/share_members.h"
#include "image/compose.h"
#include "image/cpu_features.h"
#include "image/effects.h"
#include "image/film_strip.h"
#include "image/image_buffer.h"
#include "image/picture_file.h"
#include "image/shapes.h"
#include "image/tests/compose_test_support.h"
#include "image/tests/picture_fixtures.h"
#include "image/tests/threads/library_suppressions.h"
#include "image/text_render.h"
#include "image/transform.h"

namespace {

using namespace picture_fixtures;

// One worker's frame: every kernel family in turn.
ImagePtr kernel_frame(const CImageBuffer* picture) {
    ImagePtr canvas(create_filled_image(96, 64, 10, 20, 30, 255));
    ImagePtr scaled(
        scale_image(picture, 300, 0, 80 * 1024, 50 * 1024, 0, 0, 120 * 1024, 90 * 1024));
    compose_image(canvas.get(), scaled.get(), 3, 4, COMPOSE_ALPHA);
    ImagePtr turned(rotate_image(canvas.get(), 30));
    ImagePtr fitted(fit_image(turned.get(), 96, 64, FIT_INSIDE));
    ImagePtr blurred(blur_image(fitted.get()));
    return ImagePtr(crossfade_image(canvas.get(), blurred.get(), 40));
}

TEST(ComposeThreads, WorkersGetTheSingleThreadedFrame) {
    ModeScope mode(32);
    detect_cpu_features();
    ImagePtr picture(create_image32(120, 90));
    fill_random(picture.get(), 1);
    ImagePtr expect = kernel_frame(picture.get());
    ASSERT_TRUE(expect);
    auto same = [&] { return same_pixels(kernel_frame(picture.get()).get(), expect.get()); };
    EXPECT_EQ(failed_rounds(4, 5, same), std::vector<int>(4, 0));
}

TEST(PictureLoadThreads, WorkersDecodeTheSameFilesAlike) {
    TempFolder folder;
    auto colour = [](int x, int y) { return uint32_t(x * 3) << 16 | uint32_t(y * 5) << 8 | 77u; };
    const std::string jpeg = folder / "photo.jpg", png = folder / "photo.png";
    const ExifField exposure{EXIF_IFD_EXIF, 0x829A, EXIF_FORMAT_RATIONAL, 1,
                             exif_values(EXIF_BYTE_ORDER_INTEL, 4, {1, 60})};
    write_file(jpeg, with_exif(encode_jpeg(48, 40, colour),
                               exif_block({exposure}, EXIF_BYTE_ORDER_INTEL)));
    write_file(png, encode_picture(AV_CODEC_ID_PNG, AV_PIX_FMT_RGB24, 48, 40, rgb24(colour)));
    ImagePtr reference_jpeg(load_picture(jpeg));
    ImagePtr reference_png(load_picture(png));
    ASSERT_TRUE(reference_jpeg && reference_png);
    const std::vector<int> failed = failed_rounds(4, 10, [&] {
        return same_pixels(ImagePtr(load_picture(jpeg)).get(), reference_jpeg.get()) &&
               same_pixels(ImagePtr(load_picture(png)).get(), reference_png.get()) &&
               read_exif_property(jpeg, 0x829A) == "1 / 60";
    });
    EXPECT_EQ(failed, std::vector<int>(4, 0));
}

// A frame worker whose fellows are idle scales and cross-fades in bands that they take:
// the scaled picture, the moved frames (both layouts handed over, opaque and translucent
// rows, one source row per slot or many) and a hand-over cross-fade come out as one
// thread makes them.
TEST(ScaleThreads, BandsTakenByIdleWorkersGiveTheOneThreadBytes) {
    ModeScope mode(32);
    ImagePtr picture(create_image32(400, 1600));
    fill_random(picture.get(), 5);
    for (int32_t y = 0; y < 700; ++y) {
        uint8_t* row = image_row(picture.get(), y);
        for (int32_t x = 0; x < 400; ++x) row[4 * x + 3] = 255;
    }
    ImagePtr background(create_image32(256, 192));
    fill_random(background.get(), 6);
    const RegionPair screen{{0, 0, 256, 192}, {0, 0, 256, 192}};
    const RegionPair inset{{20, 10, 236, 182}, {30, 12, 226, 180}};
    const RegionPair moves[] = {{{0, 0, 400, 400}, {40, 500, 360, 820}},  // a few rows each
                                {{0, 0, 400, 1600}, {0, 0, 400, 1600}}};  // many, one slot
    auto frames = [&] {
        std::vector<ImagePtr> made;
        made.emplace_back(scale_image(picture.get(), 300, 700, 200 * 1024, 180 * 1024, 0, 0,
                                      400 * 1024, 1600 * 1024));
        for (const RegionPair& source : moves)
            for (const RegionPair* place : {&screen, &inset})
                for (bool hand_over : {false, true})
                    made.emplace_back(move_image_copy(background.get(), picture.get(), source,
                                                      *place, screen, 7, 30, 0, hand_over));
        // The hand-over cross-fade of two of those frames, in bands of its own.
        made.emplace_back(crossfade_image_24a(background.get(), made[1].get(), 37));
        return made;
    };
    const uint32_t probed = detect_cpu_features();
    for (uint32_t features : {probed, 0u}) {
        SCOPED_TRACE(features);
        CpuFeaturesOverride forms(features);
        const std::vector<ImagePtr> expect = frames();
        std::atomic<int> rounds{0}, same{0};
        {
            ShareMembers members(3, [&](uintptr_t) {
                EXPECT_TRUE(current_work_share()->Helpers());
                const std::vector<ImagePtr> got = frames();
                bool all = got.size() == expect.size();
                for (size_t i = 0; all && i < got.size(); ++i)
                    all = got[i] && same_pixels(got[i].get(), expect[i].get());
                same += all;
                ++rounds;
            });
            for (int round = 0; round < 4; ++round)
                members.queues[static_cast<size_t>(round % 3)]->Post(ShareMembers::kOffer, 0);
            while (rounds < 4) std::this_thread::yield();
        }
        EXPECT_EQ(same, 4);
    }
}

// One worker's pictures: captions in several faces, sizes and alignments (one shrunk),
// a drawing and a film strip.
std::vector<ImagePtr> rendered_pictures() {
    std::vector<ImagePtr> pictures;
    const char* faces[] = {"ＭＳ ゴシック", "IPAPGothic", "No Such Face"};
    for (int i = 0; i < 3; ++i)
        pictures.emplace_back(render_text_image(
            "スライドショー " + std::to_string(i) + "\r\nVemo ☆ 字幕", 160 + 40 * i, 90, faces[i],
            10 + 5 * i, 20 + 10 * i, 1 + i, 17 + i, 4, {255, 255, 255, 255}, {0, 0, 40, 128}));
    const DrawShape ellipse{DrawShape::ELLIPSE, 1, true, {}, {10, 20, 70, 40}, 30};
    const DrawShape line{DrawShape::LINE, 3, false, {{0, 0}, {79, 59}, {0, 59}}, {}, 0};
    pictures.emplace_back(
        render_shapes_image(80, 60, {ellipse, line}, {200, 100, 0, 200}, {0, 0, 0, 0}));
    pictures.emplace_back(render_film_strip_image(3, true, 11, 96, 64, 200, 200, 200));
    return pictures;
}

TEST(TextRenderThreads, WorkersGetTheSingleThreadedPictures) {
    ModeScope mode(32);
    const std::vector<ImagePtr> expect = rendered_pictures();
    for (const ImagePtr& picture : expect) ASSERT_TRUE(picture);
    auto same_pictures = [&] {
        const std::vector<ImagePtr> got = rendered_pictures();
        bool same = got.size() == expect.size();
        for (size_t i = 0; same && i < got.size(); ++i)
            same = same_pixels(got[i].get(), expect[i].get());
        return same;
    };
    EXPECT_EQ(failed_rounds(4, 3, same_pictures), std::vector<int>(4, 0));
}

}  // namespace
