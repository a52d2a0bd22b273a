#pragma once
// What the thread tests of frame production share: workers that start together,
// the visible bytes of a frame for comparing it with the single-threaded one, and
// frames held by every worker at once.

#include <barrier>
#include <cstdint>
#include <thread>
#include <vector>

#include "image/image_buffer.h"
#include "scene/tests/frame_test_support.h"

constexpr int kWorkers = 8;

// Runs work(worker) on kWorkers threads that start together.
template <typename Work>
void run_workers(Work work) {
    std::barrier start(kWorkers);
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
        workers.emplace_back([&, w] {
            start.arrive_and_wait();
            work(w);
        });
    }
    for (auto& worker : workers) worker.join();
}

// Size, depth and every byte of the pixel rows and the alpha plane, row slack left
// out; empty for no image.
inline std::vector<uint8_t> image_bytes(const CImageBuffer* image) {
    std::vector<uint8_t> bytes;
    if (!image) return bytes;
    for (int32_t v : {image->width, image->height, image->bpp, image->alpha ? 1 : 0}) {
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<uint8_t>(v >> shift));
    }
    const size_t row = static_cast<size_t>(image->width) * static_cast<size_t>(image->bpp / 8);
    for (int32_t y = 0; y < image->height; ++y) {
        const uint8_t* p = image_row(image, y);
        bytes.insert(bytes.end(), p, p + row);
        if (image->alpha) {
            const uint8_t* a = image_alpha_row(image, y);
            bytes.insert(bytes.end(), a, a + image->width);
        }
    }
    return bytes;
}

// Every worker w asks `scene` for frame w and holds it until everybody has one; the
// pixel (x, y) of each (zero where there was no frame).
inline std::vector<Rgba> held_together(CScene* scene, int32_t x, int32_t y) {
    std::barrier hold(kWorkers);
    std::vector<Rgba> seen(kWorkers);
    run_workers([&](int w) {
        CImageBuffer* frame = scene->GetImage(w, 1, nullptr, nullptr);
        if (frame) seen[w] = pixel_at(frame, x, y);
        hold.arrive_and_wait();
        scene->ReleaseImage(frame, w);
    });
    return seen;
}
