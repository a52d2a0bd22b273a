#pragma once
// Shared material of the writer tests and the clip reader's: frames with a counter pattern, music
// files made on the spot (WAV of any depth, possibly cut short, and FLAC through FFmpeg's own
// encoder), and a reader that takes a written movie apart with FFmpeg (streams, packets in file
// order, decoded frames and samples).

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "image/ffmpeg_util.h"
#include "image/image_buffer.h"

namespace writer_fixtures {

// ---- frames ----

// Frame patterns:
// - Gradient, the counter pattern: blue steps along x, green along y, red counts
//   the frames;
// - Flat: one colour a frame (for lossy codecs), distinct for n < 8: red 40 + 25 n,
//   green 200 - 20 n, blue 90;
// - Noise: every pixel different (so that a lossy encoder's quality shows in its
//   size).
enum class Pattern { Gradient, Flat, Noise };

inline void pattern_pixel(int n, int x, int y, Pattern pattern, uint8_t* bgr) {
    switch (pattern) {
        case Pattern::Flat:
            bgr[0] = 90;
            bgr[1] = static_cast<uint8_t>(200 - 20 * n);
            bgr[2] = static_cast<uint8_t>(40 + 25 * n);
            return;
        case Pattern::Noise: {
            uint32_t h =
                uint32_t(x) * 73856093u ^ uint32_t(y) * 19349663u ^ uint32_t(n) * 83492791u;
            h = (h ^ h >> 13) * 0x5bd1e995u;
            h ^= h >> 15;
            bgr[0] = uint8_t(h), bgr[1] = uint8_t(h >> 8), bgr[2] = uint8_t(h >> 16);
            return;
        }
        case Pattern::Gradient:
            break;
    }
    bgr[0] = static_cast<uint8_t>(3 * x + 7);
    bgr[1] = static_cast<uint8_t>(5 * y + 11);
    bgr[2] = static_cast<uint8_t>(17 * n + x / 8);
}

// A 24-bit image (bottom-up rows, as the engine hands frames out) of frame n.
inline ImagePtr make_frame(int n, int width, int height, Pattern pattern = Pattern::Gradient) {
    ImagePtr image(create_image(width, height, 24));
    for (int y = 0; y < height; ++y) {
        uint8_t* row = image_row(image.get(), y);
        for (int x = 0; x < width; ++x) pattern_pixel(n, x, y, pattern, row + 3 * x);
    }
    return image;
}

// Top-down BGR24 rows without padding, as a decoder gives them, of frame n.
inline std::vector<uint8_t> expected_rows(int n, int width, int height,
                                          Pattern pattern = Pattern::Gradient) {
    std::vector<uint8_t> rows(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pattern_pixel(n, x, y, pattern, &rows[(static_cast<size_t>(y) * width + x) * 3]);
    return rows;
}

// ---- music ----

struct WavRecipe {
    int channels = 2;
    int bits = 16;
    int rate = 44100;
    int64_t frames = 4410;
    int64_t claimedFrames = -1;  // what the header says; -1: frames
};

// The PCM bytes of a recipe: every byte differs from its neighbours.
inline std::string wav_data(const WavRecipe& recipe) {
    const int64_t block = recipe.channels * (recipe.bits / 8);
    std::string data(static_cast<size_t>(recipe.frames * block), '\0');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>((i * 37 + (i >> 9) * 11 + 5) & 0xFF);
    return data;
}

// A canonical PCM WAV file of the recipe.
inline std::string wav_file(const WavRecipe& recipe) {
    const uint32_t block = static_cast<uint32_t>(recipe.channels * (recipe.bits / 8));
    const int64_t claimed = recipe.claimedFrames < 0 ? recipe.frames : recipe.claimedFrames;
    const uint32_t dataBytes = static_cast<uint32_t>(claimed * block);
    std::string out;
    // Little-endian fields of `size` bytes, and the chunk names between them.
    auto put = [&out](uint32_t v, int size) {
        for (int i = 0; i < size; ++i) out += static_cast<char>(v >> 8 * i & 0xFF);
    };
    out += "RIFF", put(36 + dataBytes, 4), out += "WAVEfmt ", put(16, 4), put(1, 2);
    put(uint32_t(recipe.channels), 2), put(uint32_t(recipe.rate), 4);
    put(uint32_t(recipe.rate) * block, 4), put(block, 2), put(uint32_t(recipe.bits), 2);
    out += "data", put(dataBytes, 4);
    return out + wav_data(recipe);
}

// A reporting call that adds each line to `lines`.
inline auto record_into(std::vector<std::string>& lines) {
    return [&lines](const std::string& text) { return lines.push_back(text), 0; };
}

inline std::string write_file(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

// Interleaved 16-bit samples of a tone that FLAC keeps exactly.
inline std::vector<int16_t> tone_samples(int channels, int64_t frames) {
    std::vector<int16_t> samples(static_cast<size_t>(frames * channels));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(static_cast<int>((i * 263) % 20000) - 10000);
    return samples;
}

// Encodes the frames `next` hands out (none after the last) with FFmpeg's encoder
// `name` into `path` through `muxer`; `setup` chooses the encoder's settings. Every
// packet lasts at least one unit, so that the container's length counts the last
// frame. False when FFmpeg refuses any step.
inline bool encode_file(const std::string& path, const char* muxer, const char* name,
                        const std::function<void(AVCodecContext*)>& setup,
                        const std::function<ffmpeg::FramePtr(const AVCodecContext*)>& next) {
    using namespace ffmpeg;
    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, nullptr, muxer, path.c_str()) < 0) return false;
    auto close = [](AVFormatContext* out) {
        if (out->pb) avio_closep(&out->pb);
        avformat_free_context(out);
    };
    std::unique_ptr<AVFormatContext, decltype(close)> out(raw, close);
    const AVCodec* encoder = avcodec_find_encoder_by_name(name);
    AVStream* stream = avformat_new_stream(raw, nullptr);
    CodecPtr codec(encoder ? avcodec_alloc_context3(encoder) : nullptr);
    PacketPtr packet(av_packet_alloc());
    if (!stream || !codec || !packet) return false;
    setup(codec.get());
    if (raw->oformat->flags & AVFMT_GLOBALHEADER) codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(codec.get(), encoder, nullptr) < 0 ||
        avcodec_parameters_from_context(stream->codecpar, codec.get()) < 0)
        return false;
    stream->time_base = codec->time_base;
    if (avio_open(&raw->pb, path.c_str(), AVIO_FLAG_WRITE) < 0 ||
        avformat_write_header(raw, nullptr) < 0)
        return false;
    // Sends a frame (none: the end) and writes the packets it gives.
    auto send = [&](const AVFrame* frame) {
        if (avcodec_send_frame(codec.get(), frame) < 0) return false;
        for (;;) {
            const int got = avcodec_receive_packet(codec.get(), packet.get());
            if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return true;
            if (got < 0) return false;
            if (packet->duration == 0) packet->duration = 1;
            av_packet_rescale_ts(packet.get(), codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            if (av_interleaved_write_frame(raw, packet.get()) < 0) return false;
        }
    };
    for (FramePtr frame = next(codec.get()); frame; frame = next(codec.get()))
        if (!send(frame.get())) return false;
    return send(nullptr) && av_write_trailer(raw) == 0;
}

// Encodes `samples` (interleaved 16-bit) as FLAC through FFmpeg; false when the
// encoder is missing or refuses.
inline bool write_flac(const std::string& path, const std::vector<int16_t>& samples, int channels,
                       int rate) {
    const int64_t total = static_cast<int64_t>(samples.size()) / channels;
    int64_t at = 0;
    auto setup = [&](AVCodecContext* codec) {
        codec->sample_fmt = AV_SAMPLE_FMT_S16;
        codec->sample_rate = rate;
        av_channel_layout_default(&codec->ch_layout, channels);
        codec->time_base = AVRational{1, rate};
    };
    auto next = [&](const AVCodecContext* codec) {
        ffmpeg::FramePtr frame(at < total ? av_frame_alloc() : nullptr);
        if (!frame) return frame;
        const int size = codec->frame_size > 0 ? codec->frame_size : 4096;
        frame->nb_samples = static_cast<int>(std::min<int64_t>(size, total - at));
        frame->format = AV_SAMPLE_FMT_S16;
        frame->sample_rate = rate;
        av_channel_layout_copy(&frame->ch_layout, &codec->ch_layout);
        if (av_frame_get_buffer(frame.get(), 0) < 0) return ffmpeg::FramePtr();
        std::memcpy(frame->data[0], samples.data() + at * channels,
                    static_cast<size_t>(frame->nb_samples) * channels * 2);
        frame->pts = at;
        at += frame->nb_samples;
        return frame;
    };
    return encode_file(path, "flac", "flac", setup, next);
}

// ---- reading a movie back ----

struct Packet {
    int stream = 0;
    int64_t pts = 0;
    int64_t duration = 0;
    bool key = false;
    std::vector<uint8_t> data;
};

struct Stream {
    AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
    AVCodecID codec = AV_CODEC_ID_NONE;
    uint32_t tag = 0;
    int sampleRate = 0;
    int channels = 0;
    int64_t bitRate = 0;
    AVRational timeBase{0, 1};
    int64_t frames = 0;  // as the container says
    int64_t duration = 0;
    std::vector<uint8_t> extradata;
};

struct Movie {
    std::string format;
    std::vector<Stream> streams;
    std::vector<Packet> packets;  // in file order

