#pragma once
// The film strip that pictures run along: coloured edge bands, frame separators and
// black sprocket holes.

#include <cstdint>

#include "image/image_buffer.h"

// A 24-bit strip with a zero alpha plane, one pixel longer than width x height along its
// direction (width + 1 when horizontal, height + 1 otherwise), for `frames` pictures and
// scrolled by `offset` pixels. Unpainted pixels stay black. None, after a message, when
// the image cannot be created.
CImageBuffer* render_film_strip_image(int32_t frames, bool horizontal, int32_t offset,
                                      int32_t width, int32_t height, uint8_t red, uint8_t green,
                                      uint8_t blue);
