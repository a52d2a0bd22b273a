#include "image/image_buffer.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "image/blend_kernels.h"
#include "image/pixel_blocks.h"

namespace {

std::atomic<int> g_image_mode{32};

int64_t round_up4(int64_t n) {
    return (n + 3) / 4 * 4;
}

// Checked block size: stride * height when both are usable and the product stays
// within kMaxImageBytes, else -1.
int64_t block_bytes(int32_t stride, int32_t height) {
    if (stride < 1 || height < 1) return -1;
    int64_t bytes = static_cast<int64_t>(stride) * height;
    return bytes <= kMaxImageBytes ? bytes : -1;
}

size_t pixel_bytes(const CImageBuffer* image) {
    return static_cast<size_t>(image->stride) * static_cast<size_t>(image->height);
}

size_t alpha_bytes(const CImageBuffer* image) {
    return static_cast<size_t>(image->alphaStride) * static_cast<size_t>(image->height);
}

// An image record with no alpha plane and a zeroed pixel block, or, for a caller
// that writes every pixel, a block whose pixels are left as they come (the slack at
// the end of each row is zeroed all the same, since files copy whole rows).
CImageBuffer* allocate_image(int32_t width, int32_t height, int32_t bpp, bool zeroed = true) {
    if (height < 1) return nullptr;
    int32_t stride = image_stride(width, bpp);
    int64_t bytes = block_bytes(stride, height);
    if (bytes < 0) return nullptr;
    auto* image = new (std::nothrow) CImageBuffer;
    if (!image) return nullptr;
    image->pixels = take_pixel_block(static_cast<size_t>(bytes), zeroed);
    if (!image->pixels) {
        delete image;
        return nullptr;
    }
    image->width = width;
    image->height = height;
    image->stride = stride;
    image->bpp = bpp;
    const int64_t used = (int64_t{width} * bpp + 7) / 8;
    if (!zeroed && used < stride) {
        for (int32_t y = 0; y < height; ++y)
            std::memset(image->pixels + int64_t{y} * stride + used, 0,
                        static_cast<size_t>(stride - used));
    }
    return image;
}

// A plane of `bytes` bytes for the image; its slack too is zeroed when the pixels
// are left as they come.
uint8_t* take_alpha_plane(const CImageBuffer* image, int32_t alphaStride, bool zeroed) {
    const size_t bytes = static_cast<size_t>(alphaStride) * static_cast<size_t>(image->height);
    uint8_t* plane = take_pixel_block(bytes, zeroed);
    if (plane && !zeroed && image->width < alphaStride) {
        for (int32_t y = 0; y < image->height; ++y)
            std::memset(plane + int64_t{y} * alphaStride + image->width, 0,
                        static_cast<size_t>(alphaStride - image->width));
    }
    return plane;
}

bool bit_set(const uint8_t* row, int32_t x) {
    return (row[x >> 3] >> (7 - (x & 7))) & 1;
}

// Writes one 1-bit pixel.
void put_bit(uint8_t* byte, int32_t x, bool on) {
    uint8_t mask = static_cast<uint8_t>(0x80u >> (x & 7));
    *byte = on ? static_cast<uint8_t>(*byte | mask) : static_cast<uint8_t>(*byte & ~mask);
}

bool valid_image(const CImageBuffer* image) {
    return image && image->pixels && image->width >= 1 && image->height >= 1;
}

}  // namespace

int get_image_mode() {
    return g_image_mode.load(std::memory_order_relaxed);
}

int set_image_mode(int mode) {
    return g_image_mode.exchange(mode == 24 ? 24 : 32);
}

int32_t image_stride(int32_t width, int32_t bpp) {
    if (width < 1) return -1;
    int64_t w = width;
    int64_t stride;
    switch (bpp) {
        case 1:
            stride = round_up4((w + 7) / 8);
            break;
        case 8:
            stride = round_up4(w);
            break;
        case 24:
            stride = round_up4(3 * w);
            break;
        case 32:
            stride = 4 * w;
            break;
        default:
            return -1;
    }
    return stride <= INT32_MAX ? static_cast<int32_t>(stride) : -1;
}

