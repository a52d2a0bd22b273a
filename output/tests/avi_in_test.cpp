// The movie-clip reader over clips that the tests encode with FFmpeg: frame
// identity and order, the frame range, refused and damaged files, and the
// process-wide library guard.

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "base/tests/temp_folder.h"
#include "image/tests/drawing_test_support.h"
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

// What a reader said through its calls once heard.
struct Heard {
    explicit Heard(CAVIIn& reader) {
        using writer_fixtures::record_into;
        reader.SetCalls(record_into(errors), nullptr, record_into(traces));
    }
    std::vector<std::string> errors;
    std::vector<std::string> traces;

    bool Traced(const std::string& line) const {
        return std::find(traces.begin(), traces.end(), line) != traces.end();
    }
};

// What GetVideo tells of a clip: width, height, bytes a frame, rate, scale, count.
using Video = std::array<int32_t, 6>;
Video video_of(CAVIIn& reader) {
    Video v;
    reader.GetVideo(&v[0], &v[1], &v[2], &v[3], &v[4], &v[5]);
    return v;
}

const std::vector<std::string> kOpenFailed{"AVIFileOpenでエラーが発生しました"};
const std::vector<std::string> kStreamFailed{"AVIFileGetStreamでエラーが発生しました"};

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
        Heard heard(reader);
        reader.SetFileName(path);
        EXPECT_NE(reader.Initialize(), 0) << path;
        EXPECT_EQ(reader.DoVideoReader(0), nullptr) << path;
        EXPECT_EQ(reader.Finish(), 0);
        return heard;
    }

    TempFolder m_folder;
};

// A clip kept open between sessions must not outlive a change of its file.
TEST_F(AviIn, ClipReplacedBetweenFramesIsReadAnew) {
    const ClipRecipe first;
    const ClipRecipe second{.width = 32, .frames = 20, .flat = true};
    const std::string path = Clip("clip.avi", first);
    CAVIIn reader;
    reader.SetFileName(path);
    auto expect_session = [&reader](const ClipRecipe& recipe, int n) {
        EXPECT_EQ(reader.Initialize(), 0);
        EXPECT_TRUE(is_exact_frame(reader.DoVideoReader(n).get(), recipe, n)) << n;
        reader.Finish();
        EXPECT_EQ(video_of(reader)[0], recipe.width);
        EXPECT_EQ(video_of(reader)[5], recipe.frames);
    };
    expect_session(first, 3);
    // Rewritten in place, then replaced by another file under the same name.
    ASSERT_TRUE(write_clip(path, second));
    expect_session(second, 4);
    ASSERT_TRUE(write_clip(Path("other.avi"), first));
    fs::rename(Path("other.avi"), path);
    expect_session(first, 5);

    // Removed: the open fails even though a clip of that name was read before.
    fs::remove(path);
    Heard heard(reader);
    EXPECT_NE(reader.Initialize(), 0);
    EXPECT_EQ(heard.errors, kOpenFailed);
    reader.Finish();
}

// Uncompressed frames and codecs with key frames every few frames: every frame comes
// out as the one asked for, whether reached by decoding on, by seeking back or by
// seeking far ahead, including streams decoded out of presentation order. Lossless
// codecs give the exact pixels; lossy ones get flat frames whose colour survives
// closely enough.
struct CodecCase {
    const char* name;
    const char* muxer;
    const char* encoder;
    AVPixelFormat format;
    int gop;
    int bFrames;
    bool lossy;
};

class AviInCodecs : public AviIn, public ::testing::WithParamInterface<CodecCase> {};

