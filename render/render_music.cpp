// The music of a creation: the level track and the chunks written frame by frame.

#include "render/render_music.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/report.h"
#include "output/movie_out.h"

namespace {

// The loudness of one sample frame's first channel, in the level track's units:
// 8-bit samples are unsigned around 128; deeper ones are read by their top two
// bytes as a signed 16-bit value (the sum is divided by 256 at the end, as for
// 16-bit music).
int64_t first_channel_level(const uint8_t* frame, int32_t bits) {
    if (bits == 8) return std::abs(int{frame[0]} - 128);
    const int32_t bytes = bits / 8;
    const int16_t top =
        static_cast<int16_t>(frame[bytes - 2] | static_cast<uint16_t>(frame[bytes - 1]) << 8);
    return std::abs(int32_t{top});
}

}  // namespace

int RenderMusic::BuildLevelTrack(CAVIOut* reader, const WaveFormat& format, int32_t frameRate,
                                 int32_t frames, AudioLevelTrack* levels) {
    int64_t first = 0, last = 0;
    if (reader->OpenWaveInfo(&first, &last) != 0) return -1;
    const int64_t rate = format.samplesPerSec;
    const int32_t block = format.channels * format.bitsPerSample / 8;
    // One level covers 1 / frame rate seconds of music.
    const int64_t bytes = rate * format.channels * format.bitsPerSample / 8 / frameRate;
    if (block <= 0 || bytes < 0 || bytes > (int64_t{1} << 28) || frames < 0) {
        reader->CloseWave();
        return -1;
    }
    std::vector<uint8_t> buffer(static_cast<size_t>(bytes));
    std::vector<double> sums(static_cast<size_t>(frames), 0.0);
    for (int32_t i = 0; i < frames; ++i) {
        std::fill(buffer.begin(), buffer.end(), uint8_t{0});
        // A read at or past the end of the music gives no samples: silence.
        const int64_t read =
            reader->ReadWave(buffer.data(), bytes, int64_t{i} * rate / frameRate + first);
        double sum = 0;
        for (int64_t k = 0; k < read && (k + 1) * block <= bytes; ++k) {
            sum += static_cast<double>(
                first_channel_level(buffer.data() + k * block, format.bitsPerSample));
        }
        if (format.bitsPerSample != 8) sum /= 256.0;
        sums[static_cast<size_t>(i)] = sum;
    }
    reader->CloseWave();

    const double loudest = sums.empty() ? 0.0 : *std::max_element(sums.begin(), sums.end());
    for (double& level : sums) level = loudest > 0 ? 100.0 * level / loudest : 0.0;
    // Smoothed once from 15 frames a second on, twice from 30 on.
    const int passes = frameRate >= 30 ? 2 : frameRate >= 15 ? 1 : 0;
    for (int pass = 0; pass < passes && sums.size() > 2; ++pass) {
        std::vector<double> before = sums;
        for (size_t i = 1; i + 1 < sums.size(); ++i) {
            sums[i] = (before[i - 1] + before[i] + before[i + 1]) / 3.0;
        }
    }
    levels->resize(sums.size());
    for (size_t i = 0; i < sums.size(); ++i) {
        (*levels)[i] = std::clamp(static_cast<int32_t>(sums[i]), 0, 100);
    }
    return 0;
}

int RenderMusic::Prepare(CAVIOut* reader, const std::string& path, int32_t frameRate, int32_t scale,
                         int32_t startFrame, int32_t endFrame, int32_t mainFrames) {
    m_reader = reader;
    m_frameRate = frameRate;
    m_scale = scale;
    reader->SetFileName(path);
    if (reader->GetWaveInfo(&m_format) != 0) return -1;
    if (BuildLevelTrack(reader, m_format, frameRate, endFrame, &m_levels) != 0) return -1;
    if (reader->OpenWaveInfo(&m_waveStart, &m_waveEnd) != 0) return -1;
    const int64_t rate = m_format.samplesPerSec;
    m_readPosition = int64_t{startFrame} * rate * scale / frameRate + m_waveStart;
    m_chunkBytes = rate * m_format.channels * (m_format.bitsPerSample / 8) * scale / frameRate;
    if (m_chunkBytes <= 0 || 2 * m_chunkBytes > INT32_MAX) return -1;
    m_bufferSize = static_cast<int32_t>(2 * m_chunkBytes);
    m_buffer.assign(static_cast<size_t>(m_bufferSize), 0);

    Report("+ Audio buffer size = %d * 2.", static_cast<int32_t>(m_chunkBytes));
    Report("+ Start : %lld, End : %lld, Time : %.1f.", static_cast<long long>(m_waveStart),
           static_cast<long long>(m_waveEnd),
           static_cast<double>(m_waveEnd - m_waveStart) / static_cast<double>(rate));
    Report("+ wFormatTag = %d.", m_format.formatTag);
    Report("+ nChannels = %d.", m_format.channels);
    Report("+ nSamplesPerSec = %d.", m_format.samplesPerSec);
    Report("+ nAvgBytesPerSec = %d.", m_format.avgBytesPerSec);
    Report("+ nBlockAlign = %d.", m_format.blockAlign);
    Report("+ wBitsPerSample = %d.", m_format.bitsPerSample);
    Report("+ cbSize = %d.", m_format.cbSize);
    Report("+ VIDEO = %.1f.", static_cast<double>(mainFrames) * scale / frameRate);
    m_prepared = true;
    return 0;
}

int RenderMusic::WriteFrame(CMovieOut* writer, int64_t time, int32_t step) {
    const int64_t block = m_format.channels * m_format.bitsPerSample / 8;
    const int64_t rate = m_format.samplesPerSec;
    for (int32_t r = 0; r < step; ++r) {
        // In preview each written frame stands for `step` frames: every chunk is
        // kept in step with the time of the frame it belongs to.
        const int64_t due = time + int64_t{r} * m_scale * 10000000 / m_frameRate;
        const int64_t at = m_readPosition * 10000000 / rate;
        // The chunk grows by one sample frame while the music lags the picture and
        // shrinks while it leads.
        if (at < due) m_chunkBytes += block;
        if (at > due) m_chunkBytes -= block;
        if (m_chunkBytes > m_bufferSize || m_chunkBytes < block) return -1;
        std::fill(m_buffer.begin(), m_buffer.end(), uint8_t{0});
        // Past the end of the music the chunk is silence.
        const int64_t read = m_reader->ReadWave(m_buffer.data(), m_chunkBytes, m_readPosition);
        if (read < 0) return -1;
        if (m_format.bitsPerSample == 8) {
            std::memset(m_buffer.data() + read * block, 128,
                        static_cast<size_t>(m_chunkBytes - read * block));
        }
        Trace(
            "+ AUDIO : movie_read_wave : OFFSET = %lld, LENGTH = %lld, BUFFSIZE = %lld ... "
            "successed.",
            static_cast<long long>(m_readPosition), static_cast<long long>(read),
            static_cast<long long>(m_chunkBytes));
        if (writer->DoAudioWriter(m_buffer.data(), static_cast<int32_t>(m_chunkBytes), at) != 0) {
            return -1;
        }
        m_readPosition += m_chunkBytes / block;
    }
    return 0;
}
