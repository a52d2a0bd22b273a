// JPEG pictures through TurboJPEG: colours against the exact conversion of the
// decoded samples for every chroma subsampling, the JPEGs left to FFmpeg, and
// damaged or oversized files.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "image/jpeg_file.h"
#include "image/tests/picture_folder.h"

namespace {

using namespace picture_fixtures;

// Smooth ramps with a coarse noise on top, strongest in the chroma, so that the
// colours between two chroma samples show where each sample sits.
uint32_t textured(int x, int y) {
    uint32_t noise = (uint32_t(x) * 2654435761u ^ uint32_t(y) * 40503u) >> 26;
    return ((x * 7 + noise * 3) & 255) << 16 | ((y * 5 + 2 * noise) & 255) << 8 |
           (((x + y) * 3 + noise) & 255);
}

// The Y, Cb and Cr samples the decoder produced (accurate DCT), before any chroma
// upsampling or colour conversion.
struct Samples {
    int width = 0, height = 0, components = 0;
    int chromaX = 1, chromaY = 1;  // luma samples per chroma sample
    std::vector<uint8_t> planes[3];
    int strides[3] = {};

    uint8_t At(int plane, int x, int y) const {
        const int w = plane ? (width + chromaX - 1) / chromaX : width;
        const int h = plane ? (height + chromaY - 1) / chromaY : height;
        x = std::clamp(x, 0, w - 1);
        y = std::clamp(y, 0, h - 1);
        return planes[plane][size_t(y) * strides[plane] + x];
    }

    // Chroma at pixel (x, y): bilinear between the samples, each sited at the centre
    // of the pixels it covers, edges repeated.
    double Chroma(int plane, int x, int y) const {
        const double fx = (x + 0.5) / chromaX - 0.5, fy = (y + 0.5) / chromaY - 0.5;
        const int x0 = int(std::floor(fx)), y0 = int(std::floor(fy));
        const double ax = fx - x0, ay = fy - y0;
        return (1 - ay) * ((1 - ax) * At(plane, x0, y0) + ax * At(plane, x0 + 1, y0)) +
               ay * ((1 - ax) * At(plane, x0, y0 + 1) + ax * At(plane, x0 + 1, y0 + 1));
    }

    // The exact JPEG conversion, rounded: blue, green, red.
    std::array<int, 3> Bgr(int x, int y) const {
        const double luma = At(0, x, y);
        const double cb = components == 3 ? Chroma(1, x, y) - 128 : 0;
        const double cr = components == 3 ? Chroma(2, x, y) - 128 : 0;
        auto round_byte = [](double v) { return int(std::lround(std::clamp(v, 0.0, 255.0))); };
        return {round_byte(luma + 1.772 * cb), round_byte(luma - 0.344136 * cb - 0.714136 * cr),
                round_byte(luma + 1.402 * cr)};
    }
};

Samples decoded_samples(const Bytes& jpeg) {
    Samples samples;
    tjhandle handle = tjInitDecompress();
    int subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(handle, jpeg.data(), jpeg.size(), &samples.width, &samples.height,
                            &subsampling, &colourspace) == 0) {
        samples.components = subsampling == TJSAMP_GRAY ? 1 : 3;
        samples.chromaX = tjMCUWidth[subsampling] / 8;
        samples.chromaY = tjMCUHeight[subsampling] / 8;
        unsigned char* planes[3] = {};
        for (int p = 0; p < samples.components; ++p) {
            samples.strides[p] = tjPlaneWidth(p, samples.width, subsampling);
            samples.planes[p].resize(size_t(samples.strides[p]) *
                                     tjPlaneHeight(p, samples.height, subsampling));
            planes[p] = samples.planes[p].data();
        }
        if (tjDecompressToYUVPlanes(handle, jpeg.data(), jpeg.size(), planes, samples.width,
                                    samples.strides, samples.height, TJFLAG_ACCURATEDCT) != 0) {
            samples.components = 0;
        }
    }
    tjDestroy(handle);
    return samples;
}

class JpegFile : public PictureFolder {};

