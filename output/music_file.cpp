// Music through FFmpeg: PCM packets copied as they stand, anything else decoded and
// converted by swresample to interleaved signed 16-bit samples.
//
// Reading keeps one place in the music: the sample frame that the next byte not
// yet handed out belongs to. Reads at or after it go on from there (skipping what
// lies between); a read before it opens the file afresh. The engine reads its
// music from front to back, so in practice the file is read through once.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/mathematics.h>
#include <libswresample/swresample.h>
}

#include "output/music_file.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "image/ffmpeg_util.h"
#include "output/media_file.h"

namespace {

using namespace ffmpeg;

// Formats out of these ranges are refused: every product of rate, channels and
// sample bytes then fits 32 bits.
constexpr int kMaxChannels = 64;
constexpr int kMaxSampleRate = 1000000;

// The bits per sample of PCM that is read as it stands; 0 for anything else.
int raw_pcm_bits(AVCodecID codec) {
    switch (codec) {
        case AV_CODEC_ID_PCM_U8:
            return 8;
        case AV_CODEC_ID_PCM_S16LE:
            return 16;
        case AV_CODEC_ID_PCM_S24LE:
            return 24;
        case AV_CODEC_ID_PCM_S32LE:
            return 32;
        default:
            return 0;
    }
}

// The layout of `layout`, or the default one of its channel count when the file
// did not say which channels it holds.
int usable_layout(const AVChannelLayout& layout, AVChannelLayout* out) {
    if (layout.order != AV_CHANNEL_ORDER_UNSPEC) return av_channel_layout_copy(out, &layout);
    av_channel_layout_default(out, layout.nb_channels);
    return 0;
}

}  // namespace

struct MusicFile::State {
    std::unique_ptr<MediaFile> file;
    AVFormatContext* format = nullptr;
    AVStream* stream = nullptr;
    int streamIndex = -1;
    bool raw = false;  // PCM copied as it stands

    // Decoding: the decoder and the converter to interleaved 16-bit samples, set up
    // for the input of the frame it last converted.
    CodecPtr codec;
    ResamplePtr resample;
    AVChannelLayout resampleLayout{};
    int resampleRate = 0;
    int resampleFormat = -1;
    AVChannelLayout outLayout{};
    int outRate = 0;

    PacketPtr packet;
    FramePtr frame;

    // Bytes not yet handed out; pending[offset] starts sample frame `cursor`.
    std::vector<uint8_t> pending;
    size_t offset = 0;
    int64_t cursor = 0;
    bool draining = false;  // the demuxer ran out; the decoder gives what it holds
    bool ended = false;     // nothing more will come

    ~State() {
        av_channel_layout_uninit(&resampleLayout);
        av_channel_layout_uninit(&outLayout);
    }

    // Frames (whole sample frames) ready in `pending`.
    int64_t Ready(int block) const {
        return static_cast<int64_t>((pending.size() - offset) / block);
    }

