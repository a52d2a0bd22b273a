// The AVI writer's video: uncompressed bitmaps stored as they lie in memory,
// skipped positions filled, FFmpeg encoders chosen by name with their settings.

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
        writer.SetCompressor(settings);
        writer.SetSkipsPositions(skips);
        Open(writer, m_folder / name, width, height, count);
        int result = writer.PrepareWriter();
        for (size_t i = 0; result == 0 && i < positions.size(); ++i)
            result = Frame(writer, positions[i], width, height, 1,
                           int64_t{positions[i]} * 10000000 / 30, pattern);
        return Close(writer, result);
    }
};

TEST_F(AviWriterTest, UncompressedFramesAreTheBitmapsAsTheyLieInMemory) {
    // 30 pixels: 90 bytes a row, stored as 92.
    ASSERT_EQ(Write("out.avi", {}, 30, 20, {0, 1, 2, 3, 4}, 5), 0);
    EXPECT_EQ(Entries(), std::vector<std::string>{"out.avi"});
    EXPECT_TRUE(m_errors.empty());

    // The packets are the memory rows; the header tells their form (the decoded frames
    // of a whole creation are compared in render_order_test).
    Movie movie = read_movie(m_folder / "out.avi");
    EXPECT_EQ(movie.format, "avi");
    ASSERT_EQ(movie.streams.size(), 1u);
    const Stream& video = movie.streams[0];
    EXPECT_EQ(video.tag, 0u);
    EXPECT_EQ(av_cmp_q(video.timeBase, AVRational{1, 30}), 0);
    EXPECT_EQ(video.frames, 5);
    EXPECT_EQ(video.duration, 5);
    // A positive bitmap height (bottom-up rows): FFmpeg's reader marks it so.
    ASSERT_GE(video.extradata.size(), 9u);
    EXPECT_EQ(std::string(video.extradata.end() - 9, video.extradata.end()),
              std::string("BottomUp", 9));
    ASSERT_EQ(movie.packets.size(), 5u);
    for (int n = 0; n < 5; ++n) {
        ImagePtr frame = make_frame(n, 30, 20);
        const Packet& packet = movie.packets[static_cast<size_t>(n)];
        EXPECT_EQ(packet.pts, n);
        EXPECT_TRUE(packet.key);
        ASSERT_EQ(packet.data.size(), 92u * 20);
        EXPECT_EQ(std::memcmp(packet.data.data(), frame->pixels, 92 * 20), 0) << "frame " << n;
    }
}

TEST_F(AviWriterTest, SkippedPositionsShowThePreviousFrame) {
    // Positions 1, 2 and 5 are skipped; 6 is the extra frame after the last. The same
    // through an encoder.
    for (const char* codec : {"rawvideo", "ffv1"}) {
        const std::string name = std::string(codec) + ".avi";
        ASSERT_EQ(Write(name, {codec}, 64, 48, {0, 3, 4, 6}, 6), 0);
        ExpectFrames(name, 64, 48, {0, 0, 0, 3, 4, 4, 6});
        EXPECT_EQ(read_movie(m_folder / name).streams[0].frames, 7);
    }

    // Without skipped positions the writer keeps no copy of an uncompressed frame:
    // the rows go into the file from the image itself.
    ASSERT_EQ(Write("kept.avi", {}, 30, 20, {0, 1, 2, 3}, 4), 0);
    ASSERT_EQ(Write("straight.avi", {}, 30, 20, {0, 1, 2, 3}, 4, Pattern::Gradient, false), 0);
    EXPECT_EQ(read_bytes(m_folder / "straight.avi"), read_bytes(m_folder / "kept.avi"));
    // A first frame at a later position still fills the positions before it.
    ASSERT_EQ(Write("late.avi", {}, 30, 20, {2, 3}, 4, Pattern::Gradient, false), 0);
    ExpectFrames("late.avi", 30, 20, {2, 2, 2, 3});
    // A later gap has no frame to repeat: a clear failure, and no file.
    EXPECT_NE(Write("gap.avi", {}, 30, 20, {0, 2}, 3, Pattern::Gradient, false), 0);
    EXPECT_FALSE(std::filesystem::exists(m_folder / "gap.avi"));
    EXPECT_FALSE(m_errors.empty());
}

