#include "image/image_buffer.h"

#include <atomic>
#include <cstdlib>

namespace {
std::atomic<int> g_image_mode{32};
}

int get_image_mode() { return g_image_mode.load(std::memory_order_relaxed); }

int set_image_mode(int mode) { return g_image_mode.exchange(mode); }

void delete_image(CImageBuffer* image) {
    if (!image) return;
    std::free(image->pixels);
    std::free(image->alpha);
    delete image;
}
