#pragma once
// Owning pointers for FFmpeg's objects, and small helpers shared by everything that
// decodes or encodes through FFmpeg (pictures here, video clips and music in the
// reading half of output/, the movie writers in its writing half).

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libavutil/mem.h>
#include <libavutil/pixfmt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>
#include <string>

namespace ffmpeg {

struct IoContextFree {
    void operator()(AVIOContext* io) const {
        av_freep(&io->buffer);
        avio_context_free(&io);
    }
};
struct FormatClose {
    void operator()(AVFormatContext* format) const { avformat_close_input(&format); }
};
struct CodecFree {
    void operator()(AVCodecContext* codec) const { avcodec_free_context(&codec); }
};
struct PacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FrameFree {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct ScaleFree {
    void operator()(SwsContext* scale) const { sws_freeContext(scale); }
};
struct ResampleFree {
    void operator()(SwrContext* resample) const { swr_free(&resample); }
};
// A muxer's context; its output I/O belongs to whoever set it.
struct OutputFormatFree {
    void operator()(AVFormatContext* format) const { avformat_free_context(format); }
};

using IoPtr = std::unique_ptr<AVIOContext, IoContextFree>;
using FormatPtr = std::unique_ptr<AVFormatContext, FormatClose>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using ScalePtr = std::unique_ptr<SwsContext, ScaleFree>;
using ResamplePtr = std::unique_ptr<SwrContext, ResampleFree>;
using OutputFormatPtr = std::unique_ptr<AVFormatContext, OutputFormatFree>;

// The pixel format swscale should read, with the full-range flag of the old "J"
// formats turned into a colour-range setting (*full_range set to true for them).
AVPixelFormat unjpeg(AVPixelFormat format, bool* full_range);

// FFmpeg's text for an error code ("No space left on device").
std::string av_error_text(int code);

// swscale flags for exact colours: chroma interpolated to every output pixel and
// accurate rounding (the fast packed path misses the exact YCbCr conversion by up
// to two levels).
inline constexpr int kExactConvertFlags = SWS_BILINEAR | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT;

}  // namespace ffmpeg
