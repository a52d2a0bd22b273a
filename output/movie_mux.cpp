#include "output/movie_mux.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/mem.h>
#include <libavutil/pixdesc.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <utility>

#include "base/unique_fd.h"

namespace {

using namespace ffmpeg;

constexpr int kIoBufferBytes = 64 * 1024;

// The pixel format frames are handed to an encoder in. An encoder that takes
// blue-green-red rows gets them as they are. Lossy encoders get 4:2:0 (yuv420p,
// or its full-range form where that comes first, as for MJPEG): what players
// expect of them. Lossless-only encoders (FFV1, HuffYUV, Ut Video) get the format
// FFmpeg finds closest to BGR24, so that no colour is lost.
AVPixelFormat encoder_pixel_format(const AVCodec* encoder) {
    const AVPixelFormat* list = encoder->pix_fmts;
    if (!list) return AV_PIX_FMT_BGR24;
    for (const AVPixelFormat* p = list; *p != AV_PIX_FMT_NONE; ++p) {
        if (*p == AV_PIX_FMT_BGR24) return AV_PIX_FMT_BGR24;
    }
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(encoder->id);
    const bool losslessOnly = descriptor && (descriptor->props & AV_CODEC_PROP_LOSSLESS) &&
                              !(descriptor->props & AV_CODEC_PROP_LOSSY);
    if (!losslessOnly) {
        for (const AVPixelFormat* p = list; *p != AV_PIX_FMT_NONE; ++p) {
            if (*p == AV_PIX_FMT_YUV420P || *p == AV_PIX_FMT_YUVJ420P) return *p;
        }
    }
    return avcodec_find_best_pix_fmt_of_list(list, AV_PIX_FMT_BGR24, 0, nullptr);
}

// The sample format an audio encoder is fed: 16-bit when it takes it, else the
// first it lists (swresample converts).
AVSampleFormat encoder_sample_format(const AVCodec* encoder) {
    const AVSampleFormat* list = encoder->sample_fmts;
    if (!list) return AV_SAMPLE_FMT_S16;
    for (const AVSampleFormat* p = list; *p != AV_SAMPLE_FMT_NONE; ++p) {
        if (*p == AV_SAMPLE_FMT_S16) return AV_SAMPLE_FMT_S16;
    }
    return list[0];
}

AVCodecID pcm_codec(int bits) {
    switch (bits) {
        case 8:
            return AV_CODEC_ID_PCM_U8;
        case 16:
            return AV_CODEC_ID_PCM_S16LE;
        case 24:
            return AV_CODEC_ID_PCM_S24LE;
        case 32:
            return AV_CODEC_ID_PCM_S32LE;
        default:
            return AV_CODEC_ID_NONE;
    }
}

}  // namespace

void pcm_to_s16(const uint8_t* in, int bits, size_t samples, int16_t* out) {
    const size_t bytes = static_cast<size_t>(bits / 8);
    for (size_t i = 0; i < samples; ++i) {
        const uint8_t* s = in + i * bytes;
        uint16_t value;
        if (bytes == 1) {
            value = static_cast<uint16_t>((s[0] ^ 0x80) << 8);
        } else {
            // The two most significant bytes of a little-endian sample.
            value = static_cast<uint16_t>(s[bytes - 2] | (s[bytes - 1] << 8));
        }
        out[i] = static_cast<int16_t>(value);
    }
}

MovieMux::MovieMux(TraceLine trace) : m_trace(std::move(trace)) {}

MovieMux::~MovieMux() {
    Discard();
}

void MovieMux::SetLineStyle(std::string prefix, bool period) {
    m_prefix = std::move(prefix);
    m_period = period;
}

int MovieMux::Step(const char* call, int result, const std::string& reason) {
    if (result >= 0) {
        if (m_trace)
            m_trace("+ " + m_prefix + call + (m_period ? " ... successed." : " ... successed"));
        return result;
    }
    Fail(call, reason.empty() ? (m_ioError.empty() ? av_error_text(result) : m_ioError) : reason);
    return result;
}

int MovieMux::Check(const char* call, int result) {
    return result >= 0 ? result : Step(call, result);
}

