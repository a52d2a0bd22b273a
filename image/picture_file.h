#pragma once
// Picture files: decoding any picture FFmpeg reads into a 24-bit image, reading one
// EXIF property as text, and writing an image as an uncompressed BMP.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "image/image_buffer.h"

// Largest picture load_picture decodes (16384 x 16384). A header that claims more
// is refused before any pixel memory is taken.
inline constexpr int64_t kMaxPicturePixels = int64_t{1} << 28;

// Decodes the first picture of a JPEG, PNG, BMP, GIF, TIFF or WebP file (path in
// UTF-8) into a 24-bit image without alpha plane whose row 0 is the picture's top
// row. Palette, grey, 16-bit and alpha pictures are converted; transparency is
// dropped (the colour the decoder reports stays). None on any failure: a missing
// or unreadable file, another format, a damaged or truncated picture, an empty or
// oversized picture.
CImageBuffer* load_picture(const std::string& path);

// The same picture in the 32-bit layout, every pixel opaque: the bytes image24_to_32
// makes of load_picture's image. A JPEG is decoded straight into that layout.
CImageBuffer* load_picture32(const std::string& path);

// The same decoding from bytes in memory, with a pixel limit of the caller's choice
// (never above kMaxPicturePixels).
CImageBuffer* load_picture_from_memory(const uint8_t* data, size_t size,
                                       int64_t max_pixels = kMaxPicturePixels);

// The EXIF property with the given tag number of a picture file, as text: ASCII as
// the text up to its first NUL; SHORT, LONG and SLONG as the decimal number of the
// first value; RATIONAL as "numerator / denominator" of the first value. None for a
// file without EXIF data, a missing tag, any other type or a damaged entry.
std::optional<std::string> read_exif_property(const std::string& path, int tag);
std::optional<std::string> read_exif_property_from_memory(const uint8_t* data, size_t size,
                                                          int tag);

// The BMP file of an image of 24 or 32 bits (54-byte header, then the pixel block
// as it lies in memory); empty for any other image.
std::string bmp_file_bytes(const CImageBuffer* image);

// Writes a 24- or 32-bit image as an uncompressed bottom-up BMP (54-byte header,
// then the pixel block as it lies in memory, row slack included), replacing any
// existing file. 0 on success, -1 for another depth or any failed or short write.
int save_image_overwrite(const CImageBuffer* image, const std::string& path);
