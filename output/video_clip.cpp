// Video clips through FFmpeg: the one named file (media_file.h), the container's
// demuxer, the stream's decoder, swscale to blue-green-red rows.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/mathematics.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstring>
#include <utility>

#include "image/ffmpeg_util.h"
#include "image/picture_file.h"
#include "output/media_file.h"
#include "output/video_clip.h"

namespace {

// A frame at most this many frames after the last one read is reached by decoding
// on; anything else seeks to the key frame before it.
constexpr int64_t kForwardFrames = 64;

// Time stamps beyond this are treated as missing, so that differences of two
// stamps can never overflow.
constexpr int64_t kStampLimit = int64_t{1} << 61;

using namespace ffmpeg;

bool valid_rate(AVRational rate) {
    return rate.num > 0 && rate.den > 0;
}

enum class Step { Found, Overshoot, End };

}  // namespace

struct VideoClip::State {
    std::unique_ptr<MediaFile> file;
    AVFormatContext* format = nullptr;  // the file's demuxer
    CodecPtr codec;
    PacketPtr packet;
    FramePtr decoded;    // the frame being received
    FramePtr shown;      // the latest frame at or before the last frame asked for
    FramePtr ahead;      // a frame already decoded past it
    FramePtr converted;  // swscale's padded output
    SwsContext* scale = nullptr;

    int streamIndex = -1;
    AVRational timeBase{0, 1};
    AVRational frameRate{0, 1};
    AVStream* stream = nullptr;
    int64_t start = 0;  // the stream's first stamp: where seeking for frame 0 aims
    // Frame 0's own stamp. Decoders that reorder frames give a frame the stamp of a
    // later packet when packets carry no presentation stamps (B-frames in AVI:
    // decoding stamps only); measuring from frame 0's stamp takes that shift out.
    // Streams without reordering start at `start`; the others learn it by decoding
    // their first frame.
    int64_t origin = 0;
    bool originKnown = false;
    // Frames a reordering decoder holds back: a key frame's place in decoding order
    // may lie this many frames before its place on screen.
    int64_t reorder = 0;
    int32_t width = 0;
    int32_t height = 0;

    bool hasShown = false;
    bool hasAhead = false;
    int64_t shownIndex = 0;
    int64_t aheadIndex = 0;
    int64_t lastIndex = -1;          // of the last decoded frame; kUnknown after a seek
    bool fresh = true;               // nothing read since the file was opened
    bool draining = false;           // the demuxer ran out; the decoder gives what it holds
    bool drained = false;            // the decoder gave everything; only a seek goes on
    int64_t lastInFile = INT64_MAX;  // the last frame the stream decoded to, once seen
    static constexpr int64_t kUnknown = INT64_MIN;

    ~State() { sws_freeContext(scale); }

    // A packet stamp at or before the key frame that frame `index` needs.
    int64_t SeekStampFor(int64_t index) const {
        return StampOf(std::max<int64_t>(0, index - reorder));
    }

    // The packet stamp where frame `index` lies.
    int64_t StampOf(int64_t index) const {
        int64_t offset = av_rescale_rnd(index, int64_t{frameRate.den} * timeBase.den,
                                        int64_t{frameRate.num} * timeBase.num, AV_ROUND_NEAR_INF);
        if (offset < 0 || offset > kStampLimit) return start;
        return start + offset;
    }

    // The frame number of a decoded frame: its stamp in frame periods from frame 0's,
    // rounded to the nearest; a frame without a stamp follows the last.
    bool IndexOf(const AVFrame* frame, int64_t* index) {
        int64_t stamp = frame->best_effort_timestamp;
        bool stamped = stamp != AV_NOPTS_VALUE && stamp <= kStampLimit && stamp >= -kStampLimit;
        if (!originKnown) {
            // Only ever reached decoding from the start of the stream.
            origin = stamped ? stamp : start;
            originKnown = true;
            *index = 0;
            return true;
        }
        if (!stamped) {
            if (lastIndex == kUnknown) return false;
            *index = lastIndex + 1;
            return true;
        }
        *index = av_rescale_rnd(stamp - origin, int64_t{frameRate.num} * timeBase.num,
                                int64_t{frameRate.den} * timeBase.den, AV_ROUND_NEAR_INF);
        return true;
    }

