// JPEG decoding through TurboJPEG. One decompressor per call, so any number of
// frame workers decode at once.

#include "image/jpeg_file.h"

#include <turbojpeg.h>

#include <memory>

namespace {

struct TurboJpegDestroy {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using TurboJpegPtr = std::unique_ptr<void, TurboJpegDestroy>;

// Accurate DCT and smooth upsampling (the default) for exact colours; rows written
// bottom-up as the image stores them; any warning (damaged or cut-off data) stops
// the decode; a progressive file may not run an endless list of scans.
constexpr int kDecodeFlags =
    TJFLAG_ACCURATEDCT | TJFLAG_BOTTOMUP | TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS;

}  // namespace

JpegOutcome decode_jpeg(const uint8_t* data, size_t size, int64_t max_pixels, ImagePtr* image,
                        int32_t bpp) {
    if (!data || size == 0 || (bpp != 24 && bpp != 32)) return JpegOutcome::kDeclined;
    TurboJpegPtr handle(tjInitDecompress());
    if (!handle) return JpegOutcome::kDeclined;
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(handle.get(), data, static_cast<unsigned long>(size), &width, &height,
                            &subsampling, &colourspace) != 0) {
        return JpegOutcome::kDeclined;
    }
    // libjpeg has no colour conversion from CMYK, and it widens 4:1:1 chroma by
    // repeating each sample four times where the general decoder interpolates.
    if (colourspace == TJCS_CMYK || colourspace == TJCS_YCCK || subsampling == TJSAMP_411) {
        return JpegOutcome::kDeclined;
    }
    if (width < 1 || height < 1 || int64_t{width} * height > max_pixels) {
        return JpegOutcome::kOversized;
    }
    // Every row is written by the decoder. Four-byte pixels come with an opaque
    // alpha byte.
    ImagePtr decoded(create_image_for_overwrite(width, height, bpp));
    if (!decoded) return JpegOutcome::kDeclined;
    if (tjDecompress2(handle.get(), data, static_cast<unsigned long>(size), decoded->pixels, width,
                      decoded->stride, height, bpp == 32 ? TJPF_BGRA : TJPF_BGR,
                      kDecodeFlags) != 0) {
        return JpegOutcome::kDeclined;
    }
    *image = std::move(decoded);
    return JpegOutcome::kDecoded;
}
