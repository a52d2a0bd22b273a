#pragma once
// Captions: multi-line text drawn through Pango into a picture of a fixed size, shrunk
// to fit when it is too large.

#include <cstdint>
#include <string_view>

#include "image/image_buffer.h"

// Line alignment inside the text block; any other value centres each line.
inline constexpr int32_t kTextLineRight = 2;
inline constexpr int32_t kTextLineLeft = 3;
// Vertical placement of the text block; any other value puts it at the bottom.
inline constexpr int32_t kTextPlaceMiddle = 17;
inline constexpr int32_t kTextPlaceTop = 18;

// A width x height picture of text (UTF-8; lines end with CR LF, CR or LF) in the face
// `face` (UTF-8, looked up through fontconfig; see image/font_config.h) whose lines are
// font_height pixels high with an average character width of font_width (0: the face's
// own proportions). When the text does not fit into the picture less `margin` on every
// side, both font dimensions shrink by one factor. The text block is centred
// horizontally and placed by `placement` (top and bottom keep the margin); its lines are
// aligned by line_align. Inside the block every pixel has text_color, its alpha the glyph
// coverage times text_color.alpha / 255; left of and above the block the picture is
// back_color. The result is in the image mode's layout; none, after a message, when a
// drawing step fails (none without a message when the text cannot be measured at all).
CImageBuffer* render_text_image(std::string_view text, int32_t width, int32_t height,
                                std::string_view face, int32_t font_width, int32_t font_height,
                                int32_t line_align, int32_t placement, int32_t margin,
                                CColor text_color, CColor back_color);
