#pragma once
// The off-screen bitmap that captions and drawings are rasterised into: white on black,
// one byte of coverage per pixel (0 none, 255 full), and its conversion into images.
// Internal to the image library.

#include <cairo.h>

#include <cstdint>

#include "image/image_buffer.h"
#include "image/pango_util.h"

// Messages of the drawing steps that can fail (caption "エラー").
inline constexpr const char* kContextFailedMessage =
    "メモリ上デバイスコンテキストの作成に失敗しました。";
inline constexpr const char* kBitmapFailedMessage = "ビットマップの作成に失敗しました。";
inline constexpr const char* kFontFailedMessage = "フォントの作成に失敗しました。";
inline constexpr const char* kTextFailedMessage = "文字の描画に失敗しました。";
inline constexpr const char* kImageFailedMessage = "画像の作成に失敗しました。";

// Alpha of a pixel with coverage c drawn in a colour of alpha a.
inline uint8_t coverage_alpha(uint8_t c, uint8_t a) {
    return static_cast<uint8_t>(c * a / 255);
}

class CoverageMask {
public:
    // Makes a zeroed width x height mask and its drawing context. Returns 0, or -1 after
    // reporting the step that failed (the bitmap, then the context).
    int Create(int32_t width, int32_t height);

    cairo_t* Context() const { return m_cairo.get(); }
    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }

    // Back to all 0 for the next drawing.
    void Clear();
    // Finishes the drawing; the rows are readable afterwards.
    void Flush();
    // Coverage of row y (0 = top).
    const uint8_t* Row(int32_t y) const;

private:
    CairoSurfacePtr m_surface;
    CairoPtr m_cairo;
    int32_t m_width = 0;
    int32_t m_height = 0;
};

// New 24-bit image with a zero alpha plane whose blue, green and red bytes are the
// coverage (the white-on-black picture); none when it cannot be created.
CImageBuffer* mask_to_image24(const CoverageMask& mask);

// New 24-bit image with alpha plane in which every pixel has the colour `color` and the
// alpha coverage_alpha(c, color.alpha); none when it cannot be created.
CImageBuffer* mask_to_colour_image24(const CoverageMask& mask, CColor color);

// New 24-bit image with alpha plane filled with color (alpha color.alpha).
CImageBuffer* create_filled_image24(int32_t width, int32_t height, CColor color);

// The public result of a drawing made in 24 bits with alpha plane: unchanged in image
// mode 24, converted to 32 bits in mode 32 (the 24-bit image is released). None, after
// the report, when the conversion cannot be made.
CImageBuffer* drawn_to_work_image(ImagePtr drawn);