    // Whether the container's index holds a key frame after frame `from` (-1: the
    // start of the stream) and at or before frame `to`: 1 yes, 0 no, -1 when there
    // is no index to ask.
    int KeyFrameBetween(int64_t from, int64_t to) {
        if (avformat_index_get_entries_count(stream) == 0) return -1;
        const AVIndexEntry* key =
            avformat_index_get_entry_from_timestamp(stream, SeekStampFor(to), AVSEEK_FLAG_BACKWARD);
        if (!key) return 0;
        return key->timestamp > (from < 0 ? start : StampOf(from)) ? 1 : 0;
    }

    bool SeekTo(int64_t stamp, bool to_start) {
        fresh = false;
        if (av_seek_frame(format, streamIndex, stamp, AVSEEK_FLAG_BACKWARD) < 0) return false;
        avcodec_flush_buffers(codec.get());
        hasShown = hasAhead = false;
        draining = drained = false;
        lastIndex = to_start ? -1 : kUnknown;
        return true;
    }

    // Decodes on until frame `target` or a later one comes out. Found: `shown` is
    // the frame on screen at the target's time (the target itself, or the last one
    // before a gap in the stamps). Overshoot: the first frame decoded is already
    // later. End: the stream ended before the target.
    Step DecodeUntil(int64_t target) {
        fresh = false;
        for (;;) {
            int got = avcodec_receive_frame(codec.get(), decoded.get());
            if (got == 0) {
                int64_t index;
                bool placed = IndexOf(decoded.get(), &index);
                if (!placed) {
                    av_frame_unref(decoded.get());
                    continue;
                }
                lastIndex = index;
                if (index <= target) {
                    std::swap(shown, decoded);
                    av_frame_unref(decoded.get());
                    hasShown = true;
                    shownIndex = index;
                    if (index == target) return Step::Found;
                    continue;
                }
                std::swap(ahead, decoded);
                av_frame_unref(decoded.get());
                hasAhead = true;
                aheadIndex = index;
                return hasShown ? Step::Found : Step::Overshoot;
            }
            if (got != AVERROR(EAGAIN) || draining) {
                // AVERROR_EOF, or a decoder that cannot go on. Frames after the last
                // one decoded (a length the header overstates, a file cut short)
                // are not asked again.
                drained = true;
                if (got == AVERROR_EOF && lastIndex != kUnknown)
                    lastInFile = std::min(lastInFile, lastIndex);
                return Step::End;
            }
            int read = av_read_frame(format, packet.get());
            if (read < 0) {
                // The end of the file, or of what is left of a damaged one.
                draining = true;
                avcodec_send_packet(codec.get(), nullptr);
                continue;
            }
            // A packet the decoder refuses is damage: it is skipped, and the frames
            // after it still come.
            if (packet->stream_index == streamIndex) avcodec_send_packet(codec.get(), packet.get());
            av_packet_unref(packet.get());
        }
    }

