#include "output/encoder_probe.h"

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
