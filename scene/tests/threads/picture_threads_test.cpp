// Pictures asked by several workers at once are made once.

#include <gtest/gtest.h>

#include <barrier>
#include <thread>
#include <vector>

#include "scene/scene_source.h"
#include "scene/tests/frame_test_support.h"
#include "scene/tests/scene_test_util.h"

namespace {

TEST(PictureThreads, ConcurrentCallersShareOnePicture) {
    for (int round = 0; round < 20; ++round) {
        SceneGraph g;
        auto* painted = g.Add<PaintedScene>("block", 40, 32, 24);
        auto* image = g.Add<CSceneImage>("p");
        g.Input(image, painted);
        image->EditSettings().blockFrame = 7;
        constexpr int kWorkers = 8;
        std::barrier start(kWorkers), hold(kWorkers);
        std::vector<std::thread> workers;
        std::vector<Rgba> seen(kWorkers);
        for (int w = 0; w < kWorkers; ++w) {
            workers.emplace_back([&, w] {
                start.arrive_and_wait();
                CImageBuffer* frame = image->GetImage(w, 1, nullptr, nullptr);
                if (frame) seen[w] = pixel_at(frame, 5, 5);
                // Everybody holds a copy before anybody gives one back.
                hold.arrive_and_wait();
                image->ReleaseImage(frame, w);
            });
        }
        for (auto& worker : workers) worker.join();
        ASSERT_EQ(painted->gets, 1) << "round " << round;
        for (const Rgba& pixel : seen) ASSERT_EQ(pixel, (Rgba{7, 0, 0, 255}));
    }
}

}  // namespace
