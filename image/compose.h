#pragma once
// Drawing one image onto another, and the percentage mix of two images.
//
// Every operation works in the layout of the images it is given (32-bit BGRA, or
// 24-bit BGR with an alpha plane); for working images that is the image mode's layout.
// The 32-bit compose_image runs its SSE2 form when the processor-feature word has
// kCpuSSE2.

#include <cstdint>

#include "image/image_buffer.h"

// Compose modes: the numbers callers pass.
inline constexpr int COMPOSE_ALPHA = 256;
inline constexpr int COMPOSE_OR = 512;
inline constexpr int COMPOSE_ADD = 2048;
inline constexpr int COMPOSE_COPY = 4096;
inline constexpr int COMPOSE_LIGHTEN = 8192;

// Draws source onto destination in place with its top-left pixel at (x, y); only the
// overlap is touched. Nothing happens for a missing image, images of different
// layouts, a source wholly outside, or an unknown mode.
void compose_image(CImageBuffer* destination, const CImageBuffer* source, int32_t x, int32_t y,
                   int mode);

// New image mixing b at percent (0 ... 100) with a at 100 - percent; none for a missing
// image, different sizes or layouts, or a percent out of range.
CImageBuffer* crossfade_image(const CImageBuffer* a, const CImageBuffer* b, int percent);

// crossfade_image of two 32-bit images made at once in the hand-over layout, 24-bit
// with an alpha plane: the bytes image32_to_24a gives of the mix, in one pass over the
// frame instead of two. None as crossfade_image, and for images that are not 32-bit.
CImageBuffer* crossfade_image_24a(const CImageBuffer* a, const CImageBuffer* b, int percent);
