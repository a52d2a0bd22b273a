// The movie-clip reader over clips that the tests encode with FFmpeg: frame
// identity and order, the frame range, refused and damaged files, and the
// process-wide library guard.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "base/report.h"
#include "base/tests/temp_folder.h"
#include "output/avi_in.h"
#include "output/avi_lock.h"
#include "output/clip_keep.h"
#include "output/tests/clip_fixtures.h"

extern "C" {
#include <libavutil/log.h>
}

namespace {

using namespace clip_fixtures;
namespace fs = std::filesystem;

// What a reader said through its calls.
struct Heard {
    std::vector<std::string> errors;
    std::vector<std::string> traces;

    bool Traced(const std::string& line) const {
        for (const std::string& trace : traces)
            if (trace == line) return true;
        return false;
    }
};

void listen(CAVIIn& reader, Heard& heard) {
    reader.SetCalls(
        [&heard](const std::string& text) {
            heard.errors.push_back(text);
            return 0;
        },
        nullptr,
        [&heard](const std::string& text) {
            heard.traces.push_back(text);
            return 0;
        });
}

class AviIn : public ::testing::Test {
protected:
    void SetUp() override { av_log_set_level(AV_LOG_QUIET); }
    void TearDown() override {
        drop_parked_clips();
        EXPECT_EQ(avi_lock_users(), 0);
    }

    std::string Path(const std::string& name) const { return m_folder / name; }

    std::string Clip(const std::string& name, const ClipRecipe& recipe) {
        std::string path = Path(name);
        EXPECT_TRUE(write_clip(path, recipe)) << name;
        return path;
    }

    // Opens `path`, which must be refused; what the reader said.
    Heard Refused(const std::string& path) {
        CAVIIn reader;
        Heard heard;
        listen(reader, heard);
        reader.SetFileName(path);
        EXPECT_NE(reader.Initialize(), 0) << path;
        EXPECT_EQ(reader.DoVideoReader(0), nullptr) << path;
        EXPECT_EQ(reader.Finish(), 0);
        return heard;
    }

