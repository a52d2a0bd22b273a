// Picture decoding and EXIF reading on arbitrary bytes: neither may crash, read
// outside its input or allocate what the bytes do not justify.

extern "C" {
#include <libavutil/log.h>
}

#include <cstddef>
#include <cstdint>

#include "image/picture_file.h"

namespace {

// Keeps each run's memory small; the size checks are the same at any limit.
constexpr int64_t kFuzzMaxPixels = int64_t{1} << 22;

// The tags captions quote.
constexpr int kCaptionTags[] = {0x10F, 0x110, 0x131, 0x132, 0x829A, 0x829D, 0x8827, 0x9209, 0x920A};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    av_log_set_level(AV_LOG_QUIET);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ImagePtr image(load_picture_from_memory(data, size, kFuzzMaxPixels));
    if (image && (image->bpp != 24 || image->alpha || image->width < 1 || image->height < 1 ||
                  int64_t{image->width} * image->height > kFuzzMaxPixels)) {
        __builtin_trap();
    }
    for (int tag : kCaptionTags) {
        std::optional<std::string> text = read_exif_property_from_memory(data, size, tag);
        if (text && text->size() > size) __builtin_trap();
    }
    return 0;
}