TEST_P(AviInCodecs, EveryFrameIsTheFrameAskedFor) {
    const CodecCase& c = GetParam();
    if (!encoder_available(c.encoder)) GTEST_SKIP() << c.encoder << " is not built in";
    const ClipRecipe recipe{.muxer = c.muxer,
                            .encoder = c.encoder,
                            .pixelFormat = c.format,
                            .width = 32,
                            .height = 16,
                            .frames = 36,
                            .rate = {30000, 1001},
                            .gop = c.gop,
                            .bFrames = c.bFrames,
                            .flat = c.lossy};
    CAVIIn reader;
    Heard heard(reader);
    reader.SetFileName(Clip(std::string("clip.") + c.name, recipe));
    auto expect_frame = [&](const CImageBuffer* image, int n) {
        if (!c.lossy) {
            EXPECT_TRUE(is_exact_frame(image, recipe, n)) << n;
            return;
        }
        // Within 6 levels, no other flat frame comes near (they differ by 18 or more).
        ASSERT_NE(image, nullptr) << n;
        EXPECT_EQ(image->bpp, 24);
        const int want[3] = {flat_red(n), flat_green(n), kFlatBlue};
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(get_component(image, 16, 8, k), want[k], 6) << n;
    };
    ASSERT_EQ(reader.Initialize(), 0);
    EXPECT_EQ(reader.PrepareReader(), 0);
    const Video video{32, 16, 96 * 16, 30000, 1001, 36};
    EXPECT_EQ(video_of(reader), video);
    EXPECT_EQ(reader.FirstFrame(), 0);
    EXPECT_EQ(reader.LastFrame(), 35);
    for (int n = 0; n < 36; ++n) expect_frame(reader.DoVideoReader(n).get(), n);
    for (int n : {35, 2, 29, 14, 0, 27, 6, 20, 19, 13, 33, 34, 9, 30, 31, 5, 5})
        expect_frame(reader.DoVideoReader(n).get(), n);
    heard.traces.clear();
    EXPECT_EQ(reader.DoVideoReader(36), nullptr);
    EXPECT_EQ(reader.DoVideoReader(-1), nullptr);
    EXPECT_TRUE(heard.traces.empty()) << "frames outside the clip are refused before any work";
    EXPECT_EQ(reader.Finish(), 0);
    EXPECT_EQ(reader.DoVideoReader(0), nullptr);
    EXPECT_EQ(video_of(reader), video) << "the size and length stay readable after Finish";
    EXPECT_TRUE(heard.errors.empty());

    // Reopened for every frame, as the MOVIE scene reads.
    for (int n : {17, 0, 5, 35, 24}) {
        ASSERT_EQ(reader.Initialize(), 0);
        expect_frame(reader.DoVideoReader(n).get(), n);
        EXPECT_EQ(reader.Finish(), 0);
    }
}

const CodecCase kCodecs[] = {{"raw", "avi", "rawvideo", AV_PIX_FMT_BGR24, 1, 0, false},
                             {"avi", "avi", "ffv1", AV_PIX_FMT_BGR0, 10, 0, false},
                             {"mkv", "matroska", "ffv1", AV_PIX_FMT_BGR0, 10, 0, false},
                             {"mov", "mov", "utvideo", AV_PIX_FMT_GBRP, 10, 0, false},
                             {"mjpeg_avi", "avi", "mjpeg", AV_PIX_FMT_YUVJ420P, 1, 0, true},
                             {"mpeg4_mp4", "mp4", "mpeg4", AV_PIX_FMT_YUV420P, 4, 0, true},
                             {"mpeg4_bframes_avi", "avi", "mpeg4", AV_PIX_FMT_YUV420P, 6, 2, true},
                             {"h264_mp4", "mp4", "libx264", AV_PIX_FMT_YUV420P, 6, 2, true},
                             {"h264_mkv", "matroska", "libx264", AV_PIX_FMT_YUV420P, 6, 2, true}};
INSTANTIATE_TEST_SUITE_P(Codecs, AviInCodecs, ::testing::ValuesIn(kCodecs),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AviIn, YCbCrFramesTakeTheStudioRangeConversion) {
    if (!encoder_available("ffv1")) GTEST_SKIP() << "ffv1 is not built in";
    const ClipRecipe recipe{.muxer = "matroska",
                            .encoder = "ffv1",
                            .pixelFormat = AV_PIX_FMT_YUV420P,
                            .frames = 24,
                            .flat = true};
    CAVIIn reader;
    reader.SetFileName(Clip("ycbcr.mkv", recipe));
    ASSERT_EQ(reader.Initialize(), 0);
    auto round_byte = [](double v) { return int(std::lround(std::clamp(v, 0.0, 255.0))); };
    for (int n = 0; n < recipe.frames; ++n) {
        // The luma and chroma the clip holds for the flat frame.
        ffmpeg::FramePtr stored = stored_frame(recipe, n);
        ASSERT_TRUE(stored);
        const double y = stored->data[0][0], cb = stored->data[1][0], cr = stored->data[2][0];
        // ITU-R BT.601, luma 16 ... 235 and chroma 16 ... 240 spread to 0 ... 255.
        const double luma = 255.0 / 219.0 * (y - 16);
        const int rgb[3] = {round_byte(luma + 1.596027 * (cr - 128)),
                            round_byte(luma - 0.391762 * (cb - 128) - 0.812968 * (cr - 128)),
                            round_byte(luma + 2.017232 * (cb - 128))};
        ImagePtr image = reader.DoVideoReader(n);
        ASSERT_NE(image, nullptr) << n;
        for (auto [px, py] : {std::pair{0, 0}, std::pair{15, 7}, std::pair{8, 4}})
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(get_component(image.get(), px, py, k), rgb[k], 1) << n;
    }
    reader.Finish();
}

// Offset of the data of an AVI header chunk ("strf": the bitmap header, "strh":
// the stream header); 0 when there is none.
size_t chunk_data_at(const std::string& bytes, const char* id) {
    for (size_t at = 0; at + 8 + 40 <= bytes.size(); ++at)
        if (std::memcmp(&bytes[at], id, 4) == 0) return at + 8;
    return 0;
}

