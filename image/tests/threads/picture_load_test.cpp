// Frame workers load pictures and read EXIF properties at the same time.

#include <gtest/gtest.h>

#include <vector>

#include "base/tests/temp_folder.h"
#include "image/picture_file.h"
#include "image/tests/compose_test_support.h"
#include "image/tests/picture_fixtures.h"

namespace {

using namespace picture_fixtures;

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

}  // namespace
