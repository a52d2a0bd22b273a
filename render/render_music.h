#pragma once
// The music of a creation: its loudness for every frame (the level track that
// music-linked inputs follow), and, for the formats that take music frame by frame,
// one chunk of PCM per written frame, kept in step with the picture.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "output/avi_out.h"
#include "scene/render_context.h"

class CMovieOut;

class RenderMusic {
public:
    // Reads the music at `path` through `reader` (a writer object used only for its
    // music operations). The level track covers frames 0 ... endFrame - 1; chunks
    // start at startFrame. 0, or -1 (the audio outcome).
    int Prepare(CAVIOut* reader, const std::string& path, int32_t frameRate, int32_t scale,
                int32_t startFrame, int32_t endFrame, int32_t mainFrames);
    // Writes the music of one written frame whose picture starts at `time` (100 ns
    // units), `step` chunks of one source frame each. 0, or -1 (the audio outcome).
    int WriteFrame(CMovieOut* writer, int64_t time, int32_t step);

    bool Prepared() const { return m_prepared; }
    int32_t Channels() const { return m_format.channels; }
    int32_t BitsPerSample() const { return m_format.bitsPerSample; }
    int32_t SampleRate() const { return m_format.samplesPerSec; }
    int32_t BufferSize() const { return m_bufferSize; }
    const AudioLevelTrack* LevelTrack() const { return m_prepared ? &m_levels : nullptr; }

    // The level track of `reader`'s open music: one level 0 ... 100 per frame.
    static int BuildLevelTrack(CAVIOut* reader, const WaveFormat& format, int32_t frameRate,
                               int32_t frames, AudioLevelTrack* levels);

private:
    CAVIOut* m_reader = nullptr;
    WaveFormat m_format;
    int32_t m_frameRate = 0;
    int32_t m_scale = 0;
    int64_t m_waveStart = 0;
    int64_t m_waveEnd = 0;
    int64_t m_readPosition = 0;  // next sample frame
    int64_t m_chunkBytes = 0;    // bytes per written frame, adjusted as the music drifts
    int32_t m_bufferSize = 0;
    std::vector<uint8_t> m_buffer;
    AudioLevelTrack m_levels;
    bool m_prepared = false;
};