TEST_F(AviIn, NoVideoAndDamagedFilesAreRefusedWithTheirMessages) {
    // Music is no video.
    m_folder.Write("music.wav", writer_fixtures::wav_file({1, 16, 8000, 8000}));
    EXPECT_EQ(Refused(Path("music.wav")).errors, kStreamFailed);

    // A missing file and a folder fail the open, and say which file.
    for (const std::string& path : {Path("missing.avi"), m_folder.Path().string()}) {
        Heard heard = Refused(path);
        EXPECT_EQ(heard.errors, kOpenFailed);
        EXPECT_TRUE(heard.Traced("+ AVIFileOpen \"" + path + "\"... failed.")) << path;
    }

    // The engine's own reporting calls carry the error to the front end as it is,
    // even when the file name looks like a format.
    ErrorRecorder sink;
    CAVIIn reader;
    reader.UseReportingCalls();
    reader.SetFileName(Path("%s%n%d.avi"));
    EXPECT_NE(reader.Initialize(), 0);
    reader.Finish();
    EXPECT_EQ(sink.Take(), kOpenFailed);

    // Damaged clips give the frames they still hold, or are refused before any
    // allocation for impossible sizes.
    const ClipRecipe recipe{.frames = 10};
    const std::string bytes = read_bytes(Clip("whole.avi", recipe));
    ASSERT_GT(bytes.size(), 10u * 384);

    // Cut in the middle of the frame data: the index at the end is lost too.
    m_folder.Write("cut.avi", bytes.substr(0, bytes.size() - 10 * 384 / 2));
    CAVIIn cut;
    cut.SetFileName(Path("cut.avi"));
    ASSERT_EQ(cut.Initialize(), 0);
    int first_missing = -1;
    for (int n = 0; n <= cut.LastFrame(); ++n) {
        ImagePtr image = cut.DoVideoReader(n);
        if (!image) {
            if (first_missing < 0) first_missing = n;
            continue;
        }
        EXPECT_EQ(first_missing, -1) << "frame " << n << " after a missing one";
        EXPECT_TRUE(is_exact_frame(image.get(), recipe, n)) << n;
    }
    EXPECT_GT(first_missing, 0);
    EXPECT_EQ(cut.DoVideoReader(9), nullptr);
    cut.Finish();

    // Cut inside the header: nothing to read.
    m_folder.Write("head.avi", bytes.substr(0, 64));
    EXPECT_EQ(Refused(Path("head.avi")).errors, kOpenFailed);

    // Impossible sizes in the bitmap header and lengths in the stream header.
    const size_t header = chunk_data_at(bytes, "strf");
    const size_t stream = chunk_data_at(bytes, "strh");
    ASSERT_GT(header, 0u);
    ASSERT_GT(stream, 0u);
    // Patches the 32-bit fields at the offsets and opens the result.
    auto refused = [&](std::vector<std::pair<size_t, uint32_t>> fields) {
        std::string patched = bytes;
        for (auto [at, value] : fields) std::memcpy(&patched[at], &value, 4);
        return Refused(m_folder.Write("patched.avi", patched));
    };
    const std::pair<uint32_t, uint32_t> sizes[] = {{70000, 70000}, {0, 8}, {16, 0}, {1 << 30, 1}};
    for (auto [w, h] : sizes) {
        Heard heard = refused({{header + 4, w}, {header + 8, h}});
        EXPECT_EQ(heard.errors, kStreamFailed) << w << " x " << h;
        EXPECT_TRUE(heard.Traced("+ AVI format check ... failed.")) << w << " x " << h;
    }
    // A stream length beyond any frame number, and none at all.
    for (uint32_t length : {0xFFFFFFF0u, 0u})
        EXPECT_EQ(refused({{stream + 32, length}}).errors, kStreamFailed) << length;
}

TEST_F(AviIn, LibraryIsSetUpOnceAndClosedAfterTheLastReader) {
    const ClipRecipe recipe{.frames = 4};
    const std::string path = Clip("clip.avi", recipe);
    const std::string got_lock = "+ AVI : GetLock ... successed.";
    const std::string released = "+ AVI : ReleaseLock ... successed.";

    CAVIIn first, second;
    Heard heard_first(first), heard_second(second);
    first.SetFileName(path), second.SetFileName(path);

    ASSERT_EQ(first.Initialize(), 0);
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
    EXPECT_EQ(heard_second.traces.back(), released);
    EXPECT_EQ(avi_lock_users(), 0);

    // A reader counts once however often it is initialised, a second Finish
    // releases nothing, and a reader dropped without Finish leaves no user behind.
    for (int twice = 0; twice < 2; ++twice) ASSERT_EQ(first.Initialize(), 0);
    EXPECT_EQ(avi_lock_users(), 1);
    first.Finish(), first.Finish();
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
