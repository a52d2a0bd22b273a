#include "output/encoder_probe.h"

#include <algorithm>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace {

bool has_encoder(const char* name) {
    return avcodec_find_encoder_by_name(name) != nullptr;
}

bool has_muxer(const char* name) {
    return av_guess_format(name, nullptr, nullptr) != nullptr;
}

}  // namespace

uint32_t probe_encoders() {
    uint32_t word = 0;
    if (has_encoder("wmv2") && has_muxer("asf")) word |= kEncoderWindowsMediaVideo;
    if (has_encoder("mpeg4")) word |= kEncoderMpeg4Video;
    if (has_encoder("wmav2")) word |= kEncoderWindowsMediaAudio;
    return word;
}

bool quicktime_available() {
    return has_muxer("mov") && has_encoder("mpeg4");
}

std::vector<VideoEncoderInfo> avi_video_encoders() {
    std::vector<VideoEncoderInfo> found;
    const AVOutputFormat* avi = av_guess_format("avi", nullptr, nullptr);
    if (!avi) return found;
    void* state = nullptr;
    while (const AVCodec* codec = av_codec_iterate(&state)) {
        if (!av_codec_is_encoder(codec) || codec->type != AVMEDIA_TYPE_VIDEO) continue;
        // Hardware encoders need a device, experimental ones a flag the writer does
        // not set; neither would make a file here.
        if (codec->capabilities & (AV_CODEC_CAP_HARDWARE | AV_CODEC_CAP_EXPERIMENTAL)) continue;
        if (codec->id == AV_CODEC_ID_RAWVIDEO || !codec->pix_fmts) continue;
        if (avformat_query_codec(avi, codec->id, FF_COMPLIANCE_NORMAL) != 1) continue;
        found.push_back({codec->name, codec->long_name ? codec->long_name : codec->name});
    }
    std::sort(found.begin(), found.end(),
              [](const VideoEncoderInfo& a, const VideoEncoderInfo& b) { return a.name < b.name; });
    return found;
}
