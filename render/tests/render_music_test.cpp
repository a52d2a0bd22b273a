// The music of a creation: the level track, the chunks cut for the formats that
// take music frame by frame, and the music in the written files.

#include <cmath>

#include "render/render_music.h"
#include "render/tests/render_fixture.h"

using writer_fixtures::decode_samples;
using writer_fixtures::read_movie;
using writer_fixtures::WavRecipe;

namespace {

// A mono 16-bit WAV whose frame i (of `rate` / fps samples) alternates between
// +amplitude(i) and -amplitude(i).
std::string envelope_wav(int rate, int fps, const std::vector<int>& amplitudes) {
    std::string data;
    const int perFrame = rate / fps;
    for (int amplitude : amplitudes) {
        for (int k = 0; k < perFrame; ++k) {
            const int v = k % 2 ? -amplitude : amplitude;
            const auto word = static_cast<uint16_t>(v);
            data += static_cast<char>(word & 0xff), data += static_cast<char>(word >> 8);
        }
    }
    WavRecipe recipe{1, 16, rate, static_cast<int64_t>(data.size() / 2)};
    std::string file = writer_fixtures::wav_file(recipe);
    return file.substr(0, file.size() - data.size()) + data;
}

// A WAV of silence in the recipe's format (128 for 8-bit samples).
std::string silent_wav(const WavRecipe& recipe) {
    std::string file = writer_fixtures::wav_file(recipe);
    const size_t bytes = static_cast<size_t>(recipe.frames * recipe.channels * (recipe.bits / 8));
    std::fill(file.end() - static_cast<std::ptrdiff_t>(bytes), file.end(),
              recipe.bits == 8 ? char(128) : char(0));
    return file;
}

std::vector<int32_t> level_track(const std::string& path, int32_t fps, int32_t frames) {
    CAVIOut reader;
    reader.Initialize();
    reader.SetFileName(path);
    WaveFormat format;
    AudioLevelTrack levels;
    if (reader.GetWaveInfo(&format) != 0 ||
        RenderMusic::BuildLevelTrack(&reader, format, fps, frames, &levels) != 0) {
        return {-1};
    }
    reader.Finish();
    return std::vector<int32_t>(levels.begin(), levels.end());
}

// 110 frames at 30 fps (or 30000 / 1001), every frame different, with the music
// "tune.wav".
std::string music_scenario(const std::string& header) {
    return "SCREEN 64 48\n" + header +
           "AUDIO \"tune.wav\"\n"
           "DRAW \"箱\" { SIZE 64 48 COLOR 255 255 255 255 RECT { POINT 0 0 POINT 63 47 FILL } }\n"
           "STILL \"長\" { INPUT \"箱\" FRAMES 110 }\n"
           "FADEIN \"明\" { INPUT \"長\" FRAMES 110 }\nMAIN { INPUT \"明\" }\n";
}

}  // namespace

TEST_F(RenderTest, LevelTrackFollowsTheLoudnessOfTheFirstChannel) {
    // Ten frames getting louder at 10 fps (no smoothing), then two past the music.
    std::vector<int> ramp;
    for (int i = 1; i <= 10; ++i) ramp.push_back(1000 * i);
    const std::string rampPath = m_folder.Write("ramp.wav", envelope_wav(8000, 10, ramp));
    EXPECT_EQ(level_track(rampPath, 10, 12),
              (std::vector<int32_t>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 0, 0}));

    // One loud frame at 30 fps: smoothed twice, 1/9, 2/9, 3/9, 2/9, 1/9 of it.
    std::vector<int> pulse(11, 0);
    pulse[5] = 20000;
    const std::string pulsePath = m_folder.Write("pulse.wav", envelope_wav(44100, 30, pulse));
    EXPECT_EQ(level_track(pulsePath, 30, 11),
              (std::vector<int32_t>{0, 0, 0, 11, 22, 33, 22, 11, 0, 0, 0}));
    // At 24 fps (smoothed once) frame 4 covers the whole pulse: a third of it on
    // frames 3, 4 and 5.
    EXPECT_EQ(level_track(pulsePath, 24, 8), (std::vector<int32_t>{0, 0, 0, 33, 33, 33, 0, 0}));

    // Silence is 0 in every sample format, also past the end of the music.
    for (int bits : {8, 16, 24}) {
        SCOPED_TRACE(bits);
        const std::string path = m_folder.Write("silent.wav", silent_wav({2, bits, 22050, 22050}));
        EXPECT_EQ(level_track(path, 30, 40), std::vector<int32_t>(40, 0));
    }
}

