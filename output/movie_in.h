#pragma once
// The reader base: a movie file opened by Initialize, described by PrepareReader,
// read one frame at a time with DoVideoReader, and closed by Finish.

#include <cstdint>

#include "image/image_buffer.h"
#include "output/movie_base.h"

class CMovieIn : public CMovieBase {
public:
    // Writes the description of the open file to the trace; 0.
    virtual int PrepareReader() { return 0; }
    // A new 24-bit image of the frame, owned by the caller; none when the reader
    // has no frames (the base) or the frame cannot be read.
    virtual ImagePtr DoVideoReader(int32_t frame);
};
