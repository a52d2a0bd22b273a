#pragma once
// Video clips made by the tests through FFmpeg's own encoders and muxers. Every
// frame's picture tells its frame number: red is 30 + 18 n (modulo 256), green
// grows by 25 per row from the top (10 at row 0), blue by 15 per column from the
// left (5 at column 0). Lossy codecs get the flat form, one colour per frame
// (red 30 + 18 (n mod 12), green 30 + 40 (n / 12), blue 60), so that the frame
// number survives compression.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "image/ffmpeg_util.h"
#include "image/image_buffer.h"
#include "output/tests/writer_fixtures.h"

namespace clip_fixtures {

struct ClipRecipe {
    const char* muxer = "avi";
    const char* encoder = "rawvideo";
    AVPixelFormat pixelFormat = AV_PIX_FMT_BGR24;
    int width = 16;
    int height = 8;
    int frames = 12;
    AVRational rate{25, 1};
    int gop = 1;        // key frame interval
    int bFrames = 0;    // frames decoded out of presentation order
    bool flat = false;  // one colour per frame (for lossy codecs)
};

// Flat frames (at most 60 of them).
inline uint8_t flat_red(int n) {
    return static_cast<uint8_t>(30 + 18 * (n % 12));
}
inline uint8_t flat_green(int n) {
    return static_cast<uint8_t>(30 + 40 * (n / 12));
}
inline constexpr uint8_t kFlatBlue = 60;

// Blue, green, red of pixel (x, y) (y = 0 is the top row) of frame n.
inline void frame_pixel(const ClipRecipe& recipe, int n, int x, int y, uint8_t* bgr) {
    if (recipe.flat) {
        bgr[0] = kFlatBlue, bgr[1] = flat_green(n), bgr[2] = flat_red(n);
        return;
    }
    bgr[0] = uint8_t(5 + 15 * x), bgr[1] = uint8_t(10 + 25 * y), bgr[2] = uint8_t(30 + 18 * n);
}

inline bool encoder_available(const char* name) {
    return avcodec_find_encoder_by_name(name) != nullptr;
}

// Frame n in the recipe's pixel format, converted from its blue-green-red pixels as
// the clip stores it; none when FFmpeg refuses.
inline ffmpeg::FramePtr stored_frame(const ClipRecipe& recipe, int n) {
    ffmpeg::FramePtr source(av_frame_alloc());
    ffmpeg::FramePtr frame(av_frame_alloc());
    if (!source || !frame) return {};
    source->format = AV_PIX_FMT_BGR24;
    frame->format = recipe.pixelFormat;
    source->width = frame->width = recipe.width;
    source->height = frame->height = recipe.height;
    if (av_frame_get_buffer(source.get(), 0) < 0 || av_frame_get_buffer(frame.get(), 0) < 0)
        return {};
    for (int y = 0; y < recipe.height; ++y)
        for (int x = 0; x < recipe.width; ++x)
            frame_pixel(recipe, n, x, y, source->data[0] + y * source->linesize[0] + 3 * x);
    ffmpeg::ScalePtr scale(sws_getContext(recipe.width, recipe.height, AV_PIX_FMT_BGR24,
                                          recipe.width, recipe.height, recipe.pixelFormat,
                                          SWS_POINT, nullptr, nullptr, nullptr));
    if (!scale) return {};
    sws_scale(scale.get(), source->data, source->linesize, 0, recipe.height, frame->data,
              frame->linesize);
    frame->pts = n;
    return frame;
}

// Writes the clip; false when FFmpeg refuses any step.
inline bool write_clip(const std::string& path, const ClipRecipe& recipe) {
    auto setup = [&recipe](AVCodecContext* codec) {
        codec->width = recipe.width, codec->height = recipe.height;
        codec->pix_fmt = recipe.pixelFormat;
        codec->time_base = av_inv_q(recipe.rate), codec->framerate = recipe.rate;
        codec->gop_size = recipe.gop, codec->max_b_frames = recipe.bFrames;
        codec->thread_count = 1;
        if (recipe.flat) {
            codec->flags |= AV_CODEC_FLAG_QSCALE;
            codec->global_quality = FF_QP2LAMBDA * 2;
        }
        // x264 would take every new flat colour for a scene cut and choose no
        // B-frames; told not to decide, it uses them all.
        if (recipe.bFrames > 0 && std::string(recipe.encoder) == "libx264")
            av_opt_set(codec->priv_data, "x264-params", "b-adapt=0:scenecut=0", 0);
    };
    int n = 0;
    bool complete = true;  // a frame FFmpeg refuses to make ends the clip: not written
    const bool written = writer_fixtures::encode_file(
        path, recipe.muxer, recipe.encoder, setup, [&](const AVCodecContext*) {
            if (n >= recipe.frames) return ffmpeg::FramePtr();
            ffmpeg::FramePtr frame = stored_frame(recipe, n++);
            if (!frame) complete = false;
            return frame;
        });
    return written && complete;
}

// Whether every pixel of the image is frame n's exactly.
inline bool is_exact_frame(const CImageBuffer* image, const ClipRecipe& recipe, int n) {
    if (!image || image->bpp != 24 || image->width != recipe.width ||
        image->height != recipe.height)
        return false;
    for (int y = 0; y < recipe.height; ++y) {
        const uint8_t* row = image_row(image, y);
        for (int x = 0; x < recipe.width; ++x) {
            uint8_t want[3];
            frame_pixel(recipe, n, x, y, want);
            if (std::memcmp(row + 3 * x, want, 3) != 0) return false;
        }
    }
    return true;
}

}  // namespace clip_fixtures