    // Appends the next stretch of the music to `pending`: 1 when something came, 0
    // at the end, -1 on a read or decode failure.
    int Pull(const WaveFormat& wave) {
        if (ended) return 0;
        pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(offset));
        offset = 0;
        return raw ? PullPacket() : PullDecoded(wave);
    }

    int PullPacket() {
        for (;;) {
            int read = av_read_frame(format, packet.get());
            if (read == AVERROR_EOF) {
                ended = true;
                return 0;
            }
            if (read < 0) return -1;
            if (packet->stream_index == streamIndex && packet->size > 0) {
                pending.insert(pending.end(), packet->data, packet->data + packet->size);
                av_packet_unref(packet.get());
                return 1;
            }
            av_packet_unref(packet.get());
        }
    }

    int PullDecoded(const WaveFormat& wave) {
        for (;;) {
            int got = avcodec_receive_frame(codec.get(), frame.get());
            if (got == 0) {
                int converted = Convert(frame.get(), wave);
                av_frame_unref(frame.get());
                if (converted < 0) return -1;
                if (converted > 0) return 1;
                continue;
            }
            if (got == AVERROR_EOF) {
                ended = true;
                // A converter that resampled holds the last few samples back.
                int flushed = Convert(nullptr, wave);
                return flushed < 0 ? -1 : (flushed > 0 ? 1 : 0);
            }
            if (got != AVERROR(EAGAIN) || draining) return -1;
            int read = av_read_frame(format, packet.get());
            if (read == AVERROR_EOF) {
                draining = true;
                avcodec_send_packet(codec.get(), nullptr);
                continue;
            }
            if (read < 0) return -1;
            // A packet the decoder refuses is damage: it is skipped, and the music
            // after it still comes.
            if (packet->stream_index == streamIndex) avcodec_send_packet(codec.get(), packet.get());
            av_packet_unref(packet.get());
        }
    }

    // Converts a decoded frame (none: what the converter still holds) and appends
    // it. The sample frames appended, or -1.
    int Convert(const AVFrame* input, const WaveFormat& wave) {
        if (input) {
            bool changed = !resample || input->sample_rate != resampleRate ||
                           input->format != resampleFormat ||
                           av_channel_layout_compare(&input->ch_layout, &resampleLayout) != 0;
            if (changed && Setup(input) != 0) return -1;
        }
        if (!resample) return 0;
        int room = swr_get_out_samples(resample.get(), input ? input->nb_samples : 0);
        if (room < 0) return -1;
        if (room == 0) return 0;
        const size_t at = pending.size();
        pending.resize(at + static_cast<size_t>(room) * static_cast<size_t>(wave.blockAlign));
        uint8_t* out = pending.data() + at;
        int made = swr_convert(resample.get(), &out, room,
                               input ? const_cast<const uint8_t**>(input->extended_data) : nullptr,
                               input ? input->nb_samples : 0);
        if (made < 0) {
            pending.resize(at);
            return -1;
        }
        pending.resize(at + static_cast<size_t>(made) * static_cast<size_t>(wave.blockAlign));
        return made;
    }

    // A converter from the frame's samples to the music's format (its rate and
    // channels as the header gave them).
    int Setup(const AVFrame* input) {
        AVChannelLayout inLayout{};
        if (usable_layout(input->ch_layout, &inLayout) != 0) return -1;
        SwrContext* made = nullptr;
        int result = swr_alloc_set_opts2(&made, &outLayout, AV_SAMPLE_FMT_S16, outRate, &inLayout,
                                         static_cast<AVSampleFormat>(input->format),
                                         input->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&inLayout);
        ResamplePtr next(made);
        if (result < 0 || swr_init(next.get()) < 0) return -1;
        resample = std::move(next);
        av_channel_layout_uninit(&resampleLayout);
        if (av_channel_layout_copy(&resampleLayout, &input->ch_layout) != 0) return -1;
        resampleRate = input->sample_rate;
        resampleFormat = input->format;
        return 0;
    }
};

