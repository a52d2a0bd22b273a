#pragma once
// Colour effects of IMAGE blocks and the two frame effects (blur and jitter).
//
// Each works in the layout of the image it is given (32-bit BGRA, or 24-bit BGR with
// an alpha plane, a missing plane reading as opaque) and, unless it works in place,
// returns a new image of that layout owned by the caller, or none for a missing image
// or when memory runs out.

#include <cstdint>

#include "image/image_buffer.h"

// channel_image: the channel kept.
inline constexpr int CHANNEL_RED = 0;
inline constexpr int CHANNEL_GREEN = 1;
inline constexpr int CHANNEL_BLUE = 2;

// Sepia tone from the luma with fixed chroma; transparent pixels become all 0, every
// other pixel opaque.
CImageBuffer* sepia_image(const CImageBuffer* image);

// Gray R * 0.31 + G * 0.59 + B * 0.11, rounded; alpha kept.
CImageBuffer* mono_image(const CImageBuffer* image);

// Each of R, G, B becomes 255 minus itself; alpha kept.
CImageBuffer* nega_image(const CImageBuffer* image);

// Keeps one channel (CHANNEL_RED, CHANNEL_GREEN or CHANNEL_BLUE), zeroes the other two;
// none for another value.
CImageBuffer* channel_image(const CImageBuffer* image, int which);

// Two levels per channel, 0 or 255, about a threshold found from the channel's
// histogram (callers pass p = 0.5); alpha kept.
CImageBuffer* discolor_image(const CImageBuffer* image, double p);

// White where a channel's 3 x 3 Laplacian exceeds a contrast threshold, black
// elsewhere; alpha copied from the image.
CImageBuffer* highpass_image(const CImageBuffer* image);

// In place: every pixel of exactly this colour becomes fully transparent (its colour
// bytes stay). A 24-bit image without a plane gets an opaque plane first. Returns 0,
// or -1 for a missing image or when that plane cannot be allocated.
int through_color_image(CImageBuffer* image, uint8_t red, uint8_t green, uint8_t blue);

// In place: every alpha of `image` becomes the alpha of `from` (an image of the same
// size and depth, possibly `image` itself) times factor, rounded to the nearest level
// and held at 255. A 24-bit image without a plane gets one. Returns 0, or -1 when the
// sizes differ or that plane cannot be allocated.
int fade_alpha_from(CImageBuffer* image, const CImageBuffer* from, double factor);

// A white border max(width, height) * percent / 100 pixels wide; alpha kept.
CImageBuffer* photo_frame_image(const CImageBuffer* image, int percent);

// One pass of a 3 x 3 box blur with edge pixels repeated. All four channels are
// blurred alike, so an opaque image stays opaque.
CImageBuffer* blur_image(const CImageBuffer* image);

// The image shifted sideways by frame mod 4: 0 and 2 the mix of both shifts, 1 five
// pixels right, 3 five pixels left.
CImageBuffer* jitter_image(const CImageBuffer* image, int32_t frame);