    TempFolder m_folder;
};

// What GetVideo tells of a clip.
struct Video {
    int32_t width = 0, height = 0, bytes = 0, rate = 0, scale = 0, count = 0;
    friend bool operator==(const Video&, const Video&) = default;
    friend std::ostream& operator<<(std::ostream& os, const Video& v) {
        return os << v.width << " x " << v.height << ", " << v.bytes << " bytes, " << v.rate
                  << " / " << v.scale << ", " << v.count << " frames";
    }
};
Video video_of(CAVIIn& reader) {
    Video v;
    reader.GetVideo(&v.width, &v.height, &v.bytes, &v.rate, &v.scale, &v.count);
    return v;
}

const std::vector<std::string> kOpenFailed{"AVIFileOpenでエラーが発生しました"};
const std::vector<std::string> kStreamFailed{"AVIFileGetStreamでエラーが発生しました"};

TEST_F(AviIn, RawClipGivesEveryFrameExactlyInAnyOrder) {
    ClipRecipe recipe;  // 16 x 8 uncompressed blue-green-red AVI, 12 frames at 25/s
    CAVIIn reader;
    Heard heard;
    listen(reader, heard);
    reader.SetFileName(Clip("raw.avi", recipe));
    ASSERT_EQ(reader.Initialize(), 0);
    EXPECT_TRUE(heard.errors.empty());

    const Video raw{16, 8, 48 * 8, 25, 1, 12};
    EXPECT_EQ(video_of(reader), raw);
    EXPECT_EQ(reader.FirstFrame(), 0);
    EXPECT_EQ(reader.LastFrame(), 11);

    heard.traces.clear();
    EXPECT_EQ(reader.PrepareReader(), 0);
    EXPECT_EQ(heard.traces,
              (std::vector<std::string>{"CAVIIn::PrepareReader", "+ WIDTH = 16", "+ HEIGHT = 8",
                                        "+ DATASIZE = 384", "+ FRAME RATE = 25", "+ SCALE = 1",
                                        "+ LENGTH = 12"}));

    for (int n = 0; n < 12; ++n)
        EXPECT_TRUE(is_exact_frame(reader.DoVideoReader(n).get(), recipe, n)) << n;
    for (int n : {7, 3, 11, 0, 5, 5, 6})
        EXPECT_TRUE(is_exact_frame(reader.DoVideoReader(n).get(), recipe, n)) << n;

    heard.traces.clear();
    EXPECT_EQ(reader.DoVideoReader(12), nullptr);
    EXPECT_EQ(reader.DoVideoReader(-1), nullptr);
    EXPECT_TRUE(heard.traces.empty()) << "frames outside the clip are refused before any work";

    EXPECT_EQ(reader.Finish(), 0);
    EXPECT_EQ(reader.DoVideoReader(0), nullptr);
    EXPECT_EQ(video_of(reader), raw) << "the size and length stay readable after Finish";
}

TEST_F(AviIn, ClipReplacedBetweenFramesIsReadAnew) {
    ClipRecipe first;
    first.frames = 12;
    ClipRecipe second;
    second.flat = true;
    second.width = 32;
    second.frames = 20;
    const std::string path = Clip("clip.avi", first);
    CAVIIn reader;
    reader.SetFileName(path);
    auto frame_of_session = [&reader](int n) {
        EXPECT_EQ(reader.Initialize(), 0);
        ImagePtr image = reader.DoVideoReader(n);
        reader.Finish();
        return image;
    };
    EXPECT_TRUE(is_exact_frame(frame_of_session(3).get(), first, 3));

    // Rewritten in place, then replaced by another file under the same name.
    ASSERT_TRUE(write_clip(path, second));
    EXPECT_TRUE(is_exact_frame(frame_of_session(4).get(), second, 4));
    EXPECT_EQ(video_of(reader).width, 32);
    EXPECT_EQ(video_of(reader).count, 20);
    ASSERT_TRUE(write_clip(Path("other.avi"), first));
    fs::rename(Path("other.avi"), path);
    EXPECT_TRUE(is_exact_frame(frame_of_session(5).get(), first, 5));
    EXPECT_EQ(video_of(reader).width, 16);
    EXPECT_EQ(video_of(reader).count, 12);

    // Removed: the open fails even though a clip of that name was read before.
    fs::remove(path);
    Heard heard;
    listen(reader, heard);
    EXPECT_NE(reader.Initialize(), 0);
    EXPECT_EQ(heard.errors, kOpenFailed);
    reader.Finish();
}

// Lossless codecs with key frames every few frames: frames come out exact whether
// they are reached by decoding on, by seeking back, or by seeking far ahead.
struct LosslessCase {
    const char* name;
    const char* muxer;
    const char* encoder;
    AVPixelFormat format;
};

void PrintTo(const LosslessCase& c, std::ostream* out) {
    *out << c.name;
}

class AviInLossless : public AviIn, public ::testing::WithParamInterface<LosslessCase> {};

TEST_P(AviInLossless, SeeksAndDecodesToTheExactFrame) {
    const LosslessCase& c = GetParam();
    if (!encoder_available(c.encoder)) GTEST_SKIP() << c.encoder << " is not built in";
    ClipRecipe recipe;
    recipe.muxer = c.muxer;
    recipe.encoder = c.encoder;
    recipe.pixelFormat = c.format;
    recipe.frames = 120;
    recipe.gop = 10;
    CAVIIn reader;
    reader.SetFileName(Clip(std::string("clip.") + c.name, recipe));
    ASSERT_EQ(reader.Initialize(), 0);
    EXPECT_EQ(video_of(reader).count, 120);
    for (int n : {0, 1, 2, 100, 30, 31, 32, 45, 19, 20, 9, 119, 118, 0})
        EXPECT_TRUE(is_exact_frame(reader.DoVideoReader(n).get(), recipe, n)) << n;
    EXPECT_EQ(reader.DoVideoReader(120), nullptr);
    EXPECT_EQ(reader.Finish(), 0);

    // Reopened for every frame, as the MOVIE scene reads.
    for (int n : {57, 3, 110}) {
        ASSERT_EQ(reader.Initialize(), 0);
        EXPECT_TRUE(is_exact_frame(reader.DoVideoReader(n).get(), recipe, n)) << n;
        EXPECT_EQ(reader.Finish(), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Codecs, AviInLossless,
                         ::testing::Values(LosslessCase{"avi", "avi", "ffv1", AV_PIX_FMT_BGR0},
                                           LosslessCase{"mkv", "matroska", "ffv1", AV_PIX_FMT_BGR0},
                                           LosslessCase{"mov", "mov", "utvideo", AV_PIX_FMT_GBRP}),
                         [](const ::testing::TestParamInfo<LosslessCase>& info) {
                             return std::string(info.param.name);
                         });

// Lossy codecs: the colour survives closely enough to tell every frame, including
// streams whose frames are decoded out of presentation order.
struct LossyCase {
    const char* name;
    const char* muxer;
    const char* encoder;
    AVPixelFormat format;
    int gop;
    int bFrames;
};

void PrintTo(const LossyCase& c, std::ostream* out) {
    *out << c.name;
}

class AviInLossy : public AviIn, public ::testing::WithParamInterface<LossyCase> {};

TEST_P(AviInLossy, EveryFrameIsTheFrameAskedFor) {
    const LossyCase& c = GetParam();
    if (!encoder_available(c.encoder)) GTEST_SKIP() << c.encoder << " is not built in";
    ClipRecipe recipe;
    recipe.muxer = c.muxer;
    recipe.encoder = c.encoder;
    recipe.pixelFormat = c.format;
    recipe.width = 32;
    recipe.height = 16;
    recipe.gop = c.gop;
    recipe.bFrames = c.bFrames;
    recipe.flat = true;
    recipe.rate = AVRational{30000, 1001};
    recipe.frames = 36;
    CAVIIn reader;
    reader.SetFileName(Clip(std::string("clip.") + c.name, recipe));
    auto expect_frame = [](const CImageBuffer* image, int n) {
        ASSERT_NE(image, nullptr) << n;
        EXPECT_EQ(image->bpp, 24);
        EXPECT_EQ(nearest_flat_frame(image, 36), n);
        EXPECT_NEAR(get_component(image, 16, 8, 0), flat_red(n), 6) << n;
        EXPECT_NEAR(get_component(image, 16, 8, 1), flat_green(n), 6) << n;
        EXPECT_NEAR(get_component(image, 16, 8, 2), kFlatBlue, 6) << n;
    };
    ASSERT_EQ(reader.Initialize(), 0);
    EXPECT_EQ(video_of(reader), (Video{32, 16, 96 * 16, 30000, 1001, 36}));
    std::vector<int> order;
    for (int n = 0; n < 36; ++n) order.push_back(n);
    for (int n : {35, 2, 29, 14, 0, 27, 6, 20, 13, 33, 34}) order.push_back(n);
    for (int n : order) expect_frame(reader.DoVideoReader(n).get(), n);
    EXPECT_EQ(reader.DoVideoReader(36), nullptr);
    EXPECT_EQ(reader.Finish(), 0);

    // Reopened for every frame, as the MOVIE scene reads.
    for (int n : {17, 0, 5, 35, 24}) {
        ASSERT_EQ(reader.Initialize(), 0);
        expect_frame(reader.DoVideoReader(n).get(), n);
        EXPECT_EQ(reader.Finish(), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Codecs, AviInLossy,
    ::testing::Values(LossyCase{"mjpeg_avi", "avi", "mjpeg", AV_PIX_FMT_YUVJ420P, 1, 0},
                      LossyCase{"mpeg4_mp4", "mp4", "mpeg4", AV_PIX_FMT_YUV420P, 4, 0},
                      LossyCase{"mpeg4_bframes_avi", "avi", "mpeg4", AV_PIX_FMT_YUV420P, 6, 2},
                      LossyCase{"h264_mp4", "mp4", "libx264", AV_PIX_FMT_YUV420P, 6, 2},
                      LossyCase{"h264_mkv", "matroska", "libx264", AV_PIX_FMT_YUV420P, 6, 2}),
    [](const ::testing::TestParamInfo<LossyCase>& info) { return std::string(info.param.name); });

// The luma and chroma that the clip writer stores for flat frame n.
void stored_ycbcr(const ClipRecipe& recipe, int n, double* y, double* cb, double* cr) {
    std::unique_ptr<AVFrame, detail::FrameFree> source(av_frame_alloc());
    std::unique_ptr<AVFrame, detail::FrameFree> stored(av_frame_alloc());
    ASSERT_TRUE(source && stored);
    source->format = AV_PIX_FMT_BGR24;
    stored->format = recipe.pixelFormat;
    source->width = stored->width = recipe.width;
    source->height = stored->height = recipe.height;
    ASSERT_EQ(av_frame_get_buffer(source.get(), 0), 0);
    ASSERT_EQ(av_frame_get_buffer(stored.get(), 0), 0);
    for (int row = 0; row < recipe.height; ++row)
        for (int x = 0; x < recipe.width; ++x)
            frame_pixel(recipe, n, x, row, source->data[0] + row * source->linesize[0] + 3 * x);
    std::unique_ptr<SwsContext, detail::ScaleFree> scale(
        sws_getContext(recipe.width, recipe.height, AV_PIX_FMT_BGR24, recipe.width, recipe.height,
                       recipe.pixelFormat, SWS_POINT, nullptr, nullptr, nullptr));
    ASSERT_TRUE(scale);
    sws_scale(scale.get(), source->data, source->linesize, 0, recipe.height, stored->data,
              stored->linesize);
    *y = stored->data[0][0];
    *cb = stored->data[1][0];
    *cr = stored->data[2][0];
}

TEST_F(AviIn, YCbCrFramesTakeTheStudioRangeConversion) {
    if (!encoder_available("ffv1")) GTEST_SKIP() << "ffv1 is not built in";
    ClipRecipe recipe;
    recipe.muxer = "matroska";
    recipe.encoder = "ffv1";
    recipe.pixelFormat = AV_PIX_FMT_YUV420P;
    recipe.flat = true;
    recipe.frames = 24;
    CAVIIn reader;
    reader.SetFileName(Clip("ycbcr.mkv", recipe));
    ASSERT_EQ(reader.Initialize(), 0);
    auto round_byte = [](double v) { return int(std::lround(std::clamp(v, 0.0, 255.0))); };
    for (int n = 0; n < recipe.frames; ++n) {
        double y = 0, cb = 0, cr = 0;
        stored_ycbcr(recipe, n, &y, &cb, &cr);
        // ITU-R BT.601, luma 16 ... 235 and chroma 16 ... 240 spread to 0 ... 255.
        const double luma = 255.0 / 219.0 * (y - 16);
        const int red = round_byte(luma + 1.596027 * (cr - 128));
        const int green = round_byte(luma - 0.391762 * (cb - 128) - 0.812968 * (cr - 128));
        const int blue = round_byte(luma + 2.017232 * (cb - 128));
        ImagePtr image = reader.DoVideoReader(n);
        ASSERT_NE(image, nullptr) << n;
        for (auto [px, py] : {std::pair{0, 0}, std::pair{15, 7}, std::pair{8, 4}}) {
            EXPECT_NEAR(get_component(image.get(), px, py, 0), red, 1) << n;
            EXPECT_NEAR(get_component(image.get(), px, py, 1), green, 1) << n;
            EXPECT_NEAR(get_component(image.get(), px, py, 2), blue, 1) << n;
        }
    }
    reader.Finish();
}

// A 16-bit mono PCM WAV of `samples` samples at 8000/s.
std::vector<uint8_t> wav_bytes(uint32_t samples) {
    std::vector<uint8_t> bytes;
    auto put = [&bytes](const void* data, size_t size) {
        const auto* p = static_cast<const uint8_t*>(data);
        bytes.insert(bytes.end(), p, p + size);
    };
    auto put32 = [&put](uint32_t v) { put(&v, 4); };
    auto put16 = [&put](uint16_t v) { put(&v, 2); };
    put("RIFF", 4);
    put32(36 + 2 * samples);
    put("WAVEfmt ", 8);
    put32(16);
    put16(1);
    put16(1);
    put32(8000);
    put32(16000);
    put16(2);
    put16(16);
    put("data", 4);
    put32(2 * samples);
    bytes.resize(bytes.size() + 2 * samples, 0x10);
    return bytes;
}

TEST_F(AviIn, FilesThatAreNoVideoAreRefusedWithTheirMessages) {
    const std::string text = "This is a scenario note, not a video.\r\nSecond line.\r\n";
    write_bytes(Path("note.txt"), std::vector<uint8_t>(text.begin(), text.end()));
    EXPECT_EQ(Refused(Path("note.txt")).errors, kOpenFailed);
    write_bytes(Path("empty.avi"), {});
    EXPECT_EQ(Refused(Path("empty.avi")).errors, kOpenFailed);
    write_bytes(Path("music.wav"), wav_bytes(8000));
    EXPECT_EQ(Refused(Path("music.wav")).errors, kStreamFailed);

    // A missing file and a folder fail the open, and say which file.
    for (const std::string& path : {Path("missing.avi"), m_folder.Path().string()}) {
        Heard heard = Refused(path);
        EXPECT_EQ(heard.errors, kOpenFailed);
        EXPECT_TRUE(heard.Traced("+ AVIFileOpen \"" + path + "\"... failed.")) << path;
    }
}

// The engine's own reporting calls carry the reader's error to the front end as
// it is, even when the file name looks like a format.
TEST_F(AviIn, ReportingCallsShowTheErrorToTheFrontEnd) {
    struct Sink : ReportSink {
        std::vector<std::string> shown;
        void StatusLine(std::string_view) override {}
        void ShowError(std::string_view text) override { shown.emplace_back(text); }
        AskAnswer Ask(std::string_view) override { return AskAnswer::No; }
    } sink;
    set_report_sink(&sink);
    CAVIIn reader;
    reader.UseReportingCalls();
    reader.SetFileName(Path("%s%n%d.avi"));
    EXPECT_NE(reader.Initialize(), 0);
    reader.Finish();
    set_report_sink(nullptr);
    EXPECT_EQ(sink.shown, kOpenFailed);
}

TEST_F(AviIn, TruncatedClipGivesTheFramesItStillHolds) {
    ClipRecipe recipe;
    recipe.frames = 10;
    std::string path = Clip("whole.avi", recipe);
    std::vector<uint8_t> bytes = clip_fixtures::read_bytes(path);
    ASSERT_GT(bytes.size(), 10u * 384);

    // Cut in the middle of the frame data: the index at the end is lost too.
    std::vector<uint8_t> cut(bytes.begin(), bytes.end() - 10 * 384 / 2);
    write_bytes(Path("cut.avi"), cut);
    CAVIIn reader;
    reader.SetFileName(Path("cut.avi"));
    ASSERT_EQ(reader.Initialize(), 0);
    EXPECT_TRUE(is_exact_frame(reader.DoVideoReader(0).get(), recipe, 0));
    int first_missing = -1;
    for (int n = 0; n <= reader.LastFrame(); ++n) {
        ImagePtr image = reader.DoVideoReader(n);
        if (!image) {
            if (first_missing < 0) first_missing = n;
            continue;
        }
        EXPECT_EQ(first_missing, -1) << "frame " << n << " after a missing one";
        EXPECT_TRUE(is_exact_frame(image.get(), recipe, n)) << n;
    }
    EXPECT_GT(first_missing, 0);
    EXPECT_EQ(reader.DoVideoReader(9), nullptr);
    reader.Finish();

    // Cut inside the header: nothing to read.
    write_bytes(Path("head.avi"), std::vector<uint8_t>(bytes.begin(), bytes.begin() + 64));
    Heard heard;
    listen(reader, heard);
    reader.SetFileName(Path("head.avi"));
    EXPECT_NE(reader.Initialize(), 0);
    EXPECT_EQ(heard.errors, kOpenFailed);
    reader.Finish();
}

// Offset of the data of an AVI header chunk ("strf": the bitmap header, "strh":
// the stream header); 0 when there is none.
size_t chunk_data_at(const std::vector<uint8_t>& bytes, const char* id) {
    for (size_t at = 0; at + 8 + 40 <= bytes.size(); ++at)
        if (std::memcmp(&bytes[at], id, 4) == 0) return at + 8;
    return 0;
}

TEST_F(AviIn, ImpossibleSizesAndLengthsAreRefusedBeforeAnyAllocation) {
    ClipRecipe recipe;
    recipe.frames = 3;
    std::vector<uint8_t> bytes = clip_fixtures::read_bytes(Clip("clip.avi", recipe));
    size_t header = chunk_data_at(bytes, "strf");
    ASSERT_GT(header, 0u);
    const std::pair<int32_t, int32_t> sizes[] = {{70000, 70000}, {0, 8}, {16, 0}, {1 << 30, 1}};
    for (auto [w, h] : sizes) {
        std::vector<uint8_t> patched = bytes;
        std::memcpy(&patched[header + 4], &w, 4);
        std::memcpy(&patched[header + 8], &h, 4);
        write_bytes(Path("patched.avi"), patched);
        Heard heard = Refused(Path("patched.avi"));
        EXPECT_EQ(heard.errors, kStreamFailed) << w << " x " << h;
        EXPECT_TRUE(heard.Traced("+ AVI format check ... failed.")) << w << " x " << h;
    }

    // A stream length beyond any frame number, and none at all.
    size_t stream = chunk_data_at(bytes, "strh");
    ASSERT_GT(stream, 0u);
    for (uint32_t length : {0xFFFFFFF0u, 0u}) {
        std::vector<uint8_t> patched = bytes;
        std::memcpy(&patched[stream + 32], &length, 4);
        write_bytes(Path("patched.avi"), patched);
        EXPECT_EQ(Refused(Path("patched.avi")).errors, kStreamFailed) << length;
    }
}

TEST_F(AviIn, LibraryIsSetUpOnceAndClosedAfterTheLastReader) {
    ClipRecipe recipe;
    recipe.frames = 4;
    std::string path = Clip("clip.avi", recipe);
    const std::string got_lock = "+ AVI : GetLock ... successed.";
    const std::string released = "+ AVI : ReleaseLock ... successed.";

    CAVIIn first, second;
    Heard heard_first, heard_second;
    listen(first, heard_first);
    listen(second, heard_second);
    first.SetFileName(path);
    second.SetFileName(path);

    ASSERT_EQ(first.Initialize(), 0);
    EXPECT_EQ(heard_first.traces.front(), "CAVIIn::Initialize");
    EXPECT_TRUE(heard_first.Traced(got_lock));
    ASSERT_EQ(second.Initialize(), 0);
    EXPECT_FALSE(heard_second.Traced(got_lock));
    EXPECT_EQ(avi_lock_users(), 2);

    EXPECT_TRUE(is_exact_frame(first.DoVideoReader(1).get(), recipe, 1));
    EXPECT_TRUE(is_exact_frame(second.DoVideoReader(2).get(), recipe, 2));

    EXPECT_EQ(first.Finish(), 0);
    EXPECT_FALSE(heard_first.Traced(released));
    EXPECT_TRUE(is_exact_frame(second.DoVideoReader(3).get(), recipe, 3));
    EXPECT_EQ(second.Finish(), 0);
    EXPECT_TRUE(heard_second.Traced(released));
    EXPECT_EQ(heard_second.traces.back(), released);
    EXPECT_EQ(avi_lock_users(), 0);

    // A reader counts once however often it is initialised, a second Finish
    // releases nothing, and a reader dropped without Finish leaves no user behind.
    ASSERT_EQ(first.Initialize(), 0);
    ASSERT_EQ(first.Initialize(), 0);
    EXPECT_EQ(avi_lock_users(), 1);
    first.Finish();
    first.Finish();
    EXPECT_EQ(avi_lock_users(), 0);
    {
        CAVIIn dropped;
        dropped.SetFileName(path);
        ASSERT_EQ(dropped.Initialize(), 0);
        EXPECT_EQ(avi_lock_users(), 1);
    }
    EXPECT_EQ(avi_lock_users(), 0);
    // A failed open still holds the library until Finish, as a writer's would.
    CAVIIn failing;
    failing.SetFileName(Path("missing.avi"));
    EXPECT_NE(failing.Initialize(), 0);
    EXPECT_EQ(avi_lock_users(), 1);
    failing.Finish();
}

}  // namespace