void delete_image(CImageBuffer* image) {
    if (!image) return;
    give_back_pixel_block(image->pixels, pixel_bytes(image));
    give_back_pixel_block(image->alpha, alpha_bytes(image));
    delete image;
}

CImageBuffer* create_image(int32_t width, int32_t height, int32_t bpp) {
    return allocate_image(width, height, bpp);
}

CImageBuffer* create_image32(int32_t width, int32_t height) {
    return create_image(width, height, 32);
}

namespace {

int attach_plane(CImageBuffer* image, bool zeroed) {
    if (!valid_image(image)) return -1;
    int64_t alpha_stride = round_up4(image->width);
    if (alpha_stride > INT32_MAX) return -1;
    int64_t bytes = block_bytes(static_cast<int32_t>(alpha_stride), image->height);
    if (bytes < 0) return -1;
    uint8_t* plane = take_alpha_plane(image, static_cast<int32_t>(alpha_stride), zeroed);
    if (!plane) return -1;
    give_back_pixel_block(image->alpha, alpha_bytes(image));
    image->alpha = plane;
    image->alphaStride = static_cast<int32_t>(alpha_stride);
    return 0;
}

}  // namespace

int attach_alpha_plane(CImageBuffer* image) {
    return attach_plane(image, true);
}

CImageBuffer* create_image_for_overwrite(int32_t width, int32_t height, int32_t bpp,
                                         bool alphaPlane) {
    ImagePtr image(allocate_image(width, height, bpp, false));
    if (!image) return nullptr;
    if (alphaPlane && bpp == 24 && attach_plane(image.get(), false) != 0) return nullptr;
    return image.release();
}

CImageBuffer* create_image24a(int32_t width, int32_t height) {
    ImagePtr image(create_image(width, height, 24));
    if (!image || attach_alpha_plane(image.get()) != 0) return nullptr;
    return image.release();
}

CImageBuffer* create_work_image(int32_t width, int32_t height) {
    return get_image_mode() == 24 ? create_image24a(width, height) : create_image32(width, height);
}

CImageBuffer* create_filled_image(int32_t width, int32_t height, uint8_t red, uint8_t green,
                                  uint8_t blue, uint8_t alpha) {
    const bool mode24 = get_image_mode() == 24;
    // Every pixel is written below: the first row in memory (the bottom one) is filled
    // and copied to the others, in memory order.
    ImagePtr image(create_image_for_overwrite(width, height, mode24 ? 24 : 32, mode24));
    if (!image) return nullptr;
    uint8_t* first = image_row(image.get(), height - 1);
    if (mode24) {
        for (int32_t x = 0; x < width; ++x) {
            first[3 * x] = blue;
            first[3 * x + 1] = green;
            first[3 * x + 2] = red;
        }
        std::memset(image->alpha, alpha,
                    static_cast<size_t>(image->alphaStride) * static_cast<size_t>(height));
    } else {
        uint32_t word = static_cast<uint32_t>(alpha) << 24 | static_cast<uint32_t>(red) << 16 |
                        static_cast<uint32_t>(green) << 8 | blue;
        for (int32_t x = 0; x < width; ++x) std::memcpy(first + 4 * x, &word, 4);
    }
    for (int32_t y = height - 2; y >= 0; --y) {
        std::memcpy(image_row(image.get(), y), first, static_cast<size_t>(image->stride));
    }
    return image.release();
}

CImageBuffer* duplicate_image(const CImageBuffer* image) {
    if (!valid_image(image)) return nullptr;
    ImagePtr copy(allocate_image(image->width, image->height, image->bpp, false));
    if (!copy) return nullptr;
    std::memcpy(copy->pixels, image->pixels, pixel_bytes(image));
    if (image->alpha) {
        copy->alpha = take_pixel_block(alpha_bytes(image), false);
        if (!copy->alpha) return nullptr;
        copy->alphaStride = image->alphaStride;
        std::memcpy(copy->alpha, image->alpha, alpha_bytes(image));
    }
    return copy.release();
}

