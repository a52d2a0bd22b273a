// Coverage masks on Cairo 8-bit surfaces, and their conversion into images.

#include "image/coverage_mask.h"

#include <cstring>

#include "base/report.h"

int CoverageMask::Create(int32_t width, int32_t height) {
    m_cairo.reset();
    m_surface.reset();
    // Cairo refuses sizes below 1 itself only for negative values; a 0-size bitmap is
    // refused here as it cannot hold a picture.
    if (width >= 1 && height >= 1)
        m_surface.reset(cairo_image_surface_create(CAIRO_FORMAT_A8, width, height));
    if (!m_surface || cairo_surface_status(m_surface.get()) != CAIRO_STATUS_SUCCESS) {
        m_surface.reset();
        ErrorBox("%s", kBitmapFailedMessage);
        return -1;
    }
    m_cairo.reset(cairo_create(m_surface.get()));
    if (cairo_status(m_cairo.get()) != CAIRO_STATUS_SUCCESS) {
        m_cairo.reset();
        m_surface.reset();
        ErrorBox("%s", kContextFailedMessage);
        return -1;
    }
    m_width = width;
    m_height = height;
    return 0;
}

void CoverageMask::Clear() {
    cairo_save(m_cairo.get());
    cairo_set_operator(m_cairo.get(), CAIRO_OPERATOR_CLEAR);
    cairo_paint(m_cairo.get());
    cairo_restore(m_cairo.get());
}

void CoverageMask::Flush() {
    cairo_surface_flush(m_surface.get());
}

const uint8_t* CoverageMask::Row(int32_t y) const {
    return cairo_image_surface_get_data(m_surface.get()) +
           static_cast<int64_t>(y) * cairo_image_surface_get_stride(m_surface.get());
}

CImageBuffer* mask_to_image24(const CoverageMask& mask) {
    CImageBuffer* image = create_image24a(mask.Width(), mask.Height());
    if (!image) return nullptr;
    for (int32_t y = 0; y < mask.Height(); ++y) {
        const uint8_t* c = mask.Row(y);
        uint8_t* out = image_row(image, y);
        for (int32_t x = 0; x < mask.Width(); ++x, out += 3) out[0] = out[1] = out[2] = c[x];
    }
    return image;
}

CImageBuffer* mask_to_colour_image24(const CoverageMask& mask, CColor color) {
    CImageBuffer* image = create_filled_image24(mask.Width(), mask.Height(), color);
    if (!image) return nullptr;
    for (int32_t y = 0; y < mask.Height(); ++y) {
        const uint8_t* c = mask.Row(y);
        uint8_t* alpha = image_alpha_row(image, y);
        for (int32_t x = 0; x < mask.Width(); ++x) alpha[x] = coverage_alpha(c[x], color.alpha);
    }
    return image;
}

CImageBuffer* create_filled_image24(int32_t width, int32_t height, CColor color) {
    CImageBuffer* image = create_image24a(width, height);
    if (!image) return nullptr;
    // The first row is filled pixel by pixel, then copied to the others.
    uint8_t* first = image_row(image, 0);
    for (int32_t x = 0; x < width; ++x) {
        first[3 * x] = color.blue;
        first[3 * x + 1] = color.green;
        first[3 * x + 2] = color.red;
    }
    for (int32_t y = 1; y < height; ++y) std::memcpy(image_row(image, y), first, image->stride);
    std::memset(image->alpha, color.alpha, static_cast<size_t>(image->alphaStride) * height);
    return image;
}

CImageBuffer* drawn_to_work_image(ImagePtr drawn) {
    if (get_image_mode() == 24) return drawn.release();
    CImageBuffer* converted = image24_to_32(drawn.get());
    if (!converted) ErrorBox("%s", kImageFailedMessage);
    return converted;
}
