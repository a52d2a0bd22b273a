// The AVI writer's music half: the music's format, range and chunks for the
// control thread, and the music appended to the AVI file being written.

extern "C" {
#include <libavutil/mathematics.h>
}

#include <algorithm>
#include <atomic>

#include "output/avi_out.h"
#include "output/movie_mux.h"

namespace {

// Bytes of music read and written at a time when appending.
constexpr int64_t kAppendChunkBytes = 4096;

// ReadWave calls, counted over the process; every 500th is logged.
std::atomic<int64_t> g_readCount{0};

}  // namespace

int CAVIOut::GetWaveInfo(WaveFormat* format) {
    CallTrace("AVI : AUDIO : GetWaveInfo");
    std::string reason;
    auto music = MusicFile::Open(m_fileName, &reason);
    if (!music) {
        CallTrace("+ avformat_open_input \"%s\" ... failed.", m_fileName.c_str());
        CallTrace("%s", reason.c_str());
        m_lastError = reason;
        return 1;
    }
    CallTrace("+ avformat_open_input \"%s\" ... successed.", m_fileName.c_str());
    if (format) *format = music->Format();
    music.reset();
    CallTrace("+ avformat_close_input ... successed.");
    return 0;
}

int CAVIOut::OpenWaveInfo(int64_t* first, int64_t* last) {
    CallTrace("AVI : AUDIO : OpenWaveInfo");
    std::string reason;
    m_music = MusicFile::Open(m_fileName, &reason);
    if (!m_music) {
        CallTrace("+ avformat_open_input \"%s\" ... failed.", m_fileName.c_str());
        CallTrace("%s", reason.c_str());
        m_lastError = reason;
        return 1;
    }
    const int64_t count = m_music->SampleCount();
    if (count < 0) {
        CallTrace("+ avcodec_receive_frame ... failed.");
        m_lastError = "the music cannot be decoded to its end";
        m_music.reset();
        return 1;
    }
    if (first) *first = 0;
    if (last) *last = count - 1;
    return 0;
}

void CAVIOut::CloseWave() {
    if (!m_music) return;
    m_music.reset();
    CallTrace("+ avformat_close_input ... successed.");
}

int64_t CAVIOut::ReadWave(void* buffer, int64_t bytes, int64_t firstSample) {
    const int64_t count = g_readCount.load();
    const bool logged = count % 500 == 0;
    if (logged) CallTrace("AVI : AUDIO : ReadWave (Count = %lld)", static_cast<long long>(count));
    const int64_t read =
        m_music ? m_music->Read(static_cast<uint8_t*>(buffer), bytes, firstSample) : -1;
    if (read < 0) {
        CallTrace("+ av_read_frame ... failed.");
        return -1;
    }
    if (logged) {
        CallTrace("+ av_read_frame ... successed.");
        CallTrace("+ avcodec_receive_frame ... successed.");
    }
    g_readCount.fetch_add(1);
    return read;
}

int CAVIOut::AppendWave(const std::string& path, int64_t sampleOffset) {
    CallTrace("AVI : AUDIO : AppendWave");
    if (!m_mux || m_mux->Failed() || m_mux->HeaderWritten() || m_append || sampleOffset < 0) {
        m_lastError = "the music can only be appended to a new AVI file, before its first frame";
        CallTrace("+ avformat_new_stream ... failed.");
        CallTrace("%s", m_lastError.c_str());
        return 1;
    }
    std::string reason;
    auto music = MusicFile::Open(path, &reason);
    if (!music) {
        CallTrace("+ avformat_open_input \"%s\" ... failed.", path.c_str());
        CallTrace("%s", reason.c_str());
        m_lastError = reason;
        return 1;
    }
    CallTrace("+ avformat_open_input \"%s\" ... successed.", path.c_str());
    const int64_t count = music->SampleCount();
    if (count < 0) {
        CallTrace("+ avcodec_receive_frame ... failed.");
        m_lastError = "the music cannot be decoded to its end";
        return 1;
    }
    const WaveFormat& format = music->Format();
    if (m_mux->AddPcmAudio(format.channels, format.samplesPerSec, format.bitsPerSample) != 0) {
        m_lastError = m_mux->Reason();
        return 1;
    }
    m_appendRead = sampleOffset;
    m_appendLast = count - 1;
    m_appendWritten = 0;
    m_appendBuffer.assign(static_cast<size_t>(kAppendChunkBytes), 0);
    m_append = std::move(music);
    return 0;
}

int CAVIOut::WriteMusicThrough(int32_t position) {
    if (!m_append) return 0;
    // Frame `position` ends at (position + 1) x scale / frame rate seconds.
    return WriteMusicUntil(av_rescale(
        int64_t{position} + 1, int64_t{m_scale} * m_append->Format().samplesPerSec, m_frameRate));
}

int CAVIOut::WriteMusicUntil(int64_t end) {
    if (!m_append) return 0;
    const int64_t block = m_append->Format().blockAlign;
    while (m_appendWritten < end && m_appendRead <= m_appendLast) {
        const int64_t room = std::min(kAppendChunkBytes / block, m_appendLast - m_appendRead + 1);
        const int64_t read = m_append->Read(m_appendBuffer.data(), room * block, m_appendRead);
        if (read < 0) {
            CallTrace("+ av_read_frame ... failed.");
            m_lastError = "the music could not be read";
            return 1;
        }
        // A file shorter than its header says ends here.
        if (read == 0) {
            m_appendLast = m_appendRead - 1;
            break;
        }
        if (m_mux->WriteAudio(m_appendBuffer.data(), read, m_appendWritten) != 0) {
            m_lastError = m_mux->Reason();
            return 1;
        }
        m_appendRead += read;
        m_appendWritten += read;
    }
    return 0;
}
