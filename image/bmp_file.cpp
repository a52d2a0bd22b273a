// The system's own BMP writer.

#include <cstdio>
#include <memory>
#include <string>

#include "image/picture_file.h"

namespace {

constexpr uint32_t kHeaderBytes = 54;

void put16(uint8_t* at, uint16_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

void put32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

std::string bmp_file_bytes(const CImageBuffer* image) {
    if (!image || !image->pixels || image->width < 1 || image->height < 1) return {};
    if (image->bpp != 24 && image->bpp != 32) return {};
    // The block is at most kMaxImageBytes, so the file size fits 32 bits.
    const uint32_t imageBytes =
        static_cast<uint32_t>(image->stride) * static_cast<uint32_t>(image->height);

    uint8_t header[kHeaderBytes] = {};
    header[0] = 'B';
    header[1] = 'M';
    put32(header + 2, imageBytes + kHeaderBytes);  // file size
    put32(header + 6, 0);                          // reserved
    put32(header + 10, kHeaderBytes);              // offset of the pixel data
    put32(header + 14, 40);                        // info header size
    put32(header + 18, static_cast<uint32_t>(image->width));
    put32(header + 22, static_cast<uint32_t>(image->height));  // positive: bottom-up
    put16(header + 26, 1);                                     // planes
    put16(header + 28, static_cast<uint16_t>(image->bpp));
    put32(header + 30, 0);  // uncompressed
    put32(header + 34, imageBytes);
    put32(header + 38, 0);  // horizontal resolution
    put32(header + 42, 0);  // vertical resolution
    put32(header + 46, 0);  // colours used
    put32(header + 50, 0);  // important colours

    std::string bytes(reinterpret_cast<const char*>(header), kHeaderBytes);
    bytes.append(reinterpret_cast<const char*>(image->pixels), imageBytes);
    return bytes;
}

int save_image_overwrite(const CImageBuffer* image, const std::string& path) {
    const std::string bytes = bmp_file_bytes(image);
    if (bytes.empty()) return -1;
    std::FILE* raw = std::fopen(path.c_str(), "wb");
    if (!raw) return -1;
    std::unique_ptr<std::FILE, FileCloser> file(raw);
    if (std::fwrite(bytes.data(), 1, bytes.size(), raw) != bytes.size()) return -1;
    // A write error may only show when the buffered bytes reach the disk.
    return std::fclose(file.release()) == 0 ? 0 : -1;
}