CImageBuffer* image24_to_32(const CImageBuffer* image) {
    if (!valid_image(image) || image->bpp != 24) return nullptr;
    ImagePtr result(create_image32(image->width, image->height));
    if (!result) return nullptr;
    for (int32_t y = image->height - 1; y >= 0; --y) {  // memory order
        const uint8_t* src = image_row(image, y);
        const uint8_t* alpha = image->alpha ? image_alpha_row(image, y) : nullptr;
        uint8_t* dst = image_row(result.get(), y);
        for (int32_t x = 0; x < image->width; ++x) {
            dst[4 * x] = src[3 * x];
            dst[4 * x + 1] = src[3 * x + 1];
            dst[4 * x + 2] = src[3 * x + 2];
            dst[4 * x + 3] = alpha ? alpha[x] : 255;
        }
    }
    return result.release();
}

CImageBuffer* image32_to_24a(const CImageBuffer* image) {
    if (!valid_image(image) || image->bpp != 32) return nullptr;
    ImagePtr result(create_image_for_overwrite(image->width, image->height, 24, true));
    if (!result) return nullptr;
    // Rows in memory order (bottom row first): the processor's prefetch follows
    // ascending addresses from one row into the next (top row first takes half as
    // long again).
    for (int32_t y = image->height - 1; y >= 0; --y) {
        split_alpha_row(image_row(image, y), image_row(result.get(), y),
                        image_alpha_row(result.get(), y), image->width);
    }
    return result.release();
}

void split_alpha_row(const uint8_t* source, uint8_t* colour, uint8_t* alpha, int32_t width) {
    int32_t x = 0;
#if VEMO_SSE2_KERNELS
    if (use_avx2_kernels()) x = split_alpha_row_avx2(source, colour, alpha, width);
    if (use_ssse3_kernels())
        x += split_alpha_row_ssse3(source + 4 * static_cast<int64_t>(x),
                                   colour + 3 * static_cast<int64_t>(x), alpha + x, width - x);
#endif
    for (; x < width; ++x) {
        colour[3 * x] = source[4 * x];
        colour[3 * x + 1] = source[4 * x + 1];
        colour[3 * x + 2] = source[4 * x + 2];
        alpha[x] = source[4 * x + 3];
    }
}

CImageBuffer* bitmap1_to_32(const CImageBuffer* image) {
    if (!valid_image(image) || image->bpp != 1) return nullptr;
    ImagePtr result(create_image32(image->width, image->height));
    if (!result) return nullptr;
    const uint32_t white = 0x00FFFFFFu;
    for (int32_t y = 0; y < image->height; ++y) {
        const uint8_t* src = image_row(image, y);
        uint8_t* dst = image_row(result.get(), y);
        for (int32_t x = 0; x < image->width; ++x) {
            if (bit_set(src, x)) std::memcpy(dst + 4 * x, &white, 4);
        }
    }
    return result.release();
}

CImageBuffer* bitmap1_to_24(const CImageBuffer* image) {
    if (!valid_image(image)) return nullptr;
    if (image->bpp == 24) return duplicate_image(image);
    if (image->bpp != 1) return nullptr;
    ImagePtr result(create_image(image->width, image->height, 24));
    if (!result) return nullptr;
    for (int32_t y = 0; y < image->height; ++y) {
        const uint8_t* src = image_row(image, y);
        uint8_t* dst = image_row(result.get(), y);
        for (int32_t x = 0; x < image->width; ++x) {
            if (bit_set(src, x)) std::memset(dst + 3 * x, 255, 3);
        }
    }
    return result.release();
}

CImageBuffer* image24_to_rgb_rows(const CImageBuffer* image) {
    if (!valid_image(image) || image->bpp != 24) return nullptr;
    ImagePtr result(create_image(image->width, image->height, 24));
    if (!result) return nullptr;
    for (int32_t y = 0; y < image->height; ++y) {
        const uint8_t* src = image_row(image, y);
        // Memory rows run top-down: row y is the y-th block of stride bytes.
        uint8_t* dst = result->pixels + static_cast<int64_t>(y) * result->stride;
        for (int32_t x = 0; x < image->width; ++x) {
            dst[3 * x] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
        }
    }
    return result.release();
}