int MovieMux::Fail(const char* call, const std::string& reason) {
    if (!m_failed) {
        m_failed = true;
        m_reason = reason;
    }
    if (m_trace) {
        m_trace("+ " + m_prefix + call + (m_period ? " ... failed." : " ... failed"));
        m_trace(reason);
    }
    return -1;
}

int MovieMux::WriteBytes(void* opaque, uint8_t* buffer, int size) {
    auto* self = static_cast<MovieMux*>(opaque);
    std::string reason;
    const int written = self->m_writer.Write(buffer, static_cast<size_t>(size), &reason);
    if (written != 0) {
        if (self->m_ioError.empty()) self->m_ioError = reason;
        return AVERROR(-written);
    }
    return size;
}

int64_t MovieMux::SeekBytes(void* opaque, int64_t offset, int whence) {
    auto* self = static_cast<MovieMux*>(opaque);
    whence &= ~AVSEEK_FORCE;
    std::string reason;
    int64_t at = 0;
    if (whence == AVSEEK_SIZE) {
        at = self->m_writer.Size(&reason);
    } else if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) {
        return AVERROR(EINVAL);
    } else {
        at = self->m_writer.Seek(offset, whence, &reason);
    }
    if (at < 0) {
        if (self->m_ioError.empty()) self->m_ioError = reason;
        return AVERROR(static_cast<int>(-at));
    }
    return at;
}

int MovieMux::Open(const std::string& target, const ReadFileSet& read, const char* muxer) {
    const std::string opening = "open \"" + target + "\"";
    std::string reason;
    if (m_file.Open(target, read, &reason) != 0) return Fail(opening.c_str(), reason);
    // A movie is written once, in order: past the page cache where the system allows.
    if (m_writer.Start(m_file.Fd(), true, &reason) != 0) return Fail(opening.c_str(), reason);
    Step(opening.c_str(), 0);

    AVFormatContext* raw = nullptr;
    int result = avformat_alloc_output_context2(&raw, nullptr, muxer, m_file.WritePath().c_str());
    if (Step("avformat_alloc_output_context2", result < 0 ? result : (raw ? 0 : AVERROR(ENOMEM))) <
        0)
        return -1;
    m_format.reset(raw);

    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferBytes));
    if (buffer) {
        m_io.reset(avio_alloc_context(buffer, kIoBufferBytes, 1, this, nullptr,
                                      &MovieMux::WriteBytes, &MovieMux::SeekBytes));
        if (!m_io) av_free(buffer);
    }
    if (Step("avio_alloc_context", m_io ? 0 : AVERROR(ENOMEM)) < 0) return -1;
    // Where the writer gathers the bytes itself, a frame goes to it in one piece.
    m_io->direct = m_writer.Gathers() ? 1 : 0;
    m_format->pb = m_io.get();
    m_format->flags |= AVFMT_FLAG_CUSTOM_IO;
    m_packet.reset(av_packet_alloc());
    if (Check("av_packet_alloc", m_packet ? 0 : AVERROR(ENOMEM)) < 0) return -1;
    return 0;
}

void MovieMux::SetMuxerOption(const char* key, const char* value) {
    av_dict_set(&m_options, key, value, 0);
}

