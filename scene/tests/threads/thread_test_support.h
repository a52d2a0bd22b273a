#pragma once
// What the thread tests of frame production share: workers that start together and
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