TEST_F(RenderTest, MusicIsCutIntoOneChunkPerFrameKeptInStepWithThePicture) {
    // 44.1 kHz 16-bit stereo at 30 fps: chunks of 5880 bytes, 1470 sample frames.
    m_folder.Write("tune.wav", writer_fixtures::wav_file({2, 16, 44100, 44100 * 5}));
    ASSERT_TRUE(Load(music_scenario("FRAMERATE 30\n")));
    ASSERT_EQ(Render(kFormatQuickTime, "tune.mov", 2), kOutcomeDone) << m_reason;
    EXPECT_TRUE(m_status.Has("+ Audio buffer size = 5880 * 2.")) << m_status.Starting("+ Audio")[0];
    EXPECT_TRUE(m_status.Has("+ VIDEO = 3.7."));
    auto movie = read_movie(m_folder / "tune.mov");
    ASSERT_EQ(movie.streams.size(), 2u);
    EXPECT_EQ(movie.streams[1].codec, AV_CODEC_ID_PCM_S16LE);
    EXPECT_EQ(decode_samples(m_folder / "tune.mov"), 110 * 1470);

    // Music shorter than the video: silence after it, not a failure.
    m_folder.Write("tune.wav", writer_fixtures::wav_file({2, 16, 44100, 44100}));
    ASSERT_TRUE(Load(music_scenario("FRAMERATE 30\n")));
    ASSERT_EQ(Render(kFormatQuickTime, "short.mov", 1), kOutcomeDone) << m_reason;
    std::vector<uint8_t> pcm;
    EXPECT_EQ(decode_samples(m_folder / "short.mov", &pcm), 110 * 1470);
    ASSERT_EQ(pcm.size(), 110u * 1470 * 4);
    EXPECT_TRUE(std::all_of(pcm.begin() + 44100 * 4, pcm.end(), [](uint8_t b) { return b == 0; }));

    // 48 kHz at 30000 / 1001 fps in preview (4 chunks per written frame): 1601.6
    // sample frames a frame, the chunks alternate so that the music stays with
    // the picture over the whole preview.
    m_folder.Write("tune.wav", writer_fixtures::wav_file({2, 16, 48000, 48000 * 5}));
    ASSERT_TRUE(Load(music_scenario("FRAMERATE 30000\nSCALE 1001\nPREVIEWSCALE 4\n")));
    m_scenario->SetRenderMode(2);
    ASSERT_EQ(Render(kFormatQuickTime, "preview.mov", 2), kOutcomeDone) << m_reason;
    const int64_t samples = decode_samples(m_folder / "preview.mov");
    EXPECT_LE(std::llabs(samples - int64_t{108} * 48000 * 1001 / 30000), 2) << samples;
}

TEST_F(RenderTest, EveryFormatCarriesTheMusic) {
    m_folder.Write("tune.wav", writer_fixtures::wav_file({2, 16, 44100, 44100 * 5}));
    ASSERT_TRUE(Load(music_scenario("FRAMERATE 30\nSTARTFRAME 30\n")));

    // AVI: the whole music from the start frame's sample on, as PCM.
    ASSERT_EQ(Render(kFormatAvi, "tune.avi", 2), kOutcomeDone) << m_reason;
    auto movie = read_movie(m_folder / "tune.avi");
    ASSERT_EQ(movie.streams.size(), 2u);
    EXPECT_EQ(movie.Count(0), 81u);  // frames 30 ... 109 and the last again
    EXPECT_EQ(movie.streams[1].codec, AV_CODEC_ID_PCM_S16LE);
    EXPECT_EQ(decode_samples(m_folder / "tune.avi"), 44100 * 4);

    // Windows Media: the music first, wmav2 and wmv2 at the chosen rates.
    m_chooser.windowsMedia = {1000000, 128000};
    ASSERT_EQ(Render(kFormatWindowsMedia, "tune.wmv", 2), kOutcomeDone) << m_reason;
    movie = read_movie(m_folder / "tune.wmv");
    ASSERT_EQ(movie.streams.size(), 2u);
    EXPECT_EQ(movie.format, "asf");
    const writer_fixtures::Stream& music = movie.streams[0];
    EXPECT_EQ(music.codec, AV_CODEC_ID_WMAV2);
    EXPECT_EQ(music.bitRate, 128000);
    EXPECT_EQ(music.channels, 2);
    EXPECT_EQ(music.sampleRate, 44100);
    EXPECT_EQ(movie.streams[1].codec, AV_CODEC_ID_WMV2);
    EXPECT_EQ(movie.Count(1), 81u);
    // The encoder's frames of 2048 samples cover the 80 chunks of 1470 (the last
    // picture's extra frame has none).
    const int64_t samples = decode_samples(m_folder / "tune.wmv");
    EXPECT_GE(samples, 80 * 1470);
    EXPECT_LT(samples, 80 * 1470 + 3 * 2048);
}
