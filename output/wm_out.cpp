// The Windows Media writer: a profile of wmv2 video (and wmav2 music) written by
// the asf muxer.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/mathematics.h>
}

#include "output/wm_out.h"

#include <algorithm>
#include <climits>

#include "output/movie_mux.h"

namespace {

// The format tag of Windows Media Audio 8, which the wmav2 encoder writes.
constexpr int kWmaV2Tag = 0x0161;

constexpr int64_t kTimeUnits = 10000000;  // 100 ns units in a second

}  // namespace

CWMOut::CWMOut() = default;

CWMOut::~CWMOut() = default;

int CWMOut::Initialize() {
    CallTrace("WM : Initialize");
    return 0;
}

int CWMOut::PrepareWriter() {
    CallTrace("WM : PrepareWriter");
    m_lastError.clear();
    m_lastVideoTick = -1;
    m_mux = std::make_unique<MovieMux>(
        [this](const std::string& line) { CallTrace("%s", line.c_str()); });
    auto fail = [this]() {
        m_lastError = m_mux->Reason();
        m_mux.reset();
        return 1;
    };
    if (m_mux->Open(m_fileName, m_readFiles, "asf") != 0) return fail();
    if (PrepareProfile() != 0) return fail();
    if (m_mux->WriteHeader() != 0) return fail();
    return 0;
}

int CWMOut::PrepareProfile() {
    CallTrace("WM : PrepareProfile");
    // With music the music is the first stream and the video the second.
    if (m_audioFlag != 0) {
        m_audioInput = 0;
        m_videoInput = 1;
        if (PrepareAudioStream() != 0) return 1;
    } else {
        m_videoInput = 0;
    }
    if (PrepareVideoStream() != 0) return 1;
    CallTrace("Stream Count = %d", m_audioFlag != 0 ? 2 : 1);
    return 0;
}

int CWMOut::PrepareVideoStream() {
    CallTrace("WM : VIDEO : PrepareVideoStream");
    if (m_videoBitrate == 0 || m_videoBitrate > INT32_MAX || m_width < 1 || m_height < 1 ||
        m_frameRate < 1 || m_scale < 1) {
        m_mux->Abandon(m_videoBitrate == 0 ? "the video bit rate is 0"
                                           : "the video format is out of range");
        CallTrace("Window Media：VIDEO : Find codec ... failed.");
        CallTrace("%s", m_mux->Reason().c_str());
        return 1;
    }
    // One frame lasts scale / frame rate seconds: one tick of the encoder. A key
    // frame at least every second; the bit rate held over every second.
    const int64_t bitrate = m_videoBitrate;
    const int keySpacing = std::max(1, (m_frameRate + m_scale / 2) / m_scale);
    if (m_mux->AddEncodedVideo("wmv2", m_width, m_height, AVRational{m_scale, m_frameRate}, 1,
                               [bitrate, keySpacing](AVCodecContext* codec) {
                                   codec->bit_rate = bitrate;
                                   codec->rc_max_rate = bitrate;
                                   codec->rc_buffer_size = static_cast<int>(bitrate);
                                   codec->gop_size = keySpacing;
                               }) != 0) {
        CallTrace("Window Media：VIDEO : Find codec ... failed.");
        return 1;
    }
    return 0;
}

