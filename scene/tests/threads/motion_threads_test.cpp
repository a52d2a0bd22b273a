// Motion scenes asked by several workers at once: compositions of endless inputs are
// made once and shared, and every frame comes out as it does on one thread (changing
// inputs are raced through the document in scenario/tests/threads).

#include <gtest/gtest.h>

#include <barrier>
#include <mutex>
#include <vector>

#include "scene/scene_motion.h"
#include "scene/tests/scene_test_util.h"
#include "scene/tests/threads/thread_test_support.h"

namespace {

// A STILL of `frames` frames over an endless picture, in a graph of its own.
struct StillGraph {
    SceneGraph g;
    PaintedScene* input;
    CSceneStill* still;

    explicit StillGraph(int32_t frames) {
        g.Screen(32, 24);
        input = add_painted(g, "input", kEndlessFrames, 20, 10, 40);
        still = g.Add<CSceneStill>("still");
        g.Place(g.Input(still, input), {4, 4, 23, 13});
        still->EditSettings() = StillSettings{frames, CColor(1, 2, 3)};
        g.Count();
    }

    // The frame as one thread alone gets it from a fresh scene.
    FrameBytes Alone(int32_t frame) {
        still->ResetCache();
        return frame_bytes(still, frame);
    }
};

TEST(MotionThreads, StillComposesEndlessInputsOnce) {
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        constexpr int32_t kFrames = 1000;
        StillGraph shot(kFrames);
        std::mutex seenLock;
        std::vector<FrameBytes> seen;
        std::vector<int32_t> runs;

        // Random frames well before the last (a frame close to the end, asked after
        // the last one came back, would belong to the run that ended): one
        // composition, shared by everybody.
        auto ask_random = [&](int w) {
            std::mt19937 random(static_cast<uint32_t>(round * kWorkers + w));
            std::uniform_int_distribution<int32_t> pick(0, kFrames - 2 - 64);
            for (int i = 0; i < 20; ++i) {
                const int32_t frame = pick(random);
                int32_t run = kEndlessFrames;
                FrameBytes sum = frame_bytes(shot.still, frame, &run);
                std::lock_guard<std::mutex> hold(seenLock);
                seen.push_back(std::move(sum));
                runs.push_back(run - (kFrames - frame - 2));
            }
        };
        run_workers(ask_random);
        ASSERT_EQ(shot.input->gets, 1);
        // Every frame is the composition of the frame that made it, as one thread
        // alone makes it from that frame.
        const int32_t made =
            HeldFrame(shot.still, 0, shot.still->GetImage(0, 1, nullptr, nullptr)).At(10, 10).r;
        for (int32_t run : runs) ASSERT_EQ(run, 0) << "count - frame - 2";

        // Everybody holds the last frame, then gives it back: the last one back
        // finds nothing out and lets the composition go.
        std::barrier hold(kWorkers);
        run_workers([&](int) {
            CImageBuffer* image = shot.still->GetImage(kFrames - 1, 1, nullptr, nullptr);
            {
                std::lock_guard<std::mutex> guard(seenLock);
                seen.push_back(image_bytes(image));
            }
            hold.arrive_and_wait();
            shot.still->ReleaseImage(image, kFrames - 1);
        });
        ASSERT_EQ(shot.input->gets, 1);
        run_workers(ask_random);
        ASSERT_EQ(shot.input->gets, 2) << "made again once after the last frame";
        ASSERT_EQ(shot.input->releases, 2);

        // Before the composition was let go every frame was the first one, after it
        // the second one, each as one thread alone makes it from the frame that made it.
        StillGraph alone(kFrames);
        const FrameBytes first = alone.Alone(made);
        HeldFrame again(shot.still, 0, shot.still->GetImage(0, 1, nullptr, nullptr));
        const FrameBytes second = alone.Alone(again.At(10, 10).r);
        ASSERT_TRUE(image_bytes(again.image) == second);
        const size_t before = static_cast<size_t>(kWorkers) * 20 + kWorkers;
        ASSERT_EQ(seen.size(), before + static_cast<size_t>(kWorkers) * 20);
        for (size_t i = 0; i < seen.size(); ++i)
            ASSERT_TRUE(seen[i] == (i < before ? first : second)) << i;
    }
}

TEST(MotionThreads, TurnsAndMovesShareTheirPictures) {
    constexpr int32_t kFrames = 60;
    SceneGraph g;
    g.Screen(32, 24);
    // Endless pictures of distinct pixels.
    const PatternScene::Paint paint = [](int32_t x, int32_t y, int32_t) {
        return Rgba{static_cast<uint8_t>(10 * x), static_cast<uint8_t>(15 * y), 99, 255};
    };
    auto* picture = g.Add<PatternScene>("p", kEndlessFrames, 24, 16, paint);
    auto* backdrop = g.Add<PatternScene>("bg", kEndlessFrames, 24, 16, paint);
    auto* rotate = framed(g.Over<CSceneRotate>(picture, "rotate"), kFrames);
    g.Background(rotate, backdrop);
    auto* move = g.Over<CSceneAction>(picture, "move", SCENE_ACTION);
    g.Background(move, backdrop);
    ActionSettings& s = move->EditSettings();
    s.frames = kFrames;
    s.afterimage = 3;
    s.regions = {SceneRect{0, 0, 23, 15}, SceneRect{6, 4, 17, 11}, SceneRect{0, 0, 11, 7},
                 SceneRect{8, 6, 31, 23}, SceneRect{0, 0, 31, 23}, SceneRect{4, 4, 27, 19}};
    s.given.fill(true);
    g.Count();

    // Frames before the last: giving that back would let the pictures go.
    const std::vector<std::vector<FrameBytes>> expected{frames_alone(rotate, kFrames - 1),
                                                        frames_alone(move, kFrames - 1)};
    const int picturesBefore = picture->gets;
    const int backdropsBefore = backdrop->gets;
    EXPECT_EQ(racing_mismatches({rotate, move}, expected, 30, 2, false, 100), 0);
    EXPECT_EQ(picture->gets - picturesBefore, 2) << "one picture per shot";
    EXPECT_EQ(backdrop->gets - backdropsBefore, 2) << "one background per shot";
}

}  // namespace
