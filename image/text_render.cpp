// Captions through Pango on Cairo: the text is measured, its font shrunk when it does
// not fit, drawn white on black into a coverage mask, and the mask turned into the
// caption's colours over its background.
//
// Fonts are asked for the way scenarios size them: font_height is the height of a line
// (ascent plus descent; a negative value is the em height instead, 0 a default), and
// font_width is the average character width, reached by scaling the face horizontally.
// The average width is that of the face's Latin sample text, which for the Japanese
// faces is the half-width character, so 20 x 40 gives the face's natural proportions.
// The text is laid out in the unscaled face and drawn through a horizontally scaled
// Cairo transformation, which stretches glyphs and their positions alike (a scaled
// Pango context would stretch the glyphs but keep their advances).

#include "image/text_render.h"

#include <glib.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "base/report.h"
#include "image/compose.h"
#include "image/coverage_mask.h"
#include "image/font_config.h"
#include "image/pango_util.h"

namespace {

// Line height of a font asked for with height 0.
constexpr int64_t kDefaultFontHeight = 16;
// Larger fonts are measured at this size in proportion; a caption that size is shrunk
// to its picture anyway, and rasterisers fail far below the 32-bit limits.
constexpr int64_t kMaxFontPixels = 8192;
// Farthest a face is stretched or squeezed across to meet a font width.
constexpr double kMaxStretch = 32.0;
// The text whose average character width a font's width is matched to.
constexpr const char* kWidthSample = "The quick brown fox jumps over the lazy dog.";
// Measures are kept below this so that the fitting products stay within 64 bits.
constexpr int64_t kMaxMeasure = int64_t{1} << 30;

struct FontSize {
    int64_t width = 0;
    int64_t height = 0;
};

// Sizes beyond kMaxFontPixels shrink in proportion; a dimension that was not 0 stays
// at least one pixel.
FontSize limit_font_size(FontSize size) {
    const int64_t largest = std::max(std::abs(size.width), std::abs(size.height));
    if (largest <= kMaxFontPixels) return size;
    auto limit = [largest](int64_t v) {
        const int64_t limited = v * kMaxFontPixels / largest;
        return limited != 0 || v == 0 ? limited : (v > 0 ? 1 : -1);
    };
    return {limit(size.width), limit(size.height)};
}

// The text as Pango takes it: up to the first NUL, invalid sequences as U+FFFD.
std::string caption_text(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    std::unique_ptr<gchar, CFreeDeleter<void, g_free>> valid(
        g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())));
    return valid ? std::string(valid.get()) : std::string();
}

PangoAlignment pango_alignment(int32_t line_align) {
    if (line_align == kTextLineRight) return PANGO_ALIGN_RIGHT;
    if (line_align == kTextLineLeft) return PANGO_ALIGN_LEFT;
    return PANGO_ALIGN_CENTER;
}

// A caption's text laid out in one font, and the rectangle it needs in pixels.
struct CaptionLayout {
    GObjectPtr<PangoLayout> layout;
    double xScale = 1.0;
    int64_t width = 0;
    int64_t height = 0;
};

class CaptionFonts {
public:
    // 0, or -1 when no Pango context can be made.
    int Open() {
        m_map = thread_font_map();
        if (!m_map) return -1;
        m_context.reset(pango_font_map_create_context(m_map));
        if (!m_context) return -1;
        // Unhinted metrics keep widths proportional to the font size, so that a shrunk
        // caption comes out at the size the fitting asked for.
        CairoFontOptionsPtr options(cairo_font_options_create());
        cairo_font_options_set_antialias(options.get(), CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
        cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_SLIGHT);
        pango_cairo_context_set_font_options(m_context.get(), options.get());
        pango_context_set_round_glyph_positions(m_context.get(), FALSE);
        pango_context_set_base_dir(m_context.get(), PANGO_DIRECTION_LTR);
        return 0;
    }

