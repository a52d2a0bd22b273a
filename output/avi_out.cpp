// The AVI writer's video half: the codec choice, the file, the frames.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/mathematics.h>
#include <libavutil/opt.h>
}

#include "output/avi_out.h"

#include <algorithm>
#include <climits>

#include "output/avi_lock.h"
#include "output/movie_mux.h"

namespace {

// Codec names that stand for uncompressed frames.
bool uncompressed(const std::string& codec) {
    return codec == kUncompressedCodec || codec == "rawvideo";
}

// Quality (0 ... 10000) on FFmpeg's scales:
// - encoders with a constant-rate factor (libx264, libx265, libvpx...): crf 51 at
//   quality 0 down to crf 0 at 10000;
// - the others (MJPEG, MPEG-4 part 2 and their kin): constant quantiser, qscale 31
//   at quality 0 down to 1 at 10000.
// Quality -1 keeps a crf encoder's own default; encoders whose default is a fixed
// bit rate (FFmpeg's 200 kbit/s, meant for nothing in particular) get qscale 4,
// a quantiser that looks good at any frame size.
// A data rate above 0 (bytes per second) overrides the quality: the encoder aims
// at data rate x 8 bits per second, at most that much over any one second.
// Key frames above 0 bound the distance between key frames (gop size). No B-frames:
// AVI has no presentation times.
// Lossless encoders (FFV1, HuffYUV, Ut Video) ignore quality and rate.
constexpr int kDefaultQscale = 4;

void apply_compressor(const CompressorSettings& settings, AVCodecContext* codec) {
    if (settings.keyFrames > 0) codec->gop_size = settings.keyFrames;
    if (settings.dataRate > 0) {
        codec->bit_rate = int64_t{settings.dataRate} * 8;
        codec->rc_max_rate = codec->bit_rate;
        codec->rc_buffer_size = static_cast<int>(std::min<int64_t>(codec->bit_rate, INT_MAX));
        return;
    }
    const bool hasCrf =
        codec->priv_data && av_opt_find(codec->priv_data, "crf", nullptr, 0, 0) != nullptr;
    if (hasCrf) {
        if (settings.quality >= 0) {
            av_opt_set_double(codec->priv_data, "crf", 51.0 * (10000 - settings.quality) / 10000,
                              0);
        }
        return;
    }
    int qscale = kDefaultQscale;
    if (settings.quality >= 0) qscale = 31 - 30 * settings.quality / 10000;
    codec->flags |= AV_CODEC_FLAG_QSCALE;
    codec->global_quality = FF_QP2LAMBDA * qscale;
}

}  // namespace

CAVIOut::CAVIOut() = default;

CAVIOut::~CAVIOut() {
    if (m_usesLibrary) ReleaseLock();
}

int CAVIOut::Initialize() {
    CallTrace("CAVIOut::Initialize");
    if (!m_usesLibrary) {
        m_usesLibrary = true;
        if (GetLock() == 1) CallTrace("+ AVI : GetLock ... successed.");
    }
    return 0;
}

int CAVIOut::PrepareWriter() {
    CallTrace("CAVIOut::PrepareWriter");
    TraceVideoFormat();
    m_lastError.clear();
    if (ChooseCompressor(m_compressor) != 0) return 1;
    if (CreateAVI() != 0) return 1;
    return 0;
}

bool CAVIOut::CheckCompressor(const CompressorSettings& settings, std::string* reason) {
    auto refuse = [reason](const std::string& text) {
        if (reason) *reason = text;
        return false;
    };
    if (settings.quality < -1 || settings.quality > 10000)
        return refuse("the quality must lie between 0 and 10000");
    if (settings.keyFrames < 0) return refuse("the key-frame interval must not be negative");
    if (settings.dataRate < 0) return refuse("the data rate must not be negative");
    if (uncompressed(settings.codec)) return true;
    const AVCodec* encoder = avcodec_find_encoder_by_name(settings.codec.c_str());
    if (!encoder) return refuse("FFmpeg has no encoder named \"" + settings.codec + "\"");
    if (encoder->type != AVMEDIA_TYPE_VIDEO)
        return refuse("\"" + settings.codec + "\" is not a video encoder");
    return true;
}

int CAVIOut::ChooseCompressor(const CompressorSettings& settings) {
    CallTrace("CAVIOut::ChooseCompressor");
    std::string reason;
    if (!CheckCompressor(settings, &reason)) {
        CallTrace("AVI：VIDEO : avcodec_find_encoder_by_name ... failed.");
        CallTrace("%s", reason.c_str());
        m_lastError = reason;
        return 1;
    }
    CallTrace("AVI : VIDEO : avcodec_find_encoder_by_name ... successed.");
    m_compressor = settings;
    CallTrace("AVI : ChooseCompressor");
    return 0;
}