TEST_F(AviWriterTest, APositionOutOfOrderFailsAndLeavesNoFile) {
    // Back by one, and past the frame after the last.
    for (const std::vector<int>& positions : {std::vector<int>{0, 1, 3, 2}, {0, 7}}) {
        m_errors.clear();
        EXPECT_EQ(Write("back.avi", {}, 64, 48, positions, 5), 1);
        ASSERT_EQ(m_errors.size(), 1u);
        EXPECT_EQ(
            m_errors[0].rfind("フレーム番号 " + std::to_string(positions.back()) +
                                  " の AVIファイルへの書き込みにおいてエラーが発生しました。\n",
                              0),
            0u)
            << m_errors[0];
        EXPECT_TRUE(Entries().empty());
    }
}

TEST_F(AviWriterTest, AnyFFmpegVideoEncoderByName) {
    const struct {
        const char* codec;
        AVCodecID id;
        bool lossless;
    } cases[] = {
        {"mjpeg", AV_CODEC_ID_MJPEG, false},    {"mpeg4", AV_CODEC_ID_MPEG4, false},
        {"libx264", AV_CODEC_ID_H264, false},   {"ffv1", AV_CODEC_ID_FFV1, true},
        {"huffyuv", AV_CODEC_ID_HUFFYUV, true}, {"utvideo", AV_CODEC_ID_UTVIDEO, true},
    };
    for (const auto& c : cases) {
        if (!avcodec_find_encoder_by_name(c.codec)) continue;
        SCOPED_TRACE(c.codec);
        const std::string name = std::string(c.codec) + ".avi";
        const Pattern pattern = c.lossless ? Pattern::Gradient : Pattern::Flat;
        ASSERT_EQ(Write(name, {c.codec}, 64, 48, {0, 1, 2, 3, 4, 5, 6, 7}, 8, pattern), 0);
        Movie movie = read_movie(m_folder / name);
        ASSERT_EQ(movie.streams.size(), 1u);
        EXPECT_EQ(movie.streams[0].codec, c.id);
        EXPECT_EQ(movie.streams[0].frames, 8);
        // Lossy: the frame's own flat colour, within a few levels.
        ExpectFrames(name, 64, 48, {0, 1, 2, 3, 4, 5, 6, 7}, pattern, c.lossless ? 0 : 6);
    }
}

TEST_F(AviWriterTest, QualityKeyFramesAndDataRateReachTheEncoder) {
    const std::vector<int> positions{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    // The bytes of the video written with the settings.
    auto videoBytes = [&](const std::string& name, const CompressorSettings& settings) {
        EXPECT_EQ(Write(name, settings, 64, 48, positions, 12, Pattern::Noise), 0);
        return read_movie(m_folder / name).Bytes();
    };
    EXPECT_GT(videoBytes("high.avi", {"mpeg4", 10000, 0, 0}),
              2 * videoBytes("low.avi", {"mpeg4", 0, 0, 0}));
    EXPECT_GT(videoBytes("thick.avi", {"mpeg4", -1, 0, 400000}),
              2 * videoBytes("thin.avi", {"mpeg4", -1, 0, 2000}));

    ASSERT_EQ(Write("keys.avi", {"mpeg4", -1, 4, 0}, 64, 48, positions, 12), 0);
    std::vector<int64_t> keyFrames;
    for (const Packet& p : read_movie(m_folder / "keys.avi").packets)
        if (p.key) keyFrames.push_back(p.pts);
    EXPECT_EQ(keyFrames, (std::vector<int64_t>{0, 4, 8}));
}

TEST_F(AviWriterTest, ACodecFFmpegLacksIsAClearFailure) {
    std::string reason;
    EXPECT_TRUE(CAVIOut::CheckCompressor({}, &reason));
    EXPECT_TRUE(CAVIOut::CheckCompressor({"mpeg4"}, &reason));
    EXPECT_FALSE(CAVIOut::CheckCompressor({"mpeg4", 10001}, &reason));
    EXPECT_EQ(reason, "the quality must lie between 0 and 10000");

    // An unknown name is refused through the command line's own test; an encoder
    // of another kind is refused the same way.
    const std::string why = "\"pcm_s16le\" is not a video encoder";
    CAVIOut writer;
    writer.SetCompressor({"pcm_s16le"});
    Open(writer, m_folder / "none.avi", 64, 48, 5);
    EXPECT_EQ(writer.PrepareWriter(), 1);
    EXPECT_EQ(writer.LastError(), why);
    EXPECT_TRUE(Traced(why));
    EXPECT_EQ(Close(writer, 0), 0);
    EXPECT_TRUE(Entries().empty());
}

}  // namespace