int CWMOut::PrepareAudioStream() {
    CallTrace("WM : AUDIO : PrepareAudioStream");
    if (m_channels < 1 || m_sampleRate < 1 || m_audioFlag > INT32_MAX ||
        (m_bitsPerSample != 8 && m_bitsPerSample != 16 && m_bitsPerSample != 24 &&
         m_bitsPerSample != 32)) {
        m_mux->Abandon("the music format is out of range");
        CallTrace("+ Find codec ... failed.");
        CallTrace("%s", m_mux->Reason().c_str());
        return 1;
    }
    if (m_mux->AddEncodedAudio("wmav2", m_channels, m_sampleRate, m_audioFlag) != 0) {
        CallTrace("+ Find codec ... failed.");
        return 1;
    }
    const AVCodecContext* codec = m_mux->AudioEncoder();
    CallTrace("+ wFormatTag = %d", kWmaV2Tag);
    CallTrace("+ nChannels = %d", codec->ch_layout.nb_channels);
    CallTrace("+ nSamplesPerSec = %d", codec->sample_rate);
    CallTrace("+ nAvgBytesPerSec = %d", static_cast<int>(codec->bit_rate / 8));
    CallTrace("+ nBlockAlign = %d", codec->block_align);
    CallTrace("+ wBitsPerSample = %d", 16);
    CallTrace("+ cbSize = %d", codec->extradata_size);
    return 0;
}

int CWMOut::DoVideoWriter(const CImageBuffer* image, int32_t, int32_t, int32_t keyFlag,
                          int64_t time) {
    auto lock = LockFrames();
    CallTrace("WM : DoVideoWriter");
    // The time in ticks of scale / frame rate seconds.
    const int64_t tick =
        av_rescale_rnd(time, m_frameRate, int64_t{m_scale} * kTimeUnits, AV_ROUND_NEAR_INF);
    int result = -1;
    if (!m_mux) {
        m_lastError = "the Windows Media file is not open";
    } else if (time < 0 || tick <= m_lastVideoTick) {
        m_lastError = "the frame's time does not follow the frame before";
        m_mux->Abandon(m_lastError);
    } else {
        result = m_mux->WriteVideo(image, tick, keyFlag == 1);
        if (result != 0) m_lastError = m_mux->Reason();
    }
    const long long shown = static_cast<long long>(time);
    if (result != 0) {
        CallTrace("+ av_interleaved_write_frame( nTime = %lld, nKeyFrame = %d ) ... failed.", shown,
                  keyFlag);
        CallTrace("%s", m_lastError.c_str());
        return 1;
    }
    m_lastVideoTick = tick;
    CallTrace("+ av_interleaved_write_frame( nTime = %lld, nKeyFrame = %d ) ... successed.", shown,
              keyFlag);
    return 0;
}

int CWMOut::DoAudioWriter(const uint8_t* buffer, int32_t bytes, int64_t time) {
    auto lock = LockFrames();
    CallTrace("WM : DoAudioWriter");
    const int block = m_channels * (m_bitsPerSample / 8);
    int result = -1;
    if (!m_mux || m_audioFlag == 0 || block < 1) {
        m_lastError = "the Windows Media file takes no music";
    } else if (bytes < 0 || (bytes > 0 && !buffer)) {
        m_lastError = "the music chunk is not valid";
        m_mux->Abandon(m_lastError);
    } else {
        const int64_t frames = bytes / block;
        m_samples.resize(static_cast<size_t>(frames * m_channels));
        pcm_to_s16(buffer, m_bitsPerSample, m_samples.size(), m_samples.data());
        const int64_t at = av_rescale_rnd(time, m_sampleRate, kTimeUnits, AV_ROUND_NEAR_INF);
        result = m_mux->WriteAudio(reinterpret_cast<const uint8_t*>(m_samples.data()), frames, at);
        if (result != 0) m_lastError = m_mux->Reason();
    }
    const long long shown = static_cast<long long>(time);
    if (result != 0) {
        CallTrace("+ av_interleaved_write_frame( nTime = %lld, SIZE = %d ) ... failed.", shown,
                  bytes);
        CallTrace("%s", m_lastError.c_str());
        return 1;
    }
    CallTrace("+ av_interleaved_write_frame( nTime = %lld, SIZE = %d ) ... successed.", shown,
              bytes);
    return 0;
}

int CWMOut::CloseWriter() {
    CallTrace("WM : CloseWriter");
    if (!m_mux) return 0;
    int result = m_mux->Finish();
    if (result != 0) m_lastError = m_mux->Reason();
    m_mux.reset();
    return result != 0 ? 1 : 0;
}