int MovieMux::AddDibVideo(int32_t width, int32_t height, AVRational timeBase) {
    if (m_failed || !m_format) return -1;
    const int32_t stride = image_stride(width, 24);
    if (stride < 0 || height < 1 || int64_t{stride} * height > kMaxImageBytes)
        return Fail("avformat_new_stream", "the frame size is out of range");
    AVStream* stream = avformat_new_stream(m_format.get(), nullptr);
    if (Step("avformat_new_stream", stream ? 0 : AVERROR(ENOMEM)) < 0) return -1;
    AVCodecParameters* parameters = stream->codecpar;
    parameters->codec_type = AVMEDIA_TYPE_VIDEO;
    parameters->codec_id = AV_CODEC_ID_RAWVIDEO;
    parameters->codec_tag = 0;  // an uncompressed bitmap
    parameters->format = AV_PIX_FMT_BGR24;
    parameters->bits_per_coded_sample = 24;
    parameters->width = width;
    parameters->height = height;
    parameters->sample_aspect_ratio = AVRational{1, 1};
    stream->time_base = timeBase;
    stream->avg_frame_rate = av_inv_q(timeBase);
    m_videoStream = stream;
    m_videoTimeBase = timeBase;
    m_frameTicks = 1;
    m_width = width;
    m_height = height;
    m_dib.reset(av_packet_alloc());
    if (Check("av_packet_alloc", m_dib ? 0 : AVERROR(ENOMEM)) < 0) return -1;
    const int64_t blockBytes = int64_t{image_stride(width, 24)} * height;
    if (blockBytes <= 0 || blockBytes > INT32_MAX - AV_INPUT_BUFFER_PADDING_SIZE)
        return Fail("av_buffer_pool_init", "the frame is too large");
    m_dibBlocks.reset(av_buffer_pool_init(
        static_cast<size_t>(blockBytes) + AV_INPUT_BUFFER_PADDING_SIZE, av_buffer_alloc));
    return Check("av_buffer_pool_init", m_dibBlocks ? 0 : AVERROR(ENOMEM)) < 0 ? -1 : 0;
}

int MovieMux::AddEncodedVideo(const std::string& name, int32_t width, int32_t height,
                              AVRational timeBase, int64_t frameTicks,
                              const std::function<void(AVCodecContext*)>& configure) {
    if (m_failed || !m_format) return -1;
    const std::string finding = "avcodec_find_encoder_by_name \"" + name + "\"";
    const AVCodec* encoder = avcodec_find_encoder_by_name(name.c_str());
    if (!encoder) return Fail(finding.c_str(), "FFmpeg has no encoder named \"" + name + "\"");
    if (encoder->type != AVMEDIA_TYPE_VIDEO)
        return Fail(finding.c_str(), "\"" + name + "\" is not a video encoder");
    Step(finding.c_str(), 0);
    if (avformat_query_codec(m_format->oformat, encoder->id, FF_COMPLIANCE_NORMAL) == 0) {
        return Fail("avformat_query_codec", std::string("the ") + m_format->oformat->name +
                                                " format cannot store \"" + name + "\"");
    }

    CodecPtr codec(avcodec_alloc_context3(encoder));
    if (Check("avcodec_alloc_context3", codec ? 0 : AVERROR(ENOMEM)) < 0) return -1;
    codec->width = width;
    codec->height = height;
    codec->pix_fmt = encoder_pixel_format(encoder);
    codec->time_base = timeBase;
    av_reduce(&codec->framerate.num, &codec->framerate.den, timeBase.den,
              int64_t{timeBase.num} * frameTicks, INT32_MAX);
    codec->sample_aspect_ratio = AVRational{1, 1};
    codec->max_b_frames = 0;
    // The encoder's own threads (as many as it finds useful), joined when it is freed.
    codec->thread_count = 0;
    bool fullRange = false;
    const AVPixelFormat convertTo = unjpeg(codec->pix_fmt, &fullRange);
    const bool yuv = !(av_pix_fmt_desc_get(convertTo)->flags & AV_PIX_FMT_FLAG_RGB);
    if (yuv) {
        // swscale's conversion: BT.601 coefficients.
        codec->colorspace = AVCOL_SPC_SMPTE170M;
        codec->color_range = fullRange ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
    }
    if (configure) configure(codec.get());
    AVStream* stream = OpenEncoder(codec.get(), encoder);
    if (!stream) return -1;
    stream->avg_frame_rate = codec->framerate;

    m_scale.reset(sws_getContext(width, height, AV_PIX_FMT_BGR24, width, height, convertTo,
                                 SWS_BILINEAR | SWS_ACCURATE_RND, nullptr, nullptr, nullptr));
    if (Step("sws_getContext", m_scale ? 0 : AVERROR(EINVAL)) < 0) return -1;
    if (yuv) {
        int* inverse = nullptr;
        int* table = nullptr;
        int sourceRange = 0, targetRange = 0, brightness = 0, contrast = 0, saturation = 0;
        if (sws_getColorspaceDetails(m_scale.get(), &inverse, &sourceRange, &table, &targetRange,
                                     &brightness, &contrast, &saturation) >= 0) {
            sws_setColorspaceDetails(m_scale.get(), sws_getCoefficients(SWS_CS_ITU601), 1,
                                     sws_getCoefficients(SWS_CS_ITU601), fullRange ? 1 : 0,
                                     brightness, contrast, saturation);
        }
    }
    m_frame.reset(av_frame_alloc());
    if (Check("av_frame_alloc", m_frame ? 0 : AVERROR(ENOMEM)) < 0) return -1;
    m_frame->format = codec->pix_fmt;
    m_frame->width = width;
    m_frame->height = height;
    if (Check("av_frame_get_buffer", av_frame_get_buffer(m_frame.get(), 0)) < 0) return -1;

    m_videoStream = stream;
    m_videoTimeBase = codec->time_base;
    m_frameTicks = frameTicks;
    m_width = width;
    m_height = height;
    m_videoCodec = std::move(codec);
    return 0;
}