    int Find(AVMediaType type) const {
        for (size_t i = 0; i < streams.size(); ++i)
            if (streams[i].type == type) return static_cast<int>(i);
        return -1;
    }
    size_t Count(int stream) const {
        return size_t(std::count_if(packets.begin(), packets.end(),
                                    [stream](const Packet& p) { return p.stream == stream; }));
    }
    size_t Bytes() const {
        size_t n = 0;
        for (const Packet& p : packets) n += p.data.size();
        return n;
    }
};

inline Movie read_movie(const std::string& path) {
    Movie movie;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return movie;
    ffmpeg::FormatPtr format(raw);
    if (avformat_find_stream_info(raw, nullptr) < 0) return movie;
    movie.format = raw->iformat->name;
    for (unsigned i = 0; i < raw->nb_streams; ++i) {
        const AVStream* s = raw->streams[i];
        const AVCodecParameters* p = s->codecpar;
        const std::vector<uint8_t> extradata(p->extradata, p->extradata + p->extradata_size);
        movie.streams.push_back({p->codec_type, p->codec_id, p->codec_tag, p->sample_rate,
                                 p->ch_layout.nb_channels, p->bit_rate, s->time_base, s->nb_frames,
                                 s->duration, extradata});
    }
    ffmpeg::PacketPtr packet(av_packet_alloc());
    while (av_read_frame(raw, packet.get()) >= 0) {
        movie.packets.push_back({packet->stream_index, packet->pts, packet->duration,
                                 (packet->flags & AV_PKT_FLAG_KEY) != 0,
                                 std::vector<uint8_t>(packet->data, packet->data + packet->size)});
        av_packet_unref(packet.get());
    }
    return movie;
}

// Decodes every frame of the first stream of `type` in the file at `path`, handing
// each to `take`. False when the file or its stream cannot be opened.
inline bool decode_stream(const std::string& path, AVMediaType type,
                          const std::function<void(const AVFrame*)>& take) {
    using namespace ffmpeg;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return false;
    FormatPtr format(raw);
    if (avformat_find_stream_info(raw, nullptr) < 0) return false;
    const int index = av_find_best_stream(raw, type, -1, -1, nullptr, 0);
    if (index < 0) return false;
    const AVCodecParameters* parameters = raw->streams[index]->codecpar;
    const AVCodec* decoder = avcodec_find_decoder(parameters->codec_id);
    CodecPtr codec(avcodec_alloc_context3(decoder));
    avcodec_parameters_to_context(codec.get(), parameters);
    codec->thread_count = 1;
    if (avcodec_open2(codec.get(), decoder, nullptr) < 0) return false;
    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    auto receive = [&]() {
        while (avcodec_receive_frame(codec.get(), frame.get()) == 0) {
            take(frame.get());
            av_frame_unref(frame.get());
        }
    };
    while (av_read_frame(raw, packet.get()) >= 0) {
        if (packet->stream_index == index) avcodec_send_packet(codec.get(), packet.get());
        av_packet_unref(packet.get());
        receive();
    }
    avcodec_send_packet(codec.get(), nullptr);
    receive();
    return true;
}

// Every frame of the first video stream, decoded and converted to top-down BGR24
// rows without padding.
inline std::vector<std::vector<uint8_t>> decode_frames(const std::string& path) {
    using namespace ffmpeg;
    std::vector<std::vector<uint8_t>> frames;
    decode_stream(path, AVMEDIA_TYPE_VIDEO, [&](const AVFrame* frame) {
        const int w = frame->width, h = frame->height;
        bool full = frame->color_range == AVCOL_RANGE_JPEG;
        AVPixelFormat source = unjpeg(static_cast<AVPixelFormat>(frame->format), &full);
        ScalePtr scale(sws_getContext(w, h, source, w, h, AV_PIX_FMT_BGR24, kExactConvertFlags,
                                      nullptr, nullptr, nullptr));
        if (full) {
            sws_setColorspaceDetails(scale.get(), sws_getCoefficients(SWS_CS_ITU601), 1,
                                     sws_getCoefficients(SWS_CS_ITU601), 1, 0, 1 << 16, 1 << 16);
        }
        std::vector<uint8_t> rows(static_cast<size_t>(w) * h * 3);
        uint8_t* out[1] = {rows.data()};
        int strides[1] = {w * 3};
        sws_scale(scale.get(), frame->data, frame->linesize, 0, h, out, strides);
        frames.push_back(std::move(rows));
    });
    return frames;
}

// The sample frames of the first audio stream, decoded (-1 when it cannot be);
// *pcm (when given) gets the decoded samples as interleaved bytes of the
// decoder's format.
inline int64_t decode_samples(const std::string& path, std::vector<uint8_t>* pcm = nullptr) {
    int64_t total = 0;
    bool decoded = decode_stream(path, AVMEDIA_TYPE_AUDIO, [&](const AVFrame* frame) {
        total += frame->nb_samples;
        const auto format = static_cast<AVSampleFormat>(frame->format);
        if (pcm && !av_sample_fmt_is_planar(format)) {
            const int bytes =
                av_get_bytes_per_sample(format) * frame->ch_layout.nb_channels * frame->nb_samples;
            pcm->insert(pcm->end(), frame->data[0], frame->data[0] + bytes);
        }
    });
    return decoded ? total : -1;
}

}  // namespace writer_fixtures