    // Lays the text out in the font of this size; 0, or -1 when the font cannot be made.
    int LayOut(const std::string& text, const std::string& face, FontSize size,
               PangoAlignment alignment, CaptionLayout* out) {
        FontDescriptionPtr description;
        double x_scale = 1.0;
        if (MakeFont(face, size, &description, &x_scale) != 0) return -1;
        GObjectPtr<PangoLayout> layout(pango_layout_new(m_context.get()));
        if (!layout) return -1;
        pango_layout_set_auto_dir(layout.get(), FALSE);
        pango_layout_set_font_description(layout.get(), description.get());
        pango_layout_set_alignment(layout.get(), alignment);
        const size_t length = std::min<size_t>(text.size(), INT32_MAX);
        pango_layout_set_text(layout.get(), text.data(), static_cast<int>(length));
        PangoRectangle logical{};
        pango_layout_get_extents(layout.get(), nullptr, &logical);
        auto pixels = [](double units) {
            return std::clamp<int64_t>(std::llround(units / PANGO_SCALE), 0, kMaxMeasure);
        };
        out->width = pixels(logical.width * x_scale);
        out->height = pixels(logical.height);
        out->xScale = x_scale;
        out->layout = std::move(layout);
        return 0;
    }

private:
    // The font description for a size request and its horizontal scale.
    int MakeFont(const std::string& face, FontSize size, FontDescriptionPtr* out, double* x_scale) {
        FontDescriptionPtr description(pango_font_description_new());
        pango_font_description_set_family(description.get(), face.c_str());
        const int64_t height = size.height == 0 ? kDefaultFontHeight : std::abs(size.height);
        const double probe = static_cast<double>(height * PANGO_SCALE);
        pango_font_description_set_absolute_size(description.get(), probe);
        // The face's line height and average character width at the probe size, from a
        // layout of a Latin sample in this context (unhinted, so they scale linearly).
        GObjectPtr<PangoLayout> sample(pango_layout_new(m_context.get()));
        if (!sample) return -1;
        pango_layout_set_font_description(sample.get(), description.get());
        pango_layout_set_text(sample.get(), kWidthSample, -1);
        PangoRectangle logical{};
        pango_layout_get_extents(sample.get(), nullptr, &logical);
        if (logical.width <= 0 || logical.height <= 0) return -1;
        const double line = logical.height;
        double em = probe;
        if (size.height >= 0) em = probe * probe / line;
        pango_font_description_set_absolute_size(description.get(), em);
        const double char_width =
            static_cast<double>(logical.width) / g_utf8_strlen(kWidthSample, -1) * em / probe;
        double scale = size.width != 0 && char_width > 0
                           ? static_cast<double>(std::abs(size.width)) * PANGO_SCALE / char_width
                           : 1.0;
        // FreeType refuses some glyphs stretched much further, and any glyph wider than
        // the largest font; the font then stays narrower than asked.
        scale = std::clamp(scale, 1.0 / kMaxStretch, kMaxStretch);
        *x_scale = std::min(scale, static_cast<double>(kMaxFontPixels * PANGO_SCALE) / em);
        *out = std::move(description);
        return 0;
    }

    PangoFontMap* m_map = nullptr;
    GObjectPtr<PangoContext> m_context;
};

// The font size that fits the measured text into the usable area: both dimensions
// shrink by one factor, the one of the dimension that overflows more; a text that fits
// keeps its size. A measure of 0 gives no factor; the other dimension's is used.
FontSize fitted_font_size(FontSize size, const CaptionLayout& measured, int64_t usable_width,
                          int64_t usable_height) {
    const int64_t tw = measured.width;
    const int64_t th = measured.height;
    if (tw <= usable_width && th <= usable_height) return size;
    bool by_height = tw * usable_height <= th * usable_width;
    if (by_height && th == 0) by_height = false;
    if (!by_height && tw == 0) by_height = th != 0;
    const int64_t measure = by_height ? th : tw;
    if (measure == 0) return size;
    const int64_t usable = by_height ? usable_height : usable_width;
    return {size.width * usable / measure, size.height * usable / measure};
}

int32_t clamp_offset(int64_t v) {
    // Beyond +-2^30 an image lands wholly outside another as surely as at the true offset.
    return static_cast<int32_t>(std::clamp<int64_t>(v, -(int64_t{1} << 30), int64_t{1} << 30));
}

}  // namespace

CImageBuffer* render_text_image(std::string_view text, int32_t width, int32_t height,
                                std::string_view face, int32_t font_width, int32_t font_height,
                                int32_t line_align, int32_t placement, int32_t margin,
                                CColor text_color, CColor back_color) {
    const std::string utf8 = caption_text(text);
    const std::string family = caption_text(face);
    const PangoAlignment alignment = pango_alignment(line_align);

    CaptionFonts fonts;
    CaptionLayout caption;
    FontSize size = limit_font_size({font_width, font_height});
    if (fonts.Open() != 0 || fonts.LayOut(utf8, family, size, alignment, &caption) != 0)
        return nullptr;
    const int64_t usable_width = int64_t{width} - 2 * int64_t{margin};
    const int64_t usable_height = int64_t{height} - 2 * int64_t{margin};
    const FontSize fitted = fitted_font_size(size, caption, usable_width, usable_height);
    if (fitted.width != size.width || fitted.height != size.height) {
        size = limit_font_size(fitted);
        if (fonts.LayOut(utf8, family, size, alignment, &caption) != 0) {
            ErrorBox("%s", kFontFailedMessage);
            return nullptr;
        }
    }

    // The text block at the top left of the bitmap, each line aligned within it.
    CoverageMask mask;
    if (mask.Create(width, height) != 0) return nullptr;
    cairo_t* cairo = mask.Context();
    cairo_scale(cairo, caption.xScale, 1.0);
    cairo_set_source_rgb(cairo, 1.0, 1.0, 1.0);
    pango_cairo_show_layout(cairo, caption.layout.get());
    if (cairo_status(cairo) != CAIRO_STATUS_SUCCESS) {
        ErrorBox("%s", kTextFailedMessage);
        return nullptr;
    }
    mask.Flush();

    ImagePtr glyphs(mask_to_colour_image24(mask, text_color));
    ImagePtr picture(glyphs ? create_filled_image24(width, height, back_color) : nullptr);
    if (!picture) {
        ErrorBox("%s", kImageFailedMessage);
        return nullptr;
    }
    const int64_t x = (int64_t{width} - caption.width) / 2;
    int64_t y = int64_t{height} - caption.height - margin;
    if (placement == kTextPlaceMiddle)
        y = (int64_t{height} - caption.height) / 2;
    else if (placement == kTextPlaceTop)
        y = margin;
    // The glyph image replaces the background wholly where it lands, alpha included.
    compose_image(picture.get(), glyphs.get(), clamp_offset(x), clamp_offset(y), COMPOSE_COPY);
    return drawn_to_work_image(std::move(picture));
}