int CAVIOut::CreateAVI() {
    CallTrace("CAVIOut::CreateAVI");
    if (m_width < 1 || m_height < 1 || m_frameRate < 1 || m_scale < 1 ||
        m_frameBytes != image_stride(m_width, 24) * m_height) {
        m_lastError = "the frame size or rate is out of range";
        CallTrace("+ %s ... failed.", m_lastError.c_str());
        return 1;
    }
    m_mux = std::make_unique<MovieMux>(
        [this](const std::string& line) { CallTrace("%s", line.c_str()); });
    m_mux->KeepFrames(m_skipsPositions);
    m_nextPosition = 0;
    m_errorShown = false;
    auto fail = [this](const char* text) {
        m_lastError = m_mux->Reason();
        CallError("%s\n%s", text, m_lastError.c_str());
        m_errorShown = true;
        m_mux.reset();
        return 1;
    };
    if (m_mux->Open(m_fileName, m_readFiles, "avi") != 0)
        return fail("AVIFileOpenでエラーが発生しました");
    // Uncompressed frames are stored as Windows bitmaps keep them: bottom-up rows.
    m_mux->SetMuxerOption("flipped_raw_rgb", "1");
    // One frame lasts scale / frame rate seconds: one tick of the stream.
    const AVRational tick{m_scale, m_frameRate};
    if (uncompressed(m_compressor.codec)) {
        if (m_mux->AddDibVideo(m_width, m_height, tick) != 0)
            return fail("AVIFileCreateStreamでエラーが発生しました");
        return 0;
    }
    const CompressorSettings settings = m_compressor;
    if (m_mux->AddEncodedVideo(
            settings.codec, m_width, m_height, tick, 1,
            [&settings](AVCodecContext* codec) { apply_compressor(settings, codec); }) != 0)
        return fail("AVIMakeCompressedStreamでエラーが発生しました");
    return 0;
}

int CAVIOut::FailFrame(int32_t position, const std::string& reason) {
    m_lastError = reason;
    // A file with a frame missing is no result.
    if (m_mux) m_mux->Abandon(reason);
    if (!m_errorShown) {
        CallError("フレーム番号 %d の AVIファイルへの書き込みにおいてエラーが発生しました。\n%s",
                  position, reason.c_str());
        m_errorShown = true;
    }
    return 1;
}

int CAVIOut::DoVideoWriter(const CImageBuffer* image, int32_t position, int32_t frameBytes, int32_t,
                           int64_t) {
    auto lock = LockFrames();
    CallTrace("CAVIOut::DoVideoWriter");
    if (!m_mux) return FailFrame(position, "the AVI file is not open");
    if (m_mux->Failed()) return FailFrame(position, m_mux->Reason());
    // Positions run forward, up to the frame after the last (the last picture's
    // display time).
    if (position < m_nextPosition || (m_frameCount > 0 && position > m_frameCount)) {
        CallTrace("+ av_interleaved_write_frame ... failed.");
        return FailFrame(position, "the frame position is out of order or out of range");
    }
    if (frameBytes != m_frameBytes) {
        CallTrace("+ av_interleaved_write_frame ... failed.");
        return FailFrame(position, "the frame size differs from the movie's");
    }
    if (!m_mux->HeaderWritten() && m_mux->WriteHeader() != 0)
        return FailFrame(position, m_mux->Reason());
    // Skipped positions show the frame before them; before the first frame there
    // is none, and the first frame itself fills them.
    const bool first = m_nextPosition == 0 && position > 0;
    if (first && m_mux->WriteVideo(image, 0, false) != 0)
        return FailFrame(position, m_mux->Reason());
    for (int32_t p = first ? 1 : m_nextPosition; p < position; ++p) {
        // A frame that is not kept is written again from the image.
        const int repeated =
            first && !m_skipsPositions ? m_mux->WriteVideo(image, p, false) : m_mux->RepeatVideo(p);
        if (repeated != 0) return FailFrame(position, m_mux->Reason());
        if (WriteMusicThrough(p) != 0) return FailFrame(position, m_lastError);
    }
    if (m_mux->WriteVideo(image, position, false) != 0) return FailFrame(position, m_mux->Reason());
    CallTrace("+ av_interleaved_write_frame ... successed.");
    m_nextPosition = position + 1;
    // The music up to the end of this frame goes in beside it.
    if (WriteMusicThrough(position) != 0) return FailFrame(position, m_lastError);
    return 0;
}

int CAVIOut::CloseWriter() {
    CallTrace("CAVIOut::CloseWriter");
    if (!m_mux) return 0;
    int result = 0;
    if (!m_mux->Failed()) {
        if (!m_mux->HeaderWritten()) m_mux->WriteHeader();
        // The rest of the music after the last frame.
        if (m_append) WriteMusicUntil(INT64_MAX);
    }
    if (m_mux->Finish() != 0) {
        m_lastError = m_mux->Reason();
        if (!m_errorShown) {
            CallError("AVIファイルの書き込みにおいてエラーが発生しました。\n%s",
                      m_lastError.c_str());
            m_errorShown = true;
        }
        result = 1;
    }
    m_mux.reset();
    m_append.reset();
    return result;
}

int CAVIOut::Finish() {
    CallTrace("CAVIOut::Finish");
    if (m_mux) {
        // Never closed: what was written is dropped.
        m_mux.reset();
        CallTrace("+ avformat_free_context ... successed.");
    }
    m_append.reset();
    if (m_music) CloseWave();
    m_fileName.clear();
    if (m_usesLibrary) {
        m_usesLibrary = false;
        if (ReleaseLock() == 0) CallTrace("+ AVI : ReleaseLock ... successed.");
    }
    m_pMutex.reset();
    CallTrace("+ delete m_pMutex ... successed.");
    return 0;
}