AVStream* MovieMux::OpenEncoder(AVCodecContext* codec, const AVCodec* encoder) {
    if (m_format->oformat->flags & AVFMT_GLOBALHEADER) codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (Step("avcodec_open2", avcodec_open2(codec, encoder, nullptr)) < 0) return nullptr;
    AVStream* stream = avformat_new_stream(m_format.get(), nullptr);
    if (Step("avformat_new_stream", stream ? 0 : AVERROR(ENOMEM)) < 0) return nullptr;
    if (Step("avcodec_parameters_from_context",
             avcodec_parameters_from_context(stream->codecpar, codec)) < 0)
        return nullptr;
    stream->time_base = codec->time_base;
    return stream;
}

int MovieMux::AddPcmAudio(int channels, int sampleRate, int bits) {
    if (m_failed || !m_format) return -1;
    const AVCodecID codec = pcm_codec(bits);
    if (codec == AV_CODEC_ID_NONE || channels < 1 || sampleRate < 1)
        return Fail("avformat_new_stream", "the music format is not PCM of 8, 16, 24 or 32 bits");
    AVStream* stream = avformat_new_stream(m_format.get(), nullptr);
    if (Step("avformat_new_stream", stream ? 0 : AVERROR(ENOMEM)) < 0) return -1;
    AVCodecParameters* parameters = stream->codecpar;
    parameters->codec_type = AVMEDIA_TYPE_AUDIO;
    parameters->codec_id = codec;
    av_channel_layout_default(&parameters->ch_layout, channels);
    parameters->sample_rate = sampleRate;
    parameters->bits_per_coded_sample = bits;
    parameters->block_align = channels * (bits / 8);
    parameters->bit_rate = int64_t{sampleRate} * parameters->block_align * 8;
    stream->time_base = AVRational{1, sampleRate};
    m_audioStream = stream;
    m_audioBlock = parameters->block_align;
    m_channels = channels;
    m_sampleRate = sampleRate;
    return 0;
}

int MovieMux::AddEncodedAudio(const std::string& name, int channels, int sampleRate,
                              int64_t bitRate) {
    if (m_failed || !m_format) return -1;
    const std::string finding = "avcodec_find_encoder_by_name \"" + name + "\"";
    const AVCodec* encoder = avcodec_find_encoder_by_name(name.c_str());
    if (!encoder || encoder->type != AVMEDIA_TYPE_AUDIO)
        return Fail(finding.c_str(), "FFmpeg has no audio encoder named \"" + name + "\"");
    Step(finding.c_str(), 0);
    CodecPtr codec(avcodec_alloc_context3(encoder));
    if (Check("avcodec_alloc_context3", codec ? 0 : AVERROR(ENOMEM)) < 0) return -1;
    codec->sample_fmt = encoder_sample_format(encoder);
    codec->sample_rate = sampleRate;
    av_channel_layout_default(&codec->ch_layout, channels);
    codec->bit_rate = bitRate;
    codec->time_base = AVRational{1, sampleRate};
    AVStream* stream = OpenEncoder(codec.get(), encoder);
    if (!stream) return -1;

    SwrContext* made = nullptr;
    int result = swr_alloc_set_opts2(&made, &codec->ch_layout, codec->sample_fmt, sampleRate,
                                     &codec->ch_layout, AV_SAMPLE_FMT_S16, sampleRate, 0, nullptr);
    m_resample.reset(made);
    if (result >= 0) result = swr_init(m_resample.get());
    if (Step("swr_init", result) < 0) return -1;

    m_audioStream = stream;
    m_audioBlock = channels * 2;
    m_channels = channels;
    m_sampleRate = sampleRate;
    m_audioCodec = std::move(codec);
    return 0;
}

