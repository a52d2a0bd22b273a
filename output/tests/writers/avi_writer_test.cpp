// The AVI writer's video: uncompressed bitmaps stored as they lie in memory,
// skipped positions filled, FFmpeg encoders chosen by name with their settings.

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "output/avi_out.h"
#include "output/tests/writers/writer_test.h"

using namespace writer_fixtures;

namespace {

class AviWriterTest : public WriterTest {
protected:
    // Runs a writer through the control thread's calls: frames[i] is the pattern
    // frame written at position positions[i].
    int Write(const std::string& name, const CompressorSettings& settings, int width, int height,
              const std::vector<int>& positions, int count, Pattern pattern = Pattern::Gradient,
              bool skips = true) {
        CAVIOut writer;
        Record(writer);
        writer.SetFileName(m_folder / name);
        writer.SetCompressor(settings);
        writer.SetSkipsPositions(skips);
        if (writer.Initialize() != 0) return -1;
        SetVideo(writer, width, height, 30, 1, count);
        writer.SetAudio(0, 0, 0, 0, 0);
        int result = writer.PrepareWriter();
        for (size_t i = 0; result == 0 && i < positions.size(); ++i) {
            ImagePtr frame = make_frame(positions[i], width, height, pattern);
            result =
                writer.DoVideoWriter(frame.get(), positions[i], image_stride(width, 24) * height, 1,
                                     int64_t{positions[i]} * 10000000 / 30);
        }
        int closed = writer.CloseWriter();
        writer.Finish();
        return result != 0 ? result : closed;
    }
};

TEST_F(AviWriterTest, UncompressedFramesAreTheBitmapsAsTheyLieInMemory) {
    ASSERT_EQ(Write("out.avi", {}, 64, 48, {0, 1, 2, 3, 4}, 5), 0);
    const std::string path = m_folder / "out.avi";
    EXPECT_EQ(Entries(), std::vector<std::string>{"out.avi"});

    const std::vector<std::string> prepare = {
        "CAVIOut::Initialize",
        "+ AVI : GetLock ... successed.",
        "CAVIOut::PrepareWriter",
        "+ WIDTH = 64",
        "+ HEIGHT = 48",
        "+ DATASIZE = 9216",
        "+ FRAME RATE = 30",
        "+ SCALE = 1",
        "+ LENGTH = 5",
        "CAVIOut::ChooseCompressor",
        "AVI : VIDEO : avcodec_find_encoder_by_name ... successed.",
        "AVI : ChooseCompressor",
        "CAVIOut::CreateAVI",
        "+ open \"" + path + "\" ... successed.",
        "+ avformat_alloc_output_context2 ... successed.",
        "+ avio_alloc_context ... successed.",
        "+ avformat_new_stream ... successed.",
        "CAVIOut::DoVideoWriter",
        "+ avformat_write_header ... successed.",
        "+ av_interleaved_write_frame ... successed.",
        "CAVIOut::DoVideoWriter",
        "+ av_interleaved_write_frame ... successed.",
    };
    ASSERT_GE(m_traces.size(), prepare.size());
    EXPECT_EQ(std::vector<std::string>(m_traces.begin(), m_traces.begin() + prepare.size()),
              prepare);
    const std::vector<std::string> close = {
        "CAVIOut::CloseWriter",
        "+ av_write_trailer ... successed.",
        "+ rename ... successed.",
        "CAVIOut::Finish",
        "+ AVI : ReleaseLock ... successed.",
        "+ delete m_pMutex ... successed.",
    };
    EXPECT_EQ(std::vector<std::string>(m_traces.end() - close.size(), m_traces.end()), close);
    EXPECT_TRUE(m_errors.empty());

    Movie movie = read_movie(path);
    ASSERT_TRUE(movie.opened);
    EXPECT_EQ(movie.format, "avi");
    ASSERT_EQ(movie.streams.size(), 1u);
    const Stream& video = movie.streams[0];
    EXPECT_EQ(video.codec, AV_CODEC_ID_RAWVIDEO);
    EXPECT_EQ(video.tag, 0u);
    EXPECT_EQ(video.width, 64);
    EXPECT_EQ(video.height, 48);
    EXPECT_EQ(video.bitsPerCodedSample, 24);
    EXPECT_EQ(av_cmp_q(video.timeBase, AVRational{1, 30}), 0);
    EXPECT_EQ(video.frames, 5);
    EXPECT_EQ(video.duration, 5);
    // A positive bitmap height (bottom-up rows): FFmpeg's reader marks it so.
    ASSERT_GE(video.extradata.size(), 9u);
    EXPECT_EQ(std::string(video.extradata.end() - 9, video.extradata.end()),
              std::string("BottomUp", 9));
    ASSERT_EQ(movie.packets.size(), 5u);
    for (int n = 0; n < 5; ++n) {
        ImagePtr frame = make_frame(n, 64, 48);
        const Packet& packet = movie.packets[static_cast<size_t>(n)];
        EXPECT_EQ(packet.pts, n);
        EXPECT_TRUE(packet.key);
        ASSERT_EQ(packet.data.size(), 9216u);
        EXPECT_EQ(std::memcmp(packet.data.data(), frame->pixels, 9216), 0) << "frame " << n;
    }
    const auto frames = decode_frames(path);
    ASSERT_EQ(frames.size(), 5u);
    for (int n = 0; n < 5; ++n)
        EXPECT_EQ(frames[static_cast<size_t>(n)], expected_rows(n, 64, 48)) << "frame " << n;
}

TEST_F(AviWriterTest, RowsOfAnOddWidthKeepTheirPaddingAndReadBackExactly) {
    // 30 pixels: 90 bytes a row, stored as 92.
    ASSERT_EQ(Write("odd.avi", {kUncompressedCodec}, 30, 20, {0, 1, 2}, 3), 0);
    Movie movie = read_movie(m_folder / "odd.avi");
    ASSERT_EQ(movie.packets.size(), 3u);
    EXPECT_EQ(movie.packets[0].data.size(), 92u * 20);
    const auto frames = decode_frames(m_folder / "odd.avi");
    ASSERT_EQ(frames.size(), 3u);
    for (int n = 0; n < 3; ++n) EXPECT_EQ(frames[static_cast<size_t>(n)], expected_rows(n, 30, 20));
}

TEST_F(AviWriterTest, SkippedPositionsShowThePreviousFrame) {
    // Positions 1, 2 and 5 are skipped; 6 is the extra frame after the last.
    ASSERT_EQ(Write("skip.avi", {"rawvideo"}, 64, 48, {0, 3, 4, 6}, 6), 0);
    const auto frames = decode_frames(m_folder / "skip.avi");
    const int shown[] = {0, 0, 0, 3, 4, 4, 6};
    ASSERT_EQ(frames.size(), 7u);
    for (size_t i = 0; i < 7; ++i) EXPECT_EQ(frames[i], expected_rows(shown[i], 64, 48)) << i;
    Movie movie = read_movie(m_folder / "skip.avi");
    EXPECT_EQ(movie.streams[0].frames, 7);

    // The same through an encoder.
    ASSERT_EQ(Write("skip-ffv1.avi", {"ffv1"}, 64, 48, {0, 3, 4, 6}, 6), 0);
    const auto encoded = decode_frames(m_folder / "skip-ffv1.avi");
    ASSERT_EQ(encoded.size(), 7u);
    for (size_t i = 0; i < 7; ++i) EXPECT_EQ(encoded[i], expected_rows(shown[i], 64, 48)) << i;
}

// Without skipped positions the writer keeps no copy of an uncompressed frame: the
// rows go into the file from the image itself.
TEST_F(AviWriterTest, FramesWrittenStraightFromTheImageMakeTheSameFile) {
    ASSERT_EQ(Write("kept.avi", {}, 30, 20, {0, 1, 2, 3}, 4), 0);
    ASSERT_EQ(Write("straight.avi", {}, 30, 20, {0, 1, 2, 3}, 4, Pattern::Gradient, false), 0);
    EXPECT_EQ(read_bytes(m_folder / "straight.avi"), read_bytes(m_folder / "kept.avi"));
    // A first frame at a later position still fills the positions before it.
    ASSERT_EQ(Write("late.avi", {}, 30, 20, {2, 3}, 4, Pattern::Gradient, false), 0);
    const auto frames = decode_frames(m_folder / "late.avi");
    const int shown[] = {2, 2, 2, 3};
    ASSERT_EQ(frames.size(), 4u);
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(frames[i], expected_rows(shown[i], 30, 20)) << i;
    // A later gap has no frame to repeat: a clear failure, and no file.
    EXPECT_NE(Write("gap.avi", {}, 30, 20, {0, 2}, 3, Pattern::Gradient, false), 0);
    EXPECT_FALSE(std::filesystem::exists(m_folder / "gap.avi"));
    EXPECT_FALSE(m_errors.empty());
}

TEST_F(AviWriterTest, APositionOutOfOrderFailsAndLeavesNoFile) {
    EXPECT_EQ(Write("back.avi", {}, 64, 48, {0, 1, 3, 2}, 5), 1);
    ASSERT_EQ(m_errors.size(), 1u);
    EXPECT_EQ(m_errors[0].rfind(
                  "フレーム番号 2 の AVIファイルへの書き込みにおいてエラーが発生しました。\n", 0),
              0u)
        << m_errors[0];
    EXPECT_TRUE(Entries().empty());
    // Past the frame after the last.
    m_errors.clear();
    EXPECT_EQ(Write("far.avi", {}, 64, 48, {0, 7}, 5), 1);
    EXPECT_EQ(m_errors.size(), 1u);
    EXPECT_TRUE(Entries().empty());
}

TEST_F(AviWriterTest, AnyFFmpegVideoEncoderByName) {
    struct Case {
        const char* codec;
        AVCodecID id;
        bool lossless;
    };
    const Case cases[] = {
        {"mjpeg", AV_CODEC_ID_MJPEG, false},    {"mpeg4", AV_CODEC_ID_MPEG4, false},
        {"libx264", AV_CODEC_ID_H264, false},   {"ffv1", AV_CODEC_ID_FFV1, true},
        {"huffyuv", AV_CODEC_ID_HUFFYUV, true}, {"utvideo", AV_CODEC_ID_UTVIDEO, true},
    };
    for (const Case& c : cases) {
        if (!avcodec_find_encoder_by_name(c.codec)) continue;
        SCOPED_TRACE(c.codec);
        const std::string name = std::string(c.codec) + ".avi";
        const Pattern pattern = c.lossless ? Pattern::Gradient : Pattern::Flat;
        ASSERT_EQ(Write(name, {c.codec}, 64, 48, {0, 1, 2, 3, 4, 5, 6, 7}, 8, pattern), 0)
            << (m_traces.empty() ? "" : m_traces.back());
        Movie movie = read_movie(m_folder / name);
        ASSERT_EQ(movie.streams.size(), 1u);
        EXPECT_EQ(movie.streams[0].codec, c.id);
        EXPECT_EQ(movie.streams[0].frames, 8);
        const auto frames = decode_frames(m_folder / name);
        ASSERT_EQ(frames.size(), 8u);
        for (int n = 0; n < 8; ++n) {
            const auto expected = expected_rows(n, 64, 48, pattern);
            if (c.lossless) {
                EXPECT_EQ(frames[static_cast<size_t>(n)], expected) << "frame " << n;
                continue;
            }
            // Lossy: the frame's own flat colour, within a few levels.
            int worst = 0;
            for (size_t i = 0; i < expected.size(); ++i)
                worst = std::max(worst, std::abs(frames[static_cast<size_t>(n)][i] - expected[i]));
            EXPECT_LE(worst, 6) << "frame " << n;
        }
    }
}

TEST_F(AviWriterTest, QualityKeyFramesAndDataRateReachTheEncoder) {
    auto videoBytes = [&](const std::string& name) {
        size_t total = 0;
        for (const Packet& p : read_movie(m_folder / name).packets) total += p.data.size();
        return total;
    };
    std::vector<int> positions;
    for (int i = 0; i < 12; ++i) positions.push_back(i);

    CompressorSettings low{"mpeg4", 0, 0, 0};
    CompressorSettings high{"mpeg4", 10000, 0, 0};
    ASSERT_EQ(Write("low.avi", low, 64, 48, positions, 12, Pattern::Noise), 0);
    ASSERT_EQ(Write("high.avi", high, 64, 48, positions, 12, Pattern::Noise), 0);
    EXPECT_GT(videoBytes("high.avi"), 2 * videoBytes("low.avi"));

    CompressorSettings keys{"mpeg4", -1, 4, 0};
    ASSERT_EQ(Write("keys.avi", keys, 64, 48, positions, 12), 0);
    std::vector<int64_t> keyFrames;
    for (const Packet& p : read_movie(m_folder / "keys.avi").packets)
        if (p.key) keyFrames.push_back(p.pts);
    EXPECT_EQ(keyFrames, (std::vector<int64_t>{0, 4, 8}));

    CompressorSettings thin{"mpeg4", -1, 0, 2000};
    CompressorSettings thick{"mpeg4", -1, 0, 400000};
    ASSERT_EQ(Write("thin.avi", thin, 64, 48, positions, 12, Pattern::Noise), 0);
    ASSERT_EQ(Write("thick.avi", thick, 64, 48, positions, 12, Pattern::Noise), 0);
    EXPECT_GT(videoBytes("thick.avi"), 2 * videoBytes("thin.avi"));
}

TEST_F(AviWriterTest, ACodecFFmpegLacksIsAClearFailure) {
    std::string reason;
    EXPECT_TRUE(CAVIOut::CheckCompressor({}, &reason));
    EXPECT_TRUE(CAVIOut::CheckCompressor({"mpeg4"}, &reason));
    EXPECT_FALSE(CAVIOut::CheckCompressor({"mpeg4", 10001}, &reason));
    EXPECT_EQ(reason, "the quality must lie between 0 and 10000");

    const struct {
        const char* codec;
        const char* reason;
    } cases[] = {
        {"nosuchcodec", "FFmpeg has no encoder named \"nosuchcodec\""},
        {"pcm_s16le", "\"pcm_s16le\" is not a video encoder"},
    };
    for (const auto& c : cases) {
        CAVIOut writer;
        Record(writer);
        writer.SetFileName(m_folder / "none.avi");
        writer.SetCompressor({c.codec});
        writer.Initialize();
        SetVideo(writer, 64, 48, 30, 1, 5);
        EXPECT_EQ(writer.PrepareWriter(), 1);
        EXPECT_EQ(writer.LastError(), c.reason);
        EXPECT_TRUE(Traced("AVI：VIDEO : avcodec_find_encoder_by_name ... failed."));
        EXPECT_TRUE(Traced(c.reason));
        EXPECT_EQ(writer.CloseWriter(), 0);
        writer.Finish();
        EXPECT_TRUE(Entries().empty());
    }
}

}  // namespace
