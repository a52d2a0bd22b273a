// Frame workers load pictures and read EXIF properties at the same time.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <thread>
#include <vector>

#include "image/picture_file.h"
#include "image/tests/picture_fixtures.h"

namespace {

using namespace picture_fixtures;

TEST(PictureLoadThreads, WorkersDecodeTheSameFilesAlike) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("vemo_picture_threads_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    auto colour = [](int x, int y) { return uint32_t(x * 3) << 16 | uint32_t(y * 5) << 8 | 77u; };
    const Bytes rational = {1, 0, 0, 0, 60, 0, 0, 0};
    const std::string jpeg = (dir / "photo.jpg").string();
    const std::string png = (dir / "photo.png").string();
    write_file(jpeg,
               with_exif(encode_jpeg(48, 40, colour),
                         exif_block({{EXIF_IFD_EXIF, 0x829A, EXIF_FORMAT_RATIONAL, 1, rational}},
                                    EXIF_BYTE_ORDER_INTEL)));
    write_file(png, encode_picture(AV_CODEC_ID_PNG, AV_PIX_FMT_RGB24, 48, 40, rgb24(colour)));
    ImagePtr reference_jpeg(load_picture(jpeg));
    ImagePtr reference_png(load_picture(png));
    ASSERT_TRUE(reference_jpeg && reference_png);
    const size_t bytes = size_t(reference_jpeg->stride) * reference_jpeg->height;

    std::vector<std::thread> workers;
    std::vector<int> mismatches(4, 0);
    for (int w = 0; w < 4; ++w) {
        workers.emplace_back([&, w] {
            for (int i = 0; i < 10; ++i) {
                ImagePtr a(load_picture(jpeg));
                ImagePtr b(load_picture(png));
                if (!a || std::memcmp(a->pixels, reference_jpeg->pixels, bytes) != 0)
                    ++mismatches[w];
                if (!b || std::memcmp(b->pixels, reference_png->pixels, bytes) != 0)
                    ++mismatches[w];
                if (read_exif_property(jpeg, 0x829A) != "1 / 60") ++mismatches[w];
            }
        });
    }
    for (std::thread& worker : workers) worker.join();
    for (int w = 0; w < 4; ++w) EXPECT_EQ(mismatches[w], 0) << "worker " << w;
    std::filesystem::remove_all(dir);
}

}  // namespace
