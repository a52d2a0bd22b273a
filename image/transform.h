#pragma once
// Geometric transforms: resampling a source rectangle at sub-pixel precision, fitting a
// picture into a frame, the camera move between two regions, and rotation.
//
// Positions and lengths of the scalers and of move_image's interpolated regions are in
// 1/1024 pixel: the pixel of a sub-pixel value v is v >> 10, its fraction v & 1023.
// Every operation works in the layout of the image it is given (32-bit BGRA, or 24-bit
// BGR with an alpha plane); for working images that is the image mode's layout.

#include <cstdint>

#include "image/image_buffer.h"

inline constexpr int32_t kSubPixel = 1024;

// fit_image flags.
inline constexpr int FIT_INSIDE = 1;   // whole picture visible, empty bands transparent
inline constexpr int FIT_FILL = 2;     // frame covered, the picture cropped
inline constexpr int FIT_NEAREST = 8;  // scale_image_nearest instead of scale_image

// move_image flags.
inline constexpr int MOVE_NEAREST = 8;
inline constexpr int MOVE_LIGHTEN = 0x2000;  // COMPOSE_LIGHTEN instead of COMPOSE_ALPHA

// Resamples the source rectangle (sx, sy, sw, sh) to dw x dh, with the result's left
// and top edges at the fractions ox & 1023 and oy & 1023 of a pixel, by area averaging.
// The result has (fx + dw + 1023) >> 10 columns and (fy + dh + 1023) >> 10 rows and is
// meant to be composed at (ox >> 10, oy >> 10). None when the rectangle does not lie
// inside the source, a length is 0 or less, or memory runs out. The 32-bit form runs
// its SSE2 form when the processor-feature word has kCpuSSE2.
CImageBuffer* scale_image(const CImageBuffer* source, int32_t ox, int32_t oy, int32_t dw,
                          int32_t dh, int32_t sx, int32_t sy, int32_t sw, int32_t sh);

// The same, sampling the nearest source pixel.
CImageBuffer* scale_image_nearest(const CImageBuffer* source, int32_t ox, int32_t oy, int32_t dw,
                                  int32_t dh, int32_t sx, int32_t sy, int32_t sw, int32_t sh);

// New width x height image holding the picture fitted by flags; none without
// FIT_INSIDE or FIT_FILL, or when the fitted picture would be empty.
CImageBuffer* fit_image(const CImageBuffer* image, int32_t width, int32_t height, int flags);

// fit_image with every alpha set to 255 (empty bands become opaque black).
CImageBuffer* fit_image_opaque(const CImageBuffer* image, int32_t width, int32_t height, int flags);

// A rectangle in whole pixels.
struct ImageRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

// A region that travels from start (frame 0) to end (the last frame).
struct RegionPair {
    ImageRect start;
    ImageRect end;
};

// Draws frame `frame` of `frames` (at least 2) of a camera move into destination in
// place: the source region, the destination region and the clip window are each
// interpolated between their start and end. Returns 0 (also when the frame's
// destination region or window is empty and nothing is drawn), -1 when the frame's
// source region lies outside the source (whether or not anything would be drawn),
// when scaling fails or frames is below 2, -4 when an image is missing; on failure
// the destination is unchanged.
int move_image(CImageBuffer* destination, const CImageBuffer* source, const RegionPair& source_pair,
               const RegionPair& destination_pair, const RegionPair& clip_pair, int32_t frame,
               int32_t frames, int flags);

// New image: a copy of background with frame `frame` of the move drawn as move_image
// draws it (a move that fails or draws nothing leaves the copy as it is). With
// hand_over and a 32-bit background it comes in the hand-over layout, the bytes
// image32_to_24a gives of that copy. A 32-bit picture that lands whole inside the
// window is scaled and drawn row by row, with no scaled image or second pass over the
// frame. None when background is missing or memory runs out.
CImageBuffer* move_image_copy(const CImageBuffer* background, const CImageBuffer* source,
                              const RegionPair& source_pair, const RegionPair& destination_pair,
                              const RegionPair& clip_pair, int32_t frame, int32_t frames, int flags,
                              bool hand_over);

// New image large enough for the picture turned counter-clockwise by degrees,
// nearest-pixel; colours come out premultiplied by alpha, outside pixels transparent.
CImageBuffer* rotate_image(const CImageBuffer* image, int32_t degrees);