namespace {

void swap_rows(uint8_t* block, int32_t stride, int32_t height, uint8_t* temp) {
    const size_t bytes = static_cast<size_t>(stride);
    for (int32_t i = 0; i < height / 2; ++i) {
        uint8_t* a = block + static_cast<int64_t>(i) * stride;
        uint8_t* b = block + static_cast<int64_t>(height - 1 - i) * stride;
        std::memcpy(temp, a, bytes);
        std::memcpy(a, b, bytes);
        std::memcpy(b, temp, bytes);
    }
}

}  // namespace

// The alpha plane turns with the pixels, so that every alpha byte stays with its pixel.
void flip_image_rows(CImageBuffer* image) {
    if (!valid_image(image)) return;
    const int32_t alpha_stride = image->alpha ? image->alphaStride : 0;
    std::unique_ptr<uint8_t[]> temp(new (std::nothrow)
                                        uint8_t[std::max(image->stride, alpha_stride)]);
    if (!temp) return;
    swap_rows(image->pixels, image->stride, image->height, temp.get());
    if (image->alpha) swap_rows(image->alpha, alpha_stride, image->height, temp.get());
}

int64_t pixel_offset(const CImageBuffer* image, int32_t x, int32_t y) {
    if (!valid_image(image)) return 0;
    x = std::clamp(x, 0, image->width - 1);
    y = std::clamp(y, 0, image->height - 1);
    int64_t row = static_cast<int64_t>(image->height - 1 - y) * image->stride;
    switch (image->bpp) {
        case 1:
            return row + x / 8;
        case 8:
            return row + x;
        case 24:
            return row + 3 * static_cast<int64_t>(x);
        case 32:
            return row + 4 * static_cast<int64_t>(x);
        default:
            return 0;
    }
}

uint8_t get_component(const CImageBuffer* image, int32_t x, int32_t y, int which) {
    if (!valid_image(image) || which < 0 || which > 2) return 0;
    const uint8_t* p = image->pixels + pixel_offset(image, x, y);
    switch (image->bpp) {
        case 1:
            return (*p >> (7 - (std::clamp(x, 0, image->width - 1) & 7))) & 1 ? 255 : 0;
        case 24:
        case 32:
            return p[2 - which];
        default:
            return 0;
    }
}

void set_component(CImageBuffer* image, int32_t x, int32_t y, int which, uint8_t value) {
    if (!valid_image(image) || which < 0 || which > 2) return;
    uint8_t* p = image->pixels + pixel_offset(image, x, y);
    if (image->bpp == 24 || image->bpp == 32) {
        p[2 - which] = value;
    } else if (image->bpp == 1) {
        put_bit(p, std::clamp(x, 0, image->width - 1), value != 0);
    }
}

void or_component(CImageBuffer* image, int32_t x, int32_t y, int which, uint8_t value) {
    if (!valid_image(image) || which < 0 || which > 2) return;
    uint8_t* p = image->pixels + pixel_offset(image, x, y);
    if (image->bpp == 24 || image->bpp == 32) {
        p[2 - which] |= value;
    } else if (image->bpp == 1 && value != 0) {
        put_bit(p, std::clamp(x, 0, image->width - 1), true);
    }
}

void set_pixel(CImageBuffer* image, int32_t x, int32_t y, uint8_t red, uint8_t green,
               uint8_t blue) {
    if (!valid_image(image)) return;
    uint8_t* p = image->pixels + pixel_offset(image, x, y);
    if (image->bpp == 24 || image->bpp == 32) {
        p[0] = blue;
        p[1] = green;
        p[2] = red;
    } else if (image->bpp == 1) {
        put_bit(p, std::clamp(x, 0, image->width - 1), (red | green | blue) != 0);
    }
}
