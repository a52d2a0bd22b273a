#include "output/movie_out.h"

int CMovieOut::DoVideoWriter(const CImageBuffer*, int32_t, int32_t, int32_t, int64_t) {
    return 1;
}

int CMovieOut::DoAudioWriter(const uint8_t*, int32_t, int64_t) {
    return 1;
}
