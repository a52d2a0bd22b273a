#pragma once
// The one raster image type: bottom-up rows, 4-byte aligned stride, 24-bit BGR
// with an optional separate alpha plane, or 32-bit BGRA words.

#include <cstdint>
#include <memory>

struct CImageBuffer {
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;         // bytes per row, from image_stride
    int32_t bpp = 0;            // 1, 8, 24 or 32
    uint8_t* pixels = nullptr;  // stride * height bytes, owned
    uint8_t* alpha = nullptr;   // alpha_stride * height bytes, owned, 24-bit images only
    int32_t alphaStride = 0;    // 0 when there is no plane
};

// Colour as the scenario writes it: red, green, blue, alpha.
struct CColor {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t alpha = 0;

    constexpr CColor() = default;
    constexpr CColor(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255)
        : red(r), green(g), blue(b), alpha(a) {}
    friend constexpr bool operator==(const CColor&, const CColor&) = default;
};

void delete_image(CImageBuffer* image);

struct ImageDeleter {
    void operator()(CImageBuffer* image) const { delete_image(image); }
};
// Owning pointer for an image; release() hands the image to a caller that frees
// it with delete_image.
using ImagePtr = std::unique_ptr<CImageBuffer, ImageDeleter>;

// Largest pixel block (and alpha plane) an image may have. Keeping every block below
// 2 GiB means any byte offset inside one image fits a signed 32-bit product, and a
// size that would overflow is refused instead of wrapping.
inline constexpr int64_t kMaxImageBytes = INT32_MAX;

// Process-wide image mode: 32 (default) or 24. Read by every operation at call time.
// Any value other than 24 is stored as 32.
int get_image_mode();
int set_image_mode(int mode);  // returns the previous mode

// Bytes per row; -1 for an unknown bpp, a width below 1 or a row that does not fit
// 32 bits.
int32_t image_stride(int32_t width, int32_t bpp);

// Creating operations return none (nullptr) for a width or height below 1, an
// unknown bpp, a block larger than kMaxImageBytes, or when memory runs out.
CImageBuffer* create_image(int32_t width, int32_t height, int32_t bpp);
CImageBuffer* create_image32(int32_t width, int32_t height);
CImageBuffer* create_image24a(int32_t width, int32_t height);
int attach_alpha_plane(CImageBuffer* image);  // 0 or -1; replaces an existing plane
CImageBuffer* create_work_image(int32_t width, int32_t height);
// For a caller that writes every pixel (and, with the plane, every alpha value): the
// pixels are left as they come, only the slack at the end of each row is zeroed.
CImageBuffer* create_image_for_overwrite(int32_t width, int32_t height, int32_t bpp,
                                         bool alphaPlane = false);
CImageBuffer* create_filled_image(int32_t width, int32_t height, uint8_t red, uint8_t green,
                                  uint8_t blue, uint8_t alpha);
CImageBuffer* duplicate_image(const CImageBuffer* image);
CImageBuffer* image24_to_32(const CImageBuffer* image);
CImageBuffer* image32_to_24a(const CImageBuffer* image);
CImageBuffer* bitmap1_to_32(const CImageBuffer* image);
CImageBuffer* bitmap1_to_24(const CImageBuffer* image);
CImageBuffer* image24_to_rgb_rows(const CImageBuffer* image);
void flip_image_rows(CImageBuffer* image);

// Offsets clamp (x, y) to the nearest pixel of the image; none in gives 0.
int64_t pixel_offset(const CImageBuffer* image, int32_t x, int32_t y);
// which: 0 red, 1 green, 2 blue.
uint8_t get_component(const CImageBuffer* image, int32_t x, int32_t y, int which);
void set_component(CImageBuffer* image, int32_t x, int32_t y, int which, uint8_t value);
void or_component(CImageBuffer* image, int32_t x, int32_t y, int which, uint8_t value);
void set_pixel(CImageBuffer* image, int32_t x, int32_t y, uint8_t red, uint8_t green, uint8_t blue);

// Row y (0 = top of the picture) of the pixel block and of the alpha plane. y must
// lie inside the image; image_alpha_row needs a plane.
inline uint8_t* image_row(CImageBuffer* image, int32_t y) {
    return image->pixels + static_cast<int64_t>(image->height - 1 - y) * image->stride;
}
inline const uint8_t* image_row(const CImageBuffer* image, int32_t y) {
    return image->pixels + static_cast<int64_t>(image->height - 1 - y) * image->stride;
}
inline uint8_t* image_alpha_row(CImageBuffer* image, int32_t y) {
    return image->alpha + static_cast<int64_t>(image->height - 1 - y) * image->alphaStride;
}
inline const uint8_t* image_alpha_row(const CImageBuffer* image, int32_t y) {
    return image->alpha + static_cast<int64_t>(image->height - 1 - y) * image->alphaStride;
}
