// The QuickTime writer: mpeg4 frames and "sowt" music in a mov file.

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "output/qt_out.h"

#include <string>

#include "output/encoder_probe.h"
#include "output/movie_mux.h"

namespace {

// The compression quality of every frame: QuickTime's normal quality, 512 on
// its scale of 0 (least) to 1024 (lossless).
constexpr int kQuality = 512;

// QuickTime quality on the mpeg4 encoder's constant quantiser: 1024 gives
// qscale 1, 512 gives 5, 0 gives 9; each frame is compressed on its own (a key
// frame, as compressing single images gives).
int quality_qscale(int quality) {
    return 1 + (1024 - quality) * 8 / 1024;
}

constexpr const char* kProbe = "av_guess_format(\"mov\"), avcodec_find_encoder_by_name(\"mpeg4\")";

}  // namespace

CQTOut::CQTOut() = default;

CQTOut::~CQTOut() = default;

int CQTOut::EnableTest() {
    CallTrace("QT : EnableTest");
    if (!quicktime_available()) {
        CallTrace("+ %s ... failed", kProbe);
        return 1;
    }
    CallTrace("+ %s ... successed", kProbe);
    CallTrace("+ QuickTime initialization test ... successed");
    return 0;
}

int CQTOut::Initialize() {
    CallTrace("QT : Initialize");
    if (!quicktime_available()) {
        CallTrace("+ %s ... failed", kProbe);
        m_lastError = "FFmpeg lacks the mov muxer or the mpeg4 encoder";
        return 1;
    }
    CallTrace("+ %s ... successed", kProbe);
    return 0;
}

int CQTOut::Finish() {
    CallTrace("QT : Finish");
    if (m_mux) {
        // Never closed: what was written is dropped.
        m_mux.reset();
        CallTrace("+ avformat_free_context ... successed");
    }
    return 0;
}

int CQTOut::PrepareWriter() {
    CallTrace("QT : PrepareWriter");
    m_lastError.clear();
    m_videoSamples = 0;
    m_audioSamples = 0;
    m_mux = std::make_unique<MovieMux>(
        [this](const std::string& line) { CallTrace("%s", line.c_str()); });
    m_mux->SetLineStyle("", false);
    auto fail = [this]() {
        m_lastError = m_mux->Reason();
        m_mux.reset();
        return 1;
    };
    if (m_width < 1 || m_height < 1 || m_frameRate < 1 || m_scale < 1) {
        m_lastError = "the video format is out of range";
        CallTrace("+ VIDEO : %s ... failed", m_lastError.c_str());
        m_mux.reset();
        return 1;
    }
    if (m_mux->Open(m_fileName, m_readFiles, "mov") != 0) return fail();
    // The video track counts time in frames of the frame rate.
    m_mux->SetMuxerOption("video_track_timescale", std::to_string(m_frameRate).c_str());

    m_mux->SetLineStyle("VIDEO : ", false);
    const int qscale = quality_qscale(kQuality);
    if (m_mux->AddEncodedVideo("mpeg4", m_width, m_height, AVRational{1, m_frameRate}, m_scale,
                               [qscale](AVCodecContext* codec) {
                                   codec->flags |= AV_CODEC_FLAG_QSCALE;
                                   codec->global_quality = FF_QP2LAMBDA * qscale;
                                   codec->gop_size = 1;
                               }) != 0)
        return fail();
    if (m_audioFlag != 0 && CreateSoundDescription() != 0) return fail();
    m_mux->SetLineStyle("", false);
    if (m_mux->WriteHeader() != 0) return fail();
    return 0;
}

int CQTOut::CreateSoundDescription() {
    CallTrace("QT : CreateSoundDescription");
    m_mux->SetLineStyle("AUDIO : ", false);
    if (m_channels < 1 || m_sampleRate < 1 ||
        (m_bitsPerSample != 8 && m_bitsPerSample != 16 && m_bitsPerSample != 24 &&
         m_bitsPerSample != 32)) {
        m_mux->Abandon("the music format is out of range");
        CallTrace("+ AUDIO : avformat_new_stream ... failed");
        CallTrace("%s", m_mux->Reason().c_str());
        return 1;
    }
    // Stored as 16-bit little-endian samples whatever the music's depth; the mov
    // muxer writes the rate in the sound description's own field (its version 2
    // form above 65535 Hz).
    return m_mux->AddPcmAudio(m_channels, m_sampleRate, 16);
}

int CQTOut::DoVideoWriter(const CImageBuffer* image, int32_t, int32_t, int32_t, int64_t) {
    CallTrace("QT : DoVideoWriter");
    if (!m_mux) {
        m_lastError = "the QuickTime file is not open";
        CallTrace("+ VIDEO : avcodec_send_frame ... failed");
        return 1;
    }
    // Each frame lasts scale units of the frame rate's time scale.
    if (m_mux->WriteVideo(image, m_videoSamples * m_scale, true) != 0) {
        m_lastError = m_mux->Reason();
        return 1;
    }
    CallTrace("+ VIDEO : avcodec_send_frame ... successed");
    CallTrace("+ VIDEO : av_interleaved_write_frame ... successed");
    ++m_videoSamples;
    return 0;
}

int CQTOut::DoAudioWriter(const uint8_t* buffer, int32_t bytes, int64_t) {
    CallTrace("QT : DoAudioWriter");
    const int block = m_channels * (m_bitsPerSample / 8);
    if (!m_mux || m_audioFlag == 0 || block < 1 || bytes < 0 || (bytes > 0 && !buffer)) {
        m_lastError = "the QuickTime file takes no such music chunk";
        if (m_mux) m_mux->Abandon(m_lastError);
        CallTrace("+ AUDIO : av_interleaved_write_frame ... failed");
        return 1;
    }
    const int64_t frames = bytes / block;
    m_samples.resize(static_cast<size_t>(frames * m_channels));
    pcm_to_s16(buffer, m_bitsPerSample, m_samples.size(), m_samples.data());
    if (m_mux->WriteAudio(reinterpret_cast<const uint8_t*>(m_samples.data()), frames,
                          m_audioSamples) != 0) {
        m_lastError = m_mux->Reason();
        return 1;
    }
    CallTrace("+ AUDIO : av_interleaved_write_frame ... successed");
    m_audioSamples += frames;
    return 0;
}

int CQTOut::CloseWriter() {
    CallTrace("QT : CloseWriter");
    if (!m_mux) return 0;
    int result = m_mux->Finish();
    if (result != 0) m_lastError = m_mux->Reason();
    m_mux.reset();
    return result != 0 ? 1 : 0;
}