// Every pixel within one level of the exact conversion of the decoder's own samples,
// chroma sited at the centre of the pixels it covers. The one level is the rounding
// of the interpolated chroma to whole levels before the conversion (none where no
// chroma is interpolated) and the fixed-point conversion (a few ties in 10^4).
TEST_F(JpegFile, EverySubsamplingFollowsTheExactConversionOfItsSamples) {
    struct Case {
        std::string encoder;  // and its subsampling
        Bytes jpeg;
        bool interpolated;  // chroma narrower or shorter than the picture
    };
    std::vector<Case> cases;
    for (auto [w, h] : {std::pair{1, 1}, {17, 9}, {4001, 3}, {67, 45}}) {
        for (int sub : {TJSAMP_444, TJSAMP_422, TJSAMP_420, TJSAMP_440, TJSAMP_GRAY})
            cases.push_back({"TurboJPEG subsampling " + std::to_string(sub),
                             encode_turbo_jpeg(w, h, sub, textured),
                             sub != TJSAMP_444 && sub != TJSAMP_GRAY});
        for (AVPixelFormat format : {AV_PIX_FMT_YUVJ444P, AV_PIX_FMT_YUVJ422P, AV_PIX_FMT_YUVJ420P})
            cases.push_back({av_get_pix_fmt_name(format), encode_mjpeg(format, w, h, textured),
                             format != AV_PIX_FMT_YUVJ444P});
    }
    // A progressive file takes the decoder's other path.
    cases.push_back({"TurboJPEG progressive 4:2:0",
                     encode_turbo_jpeg(67, 45, TJSAMP_420, textured, 85, TJFLAG_PROGRESSIVE),
                     true});

    for (const Case& c : cases) {
        const Samples samples = decoded_samples(c.jpeg);
        SCOPED_TRACE(::testing::Message()
                     << c.encoder << " " << samples.width << "x" << samples.height);
        ASSERT_FALSE(c.jpeg.empty());
        ImagePtr image;
        ASSERT_EQ(decode_jpeg(c.jpeg.data(), c.jpeg.size(), kMaxPicturePixels, &image),
                  JpegOutcome::kDecoded);
        ASSERT_TRUE(image);
        EXPECT_TRUE(image->bpp == 24 && !image->alpha);
        // load_picture takes this path, from a file, from memory and (decoded straight
        // into four-byte pixels) by load_picture32 alike.
        EXPECT_TRUE(same_pixels(image.get(), Load("picture.jpg", c.jpeg).get()));

        ASSERT_GT(samples.components, 0);
        ASSERT_EQ(std::pair(image->width, image->height), std::pair(samples.width, samples.height));
        int off_by_one = 0;
        for (int y = 0; y < image->height; ++y)
            for (int x = 0; x < image->width; ++x)
                for (int k = 0; k < 3; ++k) {
                    const int got = image_row(image.get(), y)[3 * x + k],
                              want = samples.Bgr(x, y)[k];
                    ASSERT_LE(std::abs(got - want), 1)
                        << "pixel " << x << "," << y << " byte " << k;
                    off_by_one += got != want;
                }
        // Grey is copied; without interpolated chroma one component in 1000 may be off.
        if (samples.components == 1 || !c.interpolated) {
            EXPECT_LE(off_by_one,
                      samples.components == 1 ? 0 : 3 * image->width * image->height / 1000 + 1);
        }
    }
}