int MovieMux::WriteHeader() {
    if (m_failed || !m_format) return -1;
    if (m_headerWritten) return 0;
    int result = avformat_write_header(m_format.get(), &m_options);
    if (result >= 0 && m_io->error < 0) result = m_io->error;
    if (Step("avformat_write_header", result) < 0) return -1;
    m_headerWritten = true;
    return 0;
}

int MovieMux::WritePacket(AVPacket* packet, AVRational from, AVStream* stream) {
    av_packet_rescale_ts(packet, from, stream->time_base);
    packet->stream_index = stream->index;
    int result = av_interleaved_write_frame(m_format.get(), packet);
    av_packet_unref(packet);
    if (result >= 0 && m_io->error < 0) result = m_io->error;
    if (result < 0) return Step("av_interleaved_write_frame", result);
    return 0;
}

int MovieMux::Drain(AVCodecContext* codec, AVStream* stream, int64_t duration) {
    for (;;) {
        int result = avcodec_receive_packet(codec, m_packet.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return 0;
        if (result < 0) return Step("avcodec_receive_packet", result);
        if (m_packet->duration == 0) m_packet->duration = duration;
        if (WritePacket(m_packet.get(), codec->time_base, stream) < 0) return -1;
    }
}

int MovieMux::SendVideo(AVFrame* frame) {
    // Constant-quantiser encoders take the quantiser from each frame.
    frame->quality = m_videoCodec->global_quality;
    if (Check("avcodec_send_frame", avcodec_send_frame(m_videoCodec.get(), frame)) < 0) return -1;
    return Drain(m_videoCodec.get(), m_videoStream, m_frameTicks);
}

int MovieMux::WriteVideo(const CImageBuffer* image, int64_t pts, bool key) {
    if (m_failed) return -1;
    if (!m_videoStream || !m_headerWritten)
        return Fail("av_interleaved_write_frame", "the movie has no video stream to write");
    if (!image || image->bpp != 24 || !image->pixels || image->width != m_width ||
        image->height != m_height || image->stride < 3 * image->width) {
        return Fail("av_interleaved_write_frame",
                    "the frame is not a 24-bit image of the movie's size");
    }
    const int64_t blockBytes = int64_t{image->stride} * image->height;
    if (!m_videoCodec) {
        if (blockBytes != int64_t{image_stride(m_width, 24)} * m_height)
            return Fail("av_interleaved_write_frame", "the frame's rows are not DIB rows");
        if (!m_keepFrames && !m_audioStream) return WriteDibRows(image, pts);
        av_packet_unref(m_dib.get());
        AVBufferRef* block = av_buffer_pool_get(m_dibBlocks.get());
        if (Check("av_new_packet", block ? 0 : AVERROR(ENOMEM)) < 0) return -1;
        m_dib->buf = block;
        m_dib->data = block->data;
        m_dib->size = static_cast<int>(blockBytes);
        std::memcpy(m_dib->data, image->pixels, static_cast<size_t>(blockBytes));
        std::memset(m_dib->data + blockBytes, 0, AV_INPUT_BUFFER_PADDING_SIZE);
        m_dib->flags |= AV_PKT_FLAG_KEY;
        m_dib->duration = 1;
        m_haveFrame = true;
        return RepeatVideo(pts);
    }
    if (Check("av_frame_make_writable", av_frame_make_writable(m_frame.get())) < 0) return -1;
    // The rows are stored bottom-up: the top row is the last one in memory.
    const uint8_t* rows[1] = {image->pixels + int64_t{image->stride} * (image->height - 1)};
    const int strides[1] = {-image->stride};
    sws_scale(m_scale.get(), rows, strides, 0, image->height, m_frame->data, m_frame->linesize);
    m_frame->pts = pts;
    m_frame->pict_type = key ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
    m_haveFrame = true;
    if (SendVideo(m_frame.get()) < 0) return -1;
    return 0;
}

int MovieMux::WriteDibRows(const CImageBuffer* image, int64_t pts) {
    // The one stream needs no interleaving, and the muxer reads the packet's bytes
    // during the call only: the rows go from the image into the file's buffer.
    AVPacket* packet = m_packet.get();
    av_packet_unref(packet);
    packet->data = image->pixels;  // only read
    packet->size = static_cast<int>(int64_t{image->stride} * image->height);
    packet->flags |= AV_PKT_FLAG_KEY;
    packet->duration = 1;
    packet->pts = packet->dts = pts;
    av_packet_rescale_ts(packet, m_videoTimeBase, m_videoStream->time_base);
    packet->stream_index = m_videoStream->index;
    int result = av_write_frame(m_format.get(), packet);
    packet->data = nullptr;
    packet->size = 0;
    av_packet_unref(packet);
    // Nothing is kept to repeat.
    m_haveFrame = false;
    if (result >= 0 && m_io->error < 0) result = m_io->error;
    if (result < 0) return Step("av_write_frame", result);
    return 0;
}

int MovieMux::RepeatVideo(int64_t pts) {
    if (m_failed) return -1;
    if (!m_haveFrame) return Fail("av_interleaved_write_frame", "no frame was written before");
    if (!m_videoCodec) {
        if (Check("av_packet_ref", av_packet_ref(m_packet.get(), m_dib.get())) < 0) return -1;
        m_packet->pts = m_packet->dts = pts;
        if (WritePacket(m_packet.get(), m_videoTimeBase, m_videoStream) < 0) return -1;
        return 0;
    }
    m_frame->pts = pts;
    m_frame->pict_type = AV_PICTURE_TYPE_NONE;
    if (SendVideo(m_frame.get()) < 0) return -1;
    return 0;
}

int MovieMux::WriteAudio(const uint8_t* data, int64_t frames, int64_t pts) {
    if (m_failed) return -1;
    if (!m_audioStream || !m_headerWritten)
        return Fail("av_interleaved_write_frame", "the movie has no audio stream to write");
    if (frames <= 0) return 0;
    const int64_t bytes = frames * m_audioBlock;
    if (bytes > INT32_MAX / 2) return Fail("av_new_packet", "the music chunk is too large");
    if (m_audioCodec) {
        if (m_audioNext == AV_NOPTS_VALUE) m_audioNext = pts;
        const size_t at = m_audioPending.size();
        m_audioPending.resize(at + static_cast<size_t>(frames * m_channels));
        std::memcpy(m_audioPending.data() + at, data, static_cast<size_t>(bytes));
        return EncodeAudio(false);
    }
    if (Check("av_new_packet", av_new_packet(m_packet.get(), static_cast<int>(bytes))) < 0)
        return -1;
    std::memcpy(m_packet->data, data, static_cast<size_t>(bytes));
    m_packet->pts = m_packet->dts = pts;
    m_packet->duration = frames;
    m_packet->flags |= AV_PKT_FLAG_KEY;
    if (WritePacket(m_packet.get(), AVRational{1, m_sampleRate}, m_audioStream) < 0) return -1;
    return 0;
}

int MovieMux::SendAudio(AVFrame* frame) {
    int result = avcodec_send_frame(m_audioCodec.get(), frame);
    if (result < 0) return Step("avcodec_send_frame", result);
    return Drain(m_audioCodec.get(), m_audioStream, 0);
}

int MovieMux::EncodeAudio(bool last) {
    AVCodecContext* codec = m_audioCodec.get();
    const bool variable =
        codec->frame_size == 0 || (codec->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
    const bool smallLast = variable || (codec->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME);
    const size_t channels = static_cast<size_t>(m_channels);
    for (;;) {
        const size_t pending = m_audioPending.size() / channels;
        if (pending == 0) return 0;
        size_t take =
            variable ? pending : std::min(pending, static_cast<size_t>(codec->frame_size));
        if (!variable && take < static_cast<size_t>(codec->frame_size)) {
            if (!last) return 0;
            if (!smallLast) {
                // The encoder takes whole frames only: the last one ends in silence.
                m_audioPending.resize(static_cast<size_t>(codec->frame_size) * channels, 0);
                take = static_cast<size_t>(codec->frame_size);
            }
        }
        FramePtr frame(av_frame_alloc());
        if (Check("av_frame_alloc", frame ? 0 : AVERROR(ENOMEM)) < 0) return -1;
        frame->nb_samples = static_cast<int>(take);
        frame->format = codec->sample_fmt;
        frame->sample_rate = codec->sample_rate;
        int result = av_channel_layout_copy(&frame->ch_layout, &codec->ch_layout);
        if (result >= 0) result = av_frame_get_buffer(frame.get(), 0);
        if (result < 0) return Check("av_frame_get_buffer", result);
        const uint8_t* input[1] = {reinterpret_cast<const uint8_t*>(m_audioPending.data())};
        int made =
            swr_convert(m_resample.get(), frame->data, frame->nb_samples, input, frame->nb_samples);
        if (made != frame->nb_samples) return Step("swr_convert", made < 0 ? made : AVERROR_BUG);
        frame->pts = m_audioNext;
        m_audioNext += frame->nb_samples;
        m_audioPending.erase(m_audioPending.begin(),
                             m_audioPending.begin() + static_cast<std::ptrdiff_t>(take * channels));
        if (SendAudio(frame.get()) < 0) return -1;
    }
}

int MovieMux::Finish() {
    if (!m_failed && m_format && !m_headerWritten) WriteHeader();
    if (!m_failed && m_videoCodec) {
        if (Step("avcodec_send_frame", avcodec_send_frame(m_videoCodec.get(), nullptr)) >= 0)
            Drain(m_videoCodec.get(), m_videoStream, m_frameTicks);
    }
    if (!m_failed && m_audioCodec) {
        // An encoder that holds samples back without being able to give them up
        // when flushed (wmav2 overlaps each block with the next) gets that many
        // samples of silence after the music, so that the music's end comes out.
        AVCodecContext* codec = m_audioCodec.get();
        if (codec->initial_padding > 0 && !(codec->codec->capabilities & AV_CODEC_CAP_DELAY) &&
            m_audioNext != AV_NOPTS_VALUE) {
            m_audioPending.resize(
                m_audioPending.size() +
                    static_cast<size_t>(codec->initial_padding) * static_cast<size_t>(m_channels),
                0);
        }
    }
    if (!m_failed && m_audioCodec && EncodeAudio(true) >= 0) {
        if (Step("avcodec_send_frame", avcodec_send_frame(m_audioCodec.get(), nullptr)) >= 0)
            Drain(m_audioCodec.get(), m_audioStream, 0);
    }
    if (!m_failed && m_format) {
        int result = av_write_trailer(m_format.get());
        if (result >= 0) {
            avio_flush(m_io.get());
            if (m_io->error < 0) result = m_io->error;
        }
        std::string reason;
        if (result >= 0 && m_writer.Finish(&reason) != 0) {
            result = AVERROR(EIO);
            if (m_ioError.empty()) m_ioError = reason;
        }
        Step("av_write_trailer", result);
    }
    if (m_failed || !m_format) {
        if (!m_failed) Fail("av_write_trailer", "the movie was never opened");
        Discard();
        return -1;
    }
    FreeAll();
    std::string reason;
    if (m_file.Commit(&reason) != 0) return Fail("rename", reason);
    Step("rename", 0);
    return 0;
}

void MovieMux::FreeAll() {
    m_videoCodec.reset();
    m_audioCodec.reset();
    m_scale.reset();
    m_resample.reset();
    m_frame.reset();
    m_dib.reset();
    m_dibBlocks.reset();
    m_packet.reset();
    // The muxer before the output context it writes into.
    m_format.reset();
    m_io.reset();
    av_dict_free(&m_options);
    m_videoStream = nullptr;
    m_audioStream = nullptr;
    m_audioPending.clear();
}

void MovieMux::Abandon(const std::string& reason) {
    if (m_failed) return;
    m_failed = true;
    m_reason = reason;
}

void MovieMux::Discard() {
    FreeAll();
    m_file.Discard();
}