// Opens `path` for reading from its first sample, and works out its format.
std::unique_ptr<MusicFile::State> MusicFile::OpenState(const std::string& path, WaveFormat* wave,
                                                       std::string* reason) {
    auto refuse = [reason](const std::string& text) -> std::unique_ptr<MusicFile::State> {
        if (reason) *reason = text;
        return nullptr;
    };
    auto state = std::make_unique<MusicFile::State>();
    state->file = MediaFile::Open(path, reason);
    if (!state->file) return nullptr;
    state->format = state->file->Format();
    int index = av_find_best_stream(state->format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (index < 0) return refuse("no audio stream");
    state->streamIndex = index;
    state->stream = state->format->streams[index];
    const AVCodecParameters* parameters = state->stream->codecpar;
    const int channels = parameters->ch_layout.nb_channels;
    const int rate = parameters->sample_rate;
    if (channels < 1 || channels > kMaxChannels) return refuse("unsupported channel count");
    if (rate < 1 || rate > kMaxSampleRate) return refuse("unsupported sample rate");

    int bits = raw_pcm_bits(parameters->codec_id);
    state->raw = bits != 0;
    if (!state->raw) {
        bits = 16;
        const AVCodec* decoder = avcodec_find_decoder(parameters->codec_id);
        if (!decoder) return refuse("no decoder for the audio stream");
        state->codec.reset(avcodec_alloc_context3(decoder));
        if (!state->codec) return refuse(av_error_text(AVERROR(ENOMEM)));
        int result = avcodec_parameters_to_context(state->codec.get(), parameters);
        if (result >= 0) result = avcodec_open2(state->codec.get(), decoder, nullptr);
        if (result < 0) return refuse(av_error_text(result));
        if (usable_layout(parameters->ch_layout, &state->outLayout) != 0)
            return refuse(av_error_text(AVERROR(ENOMEM)));
        // A decoder may change its rate or channels on the way; the music keeps
        // the header's.
        state->outRate = rate;
    }
    state->packet.reset(av_packet_alloc());
    state->frame.reset(av_frame_alloc());
    if (!state->packet || !state->frame) return refuse(av_error_text(AVERROR(ENOMEM)));

    wave->formatTag = kWaveFormatPcm;
    wave->channels = channels;
    wave->samplesPerSec = rate;
    wave->bitsPerSample = bits;
    wave->blockAlign = channels * (bits / 8);
    wave->avgBytesPerSec = rate * wave->blockAlign;
    wave->cbSize = 0;
    return state;
}

MusicFile::MusicFile(std::string path, std::unique_ptr<State> state, const WaveFormat& format)
    : m_path(std::move(path)), m_state(std::move(state)), m_format(format) {}

MusicFile::~MusicFile() = default;

std::unique_ptr<MusicFile> MusicFile::Open(const std::string& path, std::string* reason) {
    WaveFormat format;
    auto state = OpenState(path, &format, reason);
    if (!state) return nullptr;
    return std::unique_ptr<MusicFile>(new MusicFile(path, std::move(state), format));
}

int MusicFile::Rewind() {
    WaveFormat format;
    auto state = OpenState(m_path, &format, nullptr);
    // The file changed under us: it is no longer the music that was opened.
    if (!state || format != m_format) {
        m_state.reset();
        return -1;
    }
    m_state = std::move(state);
    return 0;
}

int64_t MusicFile::SampleCount() {
    if (m_count != -2) return m_count;
    const AVStream* stream = m_state ? m_state->stream : nullptr;
    if (stream && m_state->raw && stream->duration != AV_NOPTS_VALUE && stream->duration >= 0) {
        m_count = av_rescale_q(stream->duration, stream->time_base,
                               AVRational{1, m_format.samplesPerSec});
        return m_count;
    }
    WaveFormat format;
    auto counter = OpenState(m_path, &format, nullptr);
    if (!counter) return m_count = -1;
    int64_t count = 0;
    for (;;) {
        int pulled = counter->Pull(format);
        if (pulled < 0) return m_count = -1;
        if (pulled == 0) break;
        const int64_t frames = counter->Ready(format.blockAlign);
        counter->offset += static_cast<size_t>(frames) * static_cast<size_t>(format.blockAlign);
        count += frames;
    }
    return m_count = count;
}

int64_t MusicFile::Read(uint8_t* buffer, int64_t bytes, int64_t first) {
    if (bytes < 0 || first < 0 || (!buffer && bytes > 0)) return -1;
    const int block = m_format.blockAlign;
    const int64_t wanted = bytes / block;
    if (wanted == 0) return 0;
    if ((!m_state || first < m_state->cursor) && Rewind() != 0) return -1;
    State& s = *m_state;
    int64_t done = 0;
    while (done < wanted) {
        const int64_t ready = s.Ready(block);
        if (ready == 0) {
            int pulled = s.Pull(m_format);
            if (pulled < 0) {
                // The next read starts from a fresh file.
                m_state.reset();
                return -1;
            }
            if (pulled == 0) break;
            continue;
        }
        if (s.cursor < first) {
            const int64_t skip = std::min(ready, first - s.cursor);
            s.offset += static_cast<size_t>(skip) * static_cast<size_t>(block);
            s.cursor += skip;
            continue;
        }
        const int64_t take = std::min(ready, wanted - done);
        const size_t length = static_cast<size_t>(take) * static_cast<size_t>(block);
        std::memcpy(buffer + done * block, s.pending.data() + s.offset, length);
        s.offset += length;
        s.cursor += take;
        done += take;
    }
    return done;
}