    ImagePtr Convert(const AVFrame* frame) {
        if (frame->width < 1 || frame->height < 1) return nullptr;
        bool full_range = frame->color_range == AVCOL_RANGE_JPEG;
        AVPixelFormat source_format =
            unjpeg(static_cast<AVPixelFormat>(frame->format), &full_range);
        if (!sws_isSupportedInput(source_format)) return nullptr;
        scale =
            sws_getCachedContext(scale, frame->width, frame->height, source_format, width, height,
                                 AV_PIX_FMT_BGR24, kExactConvertFlags, nullptr, nullptr, nullptr);
        if (!scale) return nullptr;
        int colorspace =
            frame->colorspace == AVCOL_SPC_UNSPECIFIED ? SWS_CS_DEFAULT : int(frame->colorspace);
        // Refused (and harmless) for sources that are not YUV.
        sws_setColorspaceDetails(scale, sws_getCoefficients(colorspace), full_range ? 1 : 0,
                                 sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
        if (!converted) {
            // swscale's vector loops store whole blocks past a row's end, so it writes
            // into a padded frame, never straight into the image's exact rows.
            converted.reset(av_frame_alloc());
            if (!converted) return nullptr;
            converted->format = AV_PIX_FMT_BGR24;
            converted->width = width;
            converted->height = height;
            if (av_frame_get_buffer(converted.get(), 0) < 0) {
                converted.reset();
                return nullptr;
            }
        }
        int rows = sws_scale(scale, frame->data, frame->linesize, 0, frame->height, converted->data,
                             converted->linesize);
        if (rows != height) return nullptr;
        ImagePtr image(create_image(width, height, 24));
        if (!image) return nullptr;
        const size_t row_bytes = 3 * static_cast<size_t>(width);
        for (int32_t y = 0; y < height; ++y) {
            std::memcpy(image_row(image.get(), y),
                        converted->data[0] + static_cast<ptrdiff_t>(y) * converted->linesize[0],
                        row_bytes);
        }
        return image;
    }
};

VideoClip::VideoClip(std::unique_ptr<State> state) : m_state(std::move(state)) {}

VideoClip::~VideoClip() = default;

std::unique_ptr<VideoClip> VideoClip::OpenFile(const std::string& path) {
    auto state = std::make_unique<State>();
    state->file = MediaFile::Open(path);
    if (!state->file) return nullptr;
    state->format = state->file->Format();
    return std::unique_ptr<VideoClip>(new VideoClip(std::move(state)));
}

ClipStream VideoClip::TakeVideoStream() {
    State& s = *m_state;
    AVFormatContext* format = s.format;
    AVStream* stream = nullptr;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        AVStream* candidate = format->streams[i];
        // Cover pictures are stored as video streams of one frame; they are no clip.
        if (candidate->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
            !(candidate->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
            stream = candidate;
            break;
        }
    }
    if (!stream) return ClipStream::Missing;
    const AVCodecParameters* parameters = stream->codecpar;
    const AVCodec* decoder = avcodec_find_decoder(parameters->codec_id);
    if (!decoder) return ClipStream::Missing;

    // Nothing the file says is trusted for an allocation before it is checked.
    const int32_t width = parameters->width;
    const int32_t height = parameters->height;
    if (width < 1 || height < 1 || int64_t{width} * height > kMaxPicturePixels)
        return ClipStream::Unusable;
    const int32_t stride = image_stride(width, 24);
    if (stride < 0 || int64_t{stride} * height > kMaxImageBytes) return ClipStream::Unusable;

    auto pixel_format = static_cast<AVPixelFormat>(parameters->format);
    bool full_range = false;
    if (pixel_format != AV_PIX_FMT_NONE &&
        !sws_isSupportedInput(unjpeg(pixel_format, &full_range))) {
        return ClipStream::Unconvertible;
    }

    // The base rate FFmpeg reads off the stamps is exact for a steady stream; the
    // average over the stream's length is skewed in short clips whose length leaves
    // out the last frame's period. A base rate well above the average marks a
    // stream of varying rate, which is counted at its average instead.
    AVRational rate = stream->r_frame_rate;
    const AVRational average = stream->avg_frame_rate;
    if (!valid_rate(rate) ||
        (valid_rate(average) && av_cmp_q(rate, av_mul_q(average, AVRational{5, 4})) > 0)) {
        rate = average;
    }
    if (!valid_rate(rate) || !valid_rate(stream->time_base)) return ClipStream::Unusable;
    int64_t count = stream->nb_frames;
    if (count <= 0 && stream->duration != AV_NOPTS_VALUE && stream->duration > 0) {
        count = av_rescale_rnd(stream->duration, int64_t{rate.num} * stream->time_base.num,
                               int64_t{rate.den} * stream->time_base.den, AV_ROUND_NEAR_INF);
    }
    if (count <= 0 && format->duration != AV_NOPTS_VALUE && format->duration > 0) {
        count = av_rescale_rnd(format->duration, rate.num, int64_t{rate.den} * AV_TIME_BASE,
                               AV_ROUND_NEAR_INF);
    }
    if (count < 1 || count > INT32_MAX) return ClipStream::Unusable;
    int64_t start = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
    if (start > kStampLimit || start < -kStampLimit) return ClipStream::Unusable;

    CodecPtr codec(avcodec_alloc_context3(decoder));
    if (!codec || avcodec_parameters_to_context(codec.get(), parameters) < 0)
        return ClipStream::Missing;
    codec->max_pixels = kMaxPicturePixels;
    codec->thread_count = 1;
    codec->pkt_timebase = stream->time_base;
    if (avcodec_open2(codec.get(), decoder, nullptr) < 0) return ClipStream::Missing;
    s.packet.reset(av_packet_alloc());
    s.decoded.reset(av_frame_alloc());
    s.shown.reset(av_frame_alloc());
    s.ahead.reset(av_frame_alloc());
    if (!s.packet || !s.decoded || !s.shown || !s.ahead) return ClipStream::Missing;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        if (format->streams[i] != stream) format->streams[i]->discard = AVDISCARD_ALL;
    }

