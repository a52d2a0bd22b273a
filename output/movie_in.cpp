#include "output/movie_in.h"

ImagePtr CMovieIn::DoVideoReader(int32_t /*frame*/) {
    return nullptr;
}
