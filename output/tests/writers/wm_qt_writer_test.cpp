// The Windows Media and QuickTime writers: streams, codecs, times and music as the
// control thread hands them over, read back through FFmpeg.

#include "output/encoder_probe.h"
#include "output/qt_out.h"
#include "output/tests/writers/writer_test.h"
#include "output/wm_out.h"

using namespace writer_fixtures;

namespace {

constexpr int64_t kSecond = 10000000;  // 100 ns units

class MovieWriterTest : public WriterTest {
protected:
    // Feeds `frames` frames of 64 x 48 (and with music, `chunkBytes` of `data` per
    // frame) the way the control thread does: frame n at n x step / 30 s, key flag 1
    // on frame 0. The result of the first call that failed, else 0.
    int Feed(CMovieOut& writer, int frames, int step, Pattern pattern = Pattern::Flat,
             const std::string& data = "", int chunkBytes = 0, int block = 0, int sampleRate = 0) {
        int result = writer.PrepareWriter();
        int64_t read = 0;
        for (int n = 0; result == 0 && n < frames; ++n) {
            result =
                Frame(writer, n, 64, 48, n == 0 ? 1 : 0, int64_t{n} * step * kSecond / 30, pattern);
            if (result == 0 && chunkBytes > 0) {
                std::string chunk(static_cast<size_t>(chunkBytes), '\0');
                const size_t at = static_cast<size_t>(read * block);
                if (at < data.size()) data.copy(chunk.data(), chunk.size(), at);
                result = writer.DoAudioWriter(reinterpret_cast<const uint8_t*>(chunk.data()),
                                              chunkBytes, read * kSecond / sampleRate);
                read += chunkBytes / block;
            }
        }
        return Close(writer, result);
    }
};

TEST_F(MovieWriterTest, TheEncoderWordAndTheQuickTimeProbe) {
    EXPECT_EQ(probe_encoders(),
              kEncoderWindowsMediaVideo | kEncoderMpeg4Video | kEncoderWindowsMediaAudio);
    EXPECT_TRUE(quicktime_available());
    CQTOut probe;
    Record(probe);
    EXPECT_EQ(probe.EnableTest(), 0);
    EXPECT_TRUE(Traced("+ QuickTime initialization test ... successed"));
}

TEST_F(MovieWriterTest, WindowsMediaVideoAtItsTimesAndBitRate) {
    CWMOut writer;
    Open(writer, m_folder / "out.wmv", 64, 48, 10, 30, 1, WindowsMediaSettings{}.videoBitrate);
    ASSERT_EQ(Feed(writer, 10, 1), 0);
    EXPECT_EQ(Entries(), std::vector<std::string>{"out.wmv"});

    Movie movie = read_movie(m_folder / "out.wmv");
    ASSERT_EQ(movie.streams.size(), 1u);
    EXPECT_EQ(movie.streams[0].codec, AV_CODEC_ID_WMV2);
    ASSERT_EQ(movie.packets.size(), 10u);
    // Milliseconds from the first frame.
    for (size_t n = 0; n < 10; ++n) {
        EXPECT_NEAR(movie.packets[n].pts - movie.packets[0].pts, static_cast<double>(n) * 1000 / 30,
                    1.0);
    }
    EXPECT_TRUE(movie.packets[0].key);
    ExpectFrames("out.wmv", 64, 48, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, Pattern::Flat, 8);
}

TEST_F(MovieWriterTest, WindowsMediaRefusesWhatItCannotEncode) {
    // Music faster than the 48 kHz the wmav2 encoder takes (a video bit rate of 0
    // is refused through the command line's own test).
    CWMOut writer;
    Open(writer, m_folder / "refused.wmv", 64, 48, 10, 30, 1, 524288,
         {2, 16, 12800, 96000, 196608});
    EXPECT_EQ(writer.PrepareWriter(), 1);
    EXPECT_TRUE(Traced("+ Find codec ... failed."));
    EXPECT_FALSE(writer.LastError().empty());
    EXPECT_EQ(writer.CloseWriter(), 0);
    EXPECT_TRUE(Entries().empty());
}

TEST_F(MovieWriterTest, WindowsMediaBitRateRulesTheSize) {
    auto size = [&](const std::string& name, uint32_t bitrate) {
        CWMOut writer;
        Open(writer, m_folder / name, 64, 48, 30, 30, 1, bitrate);
        EXPECT_EQ(Feed(writer, 30, 1, Pattern::Noise), 0);
        return read_movie(m_folder / name).Bytes();
    };
    EXPECT_GT(size("thick.wmv", 8388608), 2 * size("thin.wmv", 262144));
}

TEST_F(MovieWriterTest, QuickTimeFramesAreSamplesOfScaleUnits) {
    CQTOut writer;
    // Preview step 4: each frame lasts 4 units of a 30-unit second.
    Open(writer, m_folder / "out.mov", 64, 48, 6, 30, 4);
    ASSERT_EQ(Feed(writer, 6, 4), 0);
    Movie movie = read_movie(m_folder / "out.mov");
    ASSERT_EQ(movie.streams.size(), 1u);
    const Stream& video = movie.streams[0];
    EXPECT_EQ(video.codec, AV_CODEC_ID_MPEG4);
    EXPECT_EQ(video.tag, MKTAG('m', 'p', '4', 'v'));
    EXPECT_EQ(av_cmp_q(video.timeBase, AVRational{1, 30}), 0);
    EXPECT_EQ(video.frames, 6);
    EXPECT_EQ(video.duration, 24);
    ASSERT_EQ(movie.packets.size(), 6u);
    for (size_t n = 0; n < 6; ++n) {
        EXPECT_EQ(movie.packets[n].pts, static_cast<int64_t>(4 * n));
        EXPECT_EQ(movie.packets[n].duration, 4);
        EXPECT_TRUE(movie.packets[n].key);
    }
    ExpectFrames("out.mov", 64, 48, {0, 1, 2, 3, 4, 5}, Pattern::Flat, 4);
}

// Music as 16-bit sowt samples of the chunks: 8-bit mono is widened, and 96 kHz
// has no 16.16 rate to overflow.
TEST_F(MovieWriterTest, QuickTimeMusicIsSowtSamplesOfTheChunks) {
    const WavRecipe recipes[] = {
        {2, 16, 44100, 6 * 1470}, {1, 8, 8000, 6 * 266}, {2, 16, 96000, 6 * 3200}};
    for (const WavRecipe& recipe : recipes) {
        SCOPED_TRACE(recipe.rate);
        const std::string name = "music" + std::to_string(recipe.rate) + ".mov";
        const int block = recipe.channels * recipe.bits / 8;
        const int chunk = static_cast<int>(recipe.frames / 6) * block;
        const std::string data = wav_data(recipe);
        CQTOut writer;
        Open(writer, m_folder / name, 64, 48, 6, 30, 1, 0,
             {recipe.channels, recipe.bits, 2 * chunk, recipe.rate, 1});
        ASSERT_EQ(Feed(writer, 6, 1, Pattern::Flat, data, chunk, block, recipe.rate), 0);

        Movie movie = read_movie(m_folder / name);
        ASSERT_EQ(movie.streams.size(), 2u);
        const Stream& audio = movie.streams[1];
        EXPECT_EQ(audio.codec, AV_CODEC_ID_PCM_S16LE);
        // Above 65535 per second the muxer describes the samples as lpcm instead.
        EXPECT_EQ(audio.tag,
                  recipe.rate < 65536 ? MKTAG('s', 'o', 'w', 't') : MKTAG('l', 'p', 'c', 'm'));
        EXPECT_EQ(audio.sampleRate, recipe.rate);
        EXPECT_EQ(audio.channels, recipe.channels);
        std::string expected = data;
        if (recipe.bits == 8) {
            expected.clear();
            for (char c : data)
                expected += {'\0', static_cast<char>(static_cast<uint8_t>(c) - 128)};
        }
        std::vector<uint8_t> pcm;
        EXPECT_EQ(decode_samples(m_folder / name, &pcm), recipe.frames);
        EXPECT_EQ(std::string(pcm.begin(), pcm.end()), expected);
    }
}

}  // namespace
