#include "image/ffmpeg_util.h"

extern "C" {
#include <libavutil/error.h>
}

namespace ffmpeg {

std::string av_error_text(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

AVPixelFormat unjpeg(AVPixelFormat format, bool* full_range) {
    switch (format) {
        case AV_PIX_FMT_YUVJ420P:
            *full_range = true;
            return AV_PIX_FMT_YUV420P;
        case AV_PIX_FMT_YUVJ422P:
            *full_range = true;
            return AV_PIX_FMT_YUV422P;
        case AV_PIX_FMT_YUVJ444P:
            *full_range = true;
            return AV_PIX_FMT_YUV444P;
        case AV_PIX_FMT_YUVJ440P:
            *full_range = true;
            return AV_PIX_FMT_YUV440P;
        case AV_PIX_FMT_YUVJ411P:
            *full_range = true;
            return AV_PIX_FMT_YUV411P;
        default:
            return format;
    }
}

}  // namespace ffmpeg
