#pragma once
// JPEG pictures through libjpeg-turbo's TurboJPEG interface: decoded straight into
// the rows of a 24-bit image, with the accurate integer DCT and the smooth (triangle)
// chroma upsampling that puts each chroma sample where JFIF sites it.

#include <cstddef>
#include <cstdint>

#include "image/image_buffer.h"

enum class JpegOutcome {
    kDecoded,    // *image holds the picture
    kOversized,  // the header claims more than max_pixels; nothing was allocated
    kDeclined,   // not for this path: a header TurboJPEG does not read (12-bit, lossless,
                 // unusual sampling), CMYK or YCCK, 4:1:1 chroma, or data it found damaged
};

// Decodes a JPEG held in memory into a 24-bit image without alpha plane whose row 0
// is the picture's top row; with bpp 32, into a 32-bit image of the same colours,
// every alpha byte 255. Only a kDecoded outcome sets *image.
JpegOutcome decode_jpeg(const uint8_t* data, size_t size, int64_t max_pixels, ImagePtr* image,
                        int32_t bpp = 24);
