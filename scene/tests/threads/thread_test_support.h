#pragma once
// What the thread tests of frame production share: workers that start together,
// frames held by every worker at once, and frames raced for against the ones a
// single worker gets.

#include <atomic>
#include <barrier>
#include <cstdint>
#include <random>
#include <thread>
#include <tuple>
#include <vector>

#include "image/image_buffer.h"
#include "scene/tests/frame_test_support.h"

constexpr int kWorkers = 8;

using FrameBytes = std::vector<uint8_t>;

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

// Frames 0 to count - 1 of `scene` as one worker alone gets them; the scene is reset
// afterwards.
inline std::vector<FrameBytes> frames_alone(CScene* scene, int32_t count) {
    std::vector<FrameBytes> frames;
    for (int32_t frame = 0; frame < count; ++frame) {
        frames.push_back(frame_bytes(scene, frame));
        EXPECT_FALSE(frames.back().empty()) << scene->Name() << " frame " << frame;
    }
    scene->ResetCache();
    return frames;
}

// Every worker asks `asks` frames at random of scenes[i] (those of expected[i]; the
// last one a quarter of the time when `oftenLast`), keeps up to `held` of them out and
// gives them back in any order. The number of frames unlike expected.
inline int racing_mismatches(const std::vector<CScene*>& scenes,
                             const std::vector<std::vector<FrameBytes>>& expected, int asks,
                             size_t held, bool oftenLast, uint32_t seed) {
    std::atomic<int> wrong{0};
    run_workers([&](int w) {
        std::mt19937 random(seed + static_cast<uint32_t>(w));
        std::vector<std::tuple<size_t, int32_t, CImageBuffer*>> out;
        auto give_back = [&](size_t which) {
            auto [s, frame, image] = out[which];
            scenes[s]->ReleaseImage(image, frame);
            out.erase(out.begin() + static_cast<std::ptrdiff_t>(which));
        };
        for (int i = 0; i < asks; ++i) {
            const size_t s = random() % scenes.size();
            const auto count = static_cast<uint32_t>(expected[s].size());
            const auto frame =
                static_cast<int32_t>(oftenLast && random() % 4 == 0 ? count - 1 : random() % count);
            CImageBuffer* image = scenes[s]->GetImage(frame, 1, nullptr, nullptr);
            if (image_bytes(image) != expected[s][static_cast<size_t>(frame)]) ++wrong;
            out.emplace_back(s, frame, image);
            if (out.size() >= held || random() % 2 == 0) give_back(random() % out.size());
        }
        while (!out.empty()) give_back(out.size() - 1);
    });
    return wrong;
}
