// The AVI writer's music: the format, range and chunks the control thread reads,
// and the whole music appended to an AVI file, interleaved with its frames.

#include "output/avi_out.h"
#include "output/tests/writers/writer_test.h"

using namespace writer_fixtures;

namespace {

class AviMusicTest : public WriterTest {
protected:
    std::string Wav(const std::string& name, const WavRecipe& recipe) {
        return write_file(m_folder / name, wav_file(recipe));
    }

    // Writes `frames` uncompressed 32 x 24 frames at 30 per second with the music
    // at `music` appended from sample `offset`. The result of the first call that
    // failed, else 0.
    int WriteWithMusic(const std::string& name, const std::string& music, int64_t offset,
                       int frames) {
        CAVIOut writer;
        Open(writer, m_folder / name, 32, 24, frames);
        int result = writer.PrepareWriter();
        if (result == 0) result = writer.AppendWave(music, offset);
        for (int n = 0; result == 0 && n < frames; ++n) result = Frame(writer, n, 32, 24, 1, 0);
        return Close(writer, result);
    }
};

TEST_F(AviMusicTest, PcmWavesKeepTheirFormatAndBytes) {
    const WavRecipe recipes[] = {
        {1, 8, 11025, 3000},   // unsigned bytes
        {2, 16, 44100, 4410},  // the usual
        {1, 24, 48000, 2000},  // three bytes a sample frame
        {6, 32, 96000, 500},
    };
    for (const WavRecipe& recipe : recipes) {
        SCOPED_TRACE(recipe.bits);
        CAVIOut reader;
        reader.SetFileName(Wav("music.wav", recipe));
        reader.Initialize();
        WaveFormat format;
        ASSERT_EQ(reader.GetWaveInfo(&format), 0);
        const int block = recipe.channels * recipe.bits / 8;
        EXPECT_EQ(format, (WaveFormat{kWaveFormatPcm, recipe.channels, recipe.rate,
                                      recipe.rate * block, block, recipe.bits, 0}));
        int64_t first = -1, last = -1;
        ASSERT_EQ(reader.OpenWaveInfo(&first, &last), 0);
        EXPECT_EQ(first, 0);
        EXPECT_EQ(last, recipe.frames - 1);

        // Forward, then back again (the file is read afresh). A buffer a byte short
        // of 65 sample frames takes 64 whole ones and nothing past them.
        const std::string data = wav_data(recipe);
        for (int64_t at : {int64_t{0}, int64_t{100}, recipe.frames - 10, int64_t{7}}) {
            const int64_t got = std::min<int64_t>(64, recipe.frames - at);
            std::vector<uint8_t> buffer(static_cast<size_t>(65 * block), 0xA5);
            ASSERT_EQ(reader.ReadWave(buffer.data(), 65 * block - 1, at), got);
            EXPECT_EQ(std::memcmp(buffer.data(), data.data() + at * block, got * block), 0) << at;
            EXPECT_TRUE(std::all_of(buffer.begin() + got * block, buffer.end(), [](uint8_t b) {
                return b == 0xA5;
            })) << at;
        }
        // Fewer bytes than one sample frame, at and past the end: nothing, and no
        // failure.
        std::vector<uint8_t> buffer(static_cast<size_t>(block) * 16, 0xA5);
        EXPECT_EQ(reader.ReadWave(buffer.data(), block - 1, 0), 0);
        EXPECT_EQ(buffer[0], 0xA5);
        EXPECT_EQ(reader.ReadWave(buffer.data(), block * 16, recipe.frames), 0);
        EXPECT_EQ(reader.ReadWave(buffer.data(), block * 16, recipe.frames + 1000), 0);
        EXPECT_EQ(reader.ReadWave(buffer.data(), block * 16, -1), -1);
        reader.CloseWave();
        EXPECT_EQ(reader.ReadWave(buffer.data(), block * 16, 0), -1);
        reader.Finish();
    }
}

TEST_F(AviMusicTest, CompressedMusicIsDecodedTo16BitAtItsOwnRateAndChannels) {
    const std::vector<int16_t> tone = tone_samples(2, 30000);
    const std::string path = m_folder / "music.flac";
    if (!write_flac(path, tone, 2, 32000)) GTEST_SKIP() << "no FLAC encoder";
    CAVIOut reader;
    reader.SetFileName(path);
    WaveFormat format;
    ASSERT_EQ(reader.GetWaveInfo(&format), 0);
    EXPECT_EQ(format, (WaveFormat{kWaveFormatPcm, 2, 32000, 128000, 4, 16, 0}));
    int64_t first = 0, last = 0;
    ASSERT_EQ(reader.OpenWaveInfo(&first, &last), 0);
    EXPECT_EQ(last, 29999);
    std::vector<int16_t> samples(2 * 5000);
    for (int64_t at : {int64_t{0}, int64_t{20000}, int64_t{1234}}) {
        ASSERT_EQ(reader.ReadWave(samples.data(), 5000 * 4, at), 5000);
        EXPECT_EQ(std::memcmp(samples.data(), tone.data() + 2 * at, 5000 * 4), 0) << at;
    }
    EXPECT_EQ(reader.ReadWave(samples.data(), 5000 * 4, 28000), 2000);
    EXPECT_EQ(reader.ReadWave(samples.data(), 5000 * 4, 30000), 0);

    // Appended as PCM.
    ASSERT_EQ(WriteWithMusic("flac.avi", path, 0, 4), 0);
    Movie movie = read_movie(m_folder / "flac.avi");
    ASSERT_EQ(movie.streams.size(), 2u);
    EXPECT_EQ(movie.streams[1].codec, AV_CODEC_ID_PCM_S16LE);
    std::vector<uint8_t> pcm;
    EXPECT_EQ(decode_samples(m_folder / "flac.avi", &pcm), 30000);
    EXPECT_EQ(std::memcmp(pcm.data(), tone.data(), pcm.size()), 0);
}

TEST_F(AviMusicTest, FilesThatHoldNoMusicAreRefused) {
    CAVIOut reader;
    Record(reader);
    reader.SetFileName(write_file(m_folder / "notes.txt", "no music here\n"));
    WaveFormat format;
    EXPECT_EQ(reader.GetWaveInfo(&format), 1);
    int64_t first = 0, last = 0;
    EXPECT_EQ(reader.OpenWaveInfo(&first, &last), 1);
    reader.SetFileName(m_folder / "missing.wav");
    EXPECT_EQ(reader.GetWaveInfo(&format), 1);
    EXPECT_TRUE(Traced("AVI : AUDIO : GetWaveInfo"));
    EXPECT_TRUE(Traced("+ avformat_open_input \"" + (m_folder / "missing.wav") + "\" ... failed."));
    EXPECT_EQ(reader.LastError(), "No such file or directory");
}

// One second of music under 20 frames (two thirds of a second): the rest of the
// music follows the last frame. 8-bit mono stays unsigned bytes, music shorter than
// the offset makes an empty music stream, and a wave cut short ends where its data
// ends instead of being read on for ever.
TEST_F(AviMusicTest, TheWholeMusicIsAppendedFromItsOffsetInterleavedWithTheFrames) {
    const struct {
        WavRecipe recipe;
        int64_t offset;
        int frames;
        AVCodecID codec;
    } cases[] = {
        {{2, 16, 44100, 44100}, 4410, 20, AV_CODEC_ID_PCM_S16LE},
        {{1, 8, 8000, 2000}, 0, 5, AV_CODEC_ID_PCM_U8},
        {{1, 8, 8000, 2000}, 5000, 5, AV_CODEC_ID_PCM_U8},
        // The header claims 1000 sample frames; the file holds 600.
        {{2, 16, 8000, 600, 1000}, 100, 3, AV_CODEC_ID_PCM_S16LE},
    };
    for (const auto& c : cases) {
        const std::string name = "music" + std::to_string(c.offset) + ".avi";
        SCOPED_TRACE(name);
        ASSERT_EQ(WriteWithMusic(name, Wav("music.wav", c.recipe), c.offset, c.frames), 0);
        Movie movie = read_movie(m_folder / name);
        ASSERT_EQ(movie.streams.size(), 2u);
        EXPECT_EQ(movie.streams[0].type, AVMEDIA_TYPE_VIDEO);
        EXPECT_EQ(movie.Count(0), static_cast<size_t>(c.frames));
        const Stream& audio = movie.streams[1];
        EXPECT_EQ(audio.codec, c.codec);
        EXPECT_EQ(audio.channels, c.recipe.channels);
        EXPECT_EQ(audio.sampleRate, c.recipe.rate);
        const int64_t block = c.recipe.channels * c.recipe.bits / 8;
        const std::string data = wav_data(c.recipe);
        std::vector<uint8_t> pcm;
        decode_samples(m_folder / name, &pcm);
        EXPECT_EQ(std::string(pcm.begin(), pcm.end()),
                  data.substr(std::min<size_t>(data.size(), c.offset * block)));

        // In file order, the music before video frame k reaches at least to frame
        // k - 1: a player streams it without reading ahead.
        int64_t audioSamples = 0;
        for (const Packet& p : movie.packets) {
            if (p.stream == 1) audioSamples += static_cast<int64_t>(p.data.size()) / block;
            if (p.stream == 0 && p.pts > 0 && !pcm.empty()) {
                EXPECT_GE(audioSamples * 30, (p.pts - 1) * c.recipe.rate) << p.pts;
            }
        }
    }
}

TEST_F(AviMusicTest, MusicIsAppendedOnlyBeforeTheFirstFrame) {
    const std::string path = Wav("music.wav", {});
    CAVIOut writer;
    Open(writer, m_folder / "late.avi", 32, 24, 2);
    EXPECT_EQ(writer.AppendWave(path, 0), 1);  // no file yet
    ASSERT_EQ(writer.PrepareWriter(), 0);
    EXPECT_EQ(writer.AppendWave(path, -1), 1);
    EXPECT_EQ(writer.AppendWave(m_folder / "missing.wav", 0), 1);
    ASSERT_EQ(Frame(writer, 0, 32, 24, 1, 0), 0);
    EXPECT_EQ(writer.AppendWave(path, 0), 1);
    EXPECT_EQ(Close(writer, 0), 0);
    EXPECT_EQ(read_movie(m_folder / "late.avi").streams.size(), 1u);
}

}  // namespace