// Lossless and 4:1:1 JPEGs go on to FFmpeg: TurboJPEG cannot read the one and would
// widen the other's chroma by repeating each sample four times.
TEST_F(JpegFile, DeclinedJpegsStillLoadThroughFfmpeg) {
    auto smooth = [](int x, int y) {
        return uint32_t(40 + 3 * x) << 16 | uint32_t(200 - 4 * y) << 8 | uint32_t(90 + x + y);
    };
    Bytes wide = encode_turbo_jpeg(64, 16, TJSAMP_411, smooth);
    ImagePtr declined;
    EXPECT_EQ(decode_jpeg(wide.data(), wide.size(), kMaxPicturePixels, &declined),
              JpegOutcome::kDeclined);
    EXPECT_FALSE(declined);
    ImagePtr image(load_picture_from_memory(wide.data(), wide.size()));
    ASSERT_TRUE(image && image->width == 64);
    const Samples samples = decoded_samples(wide);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 64; ++x)
            for (int k = 0; k < 3; ++k)
                ASSERT_NEAR(image_row(image.get(), y)[3 * x + k], samples.Bgr(x, y)[k], 2)
                    << "pixel " << x << "," << y << " byte " << k;

    if (has_encoder(AV_CODEC_ID_LJPEG)) {
        Bytes lossless =
            encode_picture(AV_CODEC_ID_LJPEG, AV_PIX_FMT_BGR24, 9, 5, words(3, textured));
        ASSERT_FALSE(lossless.empty());
        EXPECT_EQ(decode_jpeg(lossless.data(), lossless.size(), kMaxPicturePixels, &declined),
                  JpegOutcome::kDeclined);
        ImagePtr exact(load_picture_from_memory(lossless.data(), lossless.size()));
        ASSERT_TRUE(exact);
        for (int i = 0; i < 45; ++i)
            EXPECT_EQ(rgb_at(exact.get(), i % 9, i / 9), textured(i % 9, i / 9)) << i;
    }
}

// The offset of the frame header's height field (SOF0 or SOF2), or 0.
size_t frame_size_field(const Bytes& jpeg) {
    for (size_t at = 2; at + 9 < jpeg.size(); ++at) {
        if (jpeg[at] == 0xFF && (jpeg[at + 1] == 0xC0 || jpeg[at + 1] == 0xC2)) return at + 5;
    }
    return 0;
}

TEST_F(JpegFile, DamagedAndOversizedJpegsGiveNone) {
    for (int flags : {0, TJFLAG_PROGRESSIVE}) {
        SCOPED_TRACE(flags ? "progressive" : "baseline");
        const Bytes jpeg = encode_turbo_jpeg(48, 40, TJSAMP_420, textured, 90, flags);
        ASSERT_TRUE(ImagePtr(load_picture_from_memory(jpeg.data(), jpeg.size())));

        // Cut anywhere from inside the headers to well into the coded data.
        for (size_t keep : {size_t(20), jpeg.size() / 4, jpeg.size() / 2, jpeg.size() * 9 / 10}) {
            Bytes cut(jpeg.begin(), jpeg.begin() + ptrdiff_t(keep));
            ImagePtr image;
            EXPECT_NE(decode_jpeg(cut.data(), cut.size(), kMaxPicturePixels, &image),
                      JpegOutcome::kDecoded)
                << keep;
            EXPECT_FALSE(image);
            EXPECT_FALSE(Load("cut.jpg", cut)) << keep;
        }
        // An end marker in the middle of the coded data.
        Bytes ended = jpeg;
        ended[ended.size() / 2] = 0xFF;
        ended[ended.size() / 2 + 1] = 0xD9;
        EXPECT_FALSE(Load("ended.jpg", ended));
    }

    // A header claiming 65000 x 65000 pixels is refused before anything is allocated
    // for them; so is one over the caller's limit.
    Bytes jpeg = encode_turbo_jpeg(64, 64, TJSAMP_420, textured);
    const size_t field = frame_size_field(jpeg);
    ASSERT_NE(field, 0u);
    Bytes giant = jpeg;
    giant[field] = giant[field + 2] = 0xFD;
    giant[field + 1] = giant[field + 3] = 0xE8;
    ImagePtr image;
    EXPECT_EQ(decode_jpeg(giant.data(), giant.size(), kMaxPicturePixels, &image),
              JpegOutcome::kOversized);
    EXPECT_FALSE(image);
    EXPECT_FALSE(Load("giant.jpg", giant));
    EXPECT_EQ(decode_jpeg(jpeg.data(), jpeg.size(), 64 * 64 - 1, &image), JpegOutcome::kOversized);
    EXPECT_FALSE(ImagePtr(load_picture_from_memory(jpeg.data(), jpeg.size(), 64 * 64 - 1)));
    EXPECT_TRUE(ImagePtr(load_picture_from_memory(jpeg.data(), jpeg.size(), 64 * 64)));
    // No picture at all.
    Bytes empty = jpeg;
    empty[field] = empty[field + 1] = 0;
    EXPECT_FALSE(ImagePtr(load_picture_from_memory(empty.data(), empty.size())));
}

}  // namespace