    s.codec = std::move(codec);
    s.stream = stream;
    s.streamIndex = stream->index;
    s.timeBase = stream->time_base;
    s.frameRate = rate;
    s.start = start;
    s.origin = start;
    s.originKnown = parameters->video_delay == 0;
    s.reorder = std::max(0, parameters->video_delay);
    s.width = width;
    s.height = height;
    m_width = width;
    m_height = height;
    m_frameBytes = stride * height;
    m_frameRate = rate.num;
    m_scale = rate.den;
    m_frameCount = static_cast<int32_t>(count);
    return ClipStream::Ok;
}

bool VideoClip::SameFileAs(const std::string& path) const {
    return m_state->codec && m_state->file->Names(path);
}

ImagePtr VideoClip::ReadFrame(int32_t index) {
    State& s = *m_state;
    if (!s.codec || index < 0 || index >= m_frameCount || index > s.lastInFile) return nullptr;
    const int64_t target = index;
    if (s.hasAhead && s.aheadIndex <= target) {
        std::swap(s.shown, s.ahead);
        av_frame_unref(s.ahead.get());
        s.hasShown = true;
        s.hasAhead = false;
        s.shownIndex = s.aheadIndex;
    }
    if (s.hasShown && s.shownIndex == target) return s.Convert(s.shown.get());
    // The target falls into a gap of the stamps: the frame before it stays on screen.
    if (s.hasShown && s.shownIndex < target && s.hasAhead) return s.Convert(s.shown.get());

    if (!s.originKnown) {
        if (!s.fresh && !s.SeekTo(s.start, true)) return nullptr;
        if (s.DecodeUntil(0) != Step::Found) return nullptr;
    }
    // Decoding on from the current place beats seeking unless a key frame lies in
    // between (seeking there skips the frames before it).
    bool forward = false;
    if (!s.drained && (s.fresh || (s.hasShown && s.shownIndex < target))) {
        int64_t from = s.fresh ? -1 : s.shownIndex;
        int key = s.KeyFrameBetween(from, target);
        forward = key == 0 || (key < 0 && target - from <= kForwardFrames);
    }
    // Seeking lands on the key frame at or before a stamp. Containers whose index
    // holds decoding stamps may land after the target; then an earlier point, and
    // finally the start, is tried.
    for (int attempt = forward ? -1 : 0; attempt < 3; ++attempt) {
        if (attempt == 0 && !s.SeekTo(s.SeekStampFor(target), target <= s.reorder)) continue;
        if (attempt == 1 &&
            (target <= kForwardFrames || !s.SeekTo(s.SeekStampFor(target - kForwardFrames), false)))
            continue;
        if (attempt == 2 && !s.SeekTo(s.start, true)) continue;
        Step step = s.DecodeUntil(target);
        if (step == Step::Found) return s.Convert(s.shown.get());
        // The stream ended after earlier frames: the target lies beyond its end.
        // Ended with nothing at or before the target: the key frame was too late.
        if (step == Step::End && s.hasShown) return nullptr;
    }
    return nullptr;
}
