// A link whose block was never found answers every question safely. (The shared
// blank of "!INPUT" and the run length of music-linked inputs are tested with the
// SERIES frames.)

#include <gtest/gtest.h>

#include "scene/scene_composition.h"
#include "scene/tests/scene_test_util.h"

namespace {

TEST(SceneLink, UnresolvedLinksAnswerSafely) {
    CSceneLink link("missing");
    EXPECT_EQ(link.GetFrameCount(), 0);
    EXPECT_EQ(link.TestFrame(FRAME_KEY, 0), 0);
    EXPECT_EQ(link.GetImage(0, 1, nullptr, nullptr), nullptr);
    FrameDescription rows;
    EXPECT_EQ(link.DescribeFrame(0, 2, rows), -1);
    EXPECT_EQ(rows.size(), kDescriptionColumns);
}

}  // namespace
