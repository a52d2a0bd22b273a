// Link: header checks, names, loops, counts, key frames, checkpoints, validation.

#include <gtest/gtest.h>

#include "scenario/tests/scenario_fixture.h"
#include "scene/scene_motion.h"

namespace {

class LinkTest : public ScenarioTest {
protected:
    // Loads `utf8` into a new document and links it; the result of Link, or -2
    // when Load failed. Errors recorded so far are dropped.
    int LoadAndLink(const std::string& utf8) {
        m_doc = std::make_unique<CScenario>();
        m_errors.clear();
        Record(*m_doc);
        if (m_doc->Load(Write("scenario.txt", utf8)) != 0) return -2;
        return m_doc->Link();
    }
    CScene* Scene(const char* name) { return m_doc->FindScene(name); }

    std::unique_ptr<CScenario> m_doc;
};

constexpr const char* kPicture = "DRAW \"pic\" { SIZE 8 6 }\n";

TEST_F(LinkTest, HeaderChecksComeFirst) {
    EXPECT_EQ(LoadAndLink("MAIN { }\n"), -1);
    EXPECT_EQ(OnlyError(), NoPlace("スクリーンサイズが定義されていません。"));

    EXPECT_EQ(LoadAndLink("SCREEN 0 0\n"), -1);
    EXPECT_EQ(OnlyError(), NoPlace("MAINブロックが定義されていません。"));

    // The music check comes before any name is resolved.
    EXPECT_EQ(LoadAndLink("SCREEN 4 4\nMAIN { INPUT \"missing\" ALINK_VOLUME_ALPHA }\n"), -1);
    EXPECT_EQ(OnlyError(), NoPlace("音楽連動機能を利用するには、音楽ファイルを指定して下さい。"));

    // Rates of 0 would be divided by later.
    const std::pair<const char*, const char*> zeros[] = {
        {"FRAMERATE 0\n", "フレームレート値に 0 は指定できません。"},
        {"SCALE 0\n", "スケール値に 0 は指定できません。"},
        {"PREVIEWSCALE 0\n", "プレビュー用フレームレート低減率に 0 は指定できません。"},
    };
    for (const auto& [line, message] : zeros) {
        EXPECT_EQ(LoadAndLink(std::string("SCREEN 0 0\nMAIN { }\n") + line), -1) << line;
        EXPECT_EQ(OnlyError(), NoPlace(message)) << line;
    }

    // An empty MAIN on a 0 x 0 screen is a document of no frames.
    EXPECT_EQ(LoadAndLink("SCREEN 0 0\nMAIN { }\n"), 0) << OnlyError();
    EXPECT_EQ(m_doc->TotalFrames(), 0);
    EXPECT_EQ(m_doc->KeyFrames(), 0);
}

TEST_F(LinkTest, NamesMustBeUniqueAndDefined) {
    EXPECT_EQ(LoadAndLink(std::string("SCREEN 8 6\n") + kPicture + kPicture + "MAIN { }\n"), -1);
    EXPECT_EQ(OnlyError(), NoPlace("シーン pic は複数定義されています。"));

    const char* missing[] = {
        "STILL \"s\" { INPUT \"nope\" FRAMES 2 }\nMAIN { INPUT \"s\" }\n",
        "ROTATE \"r\" { INPUT \"pic\" BGIMAGE \"nope\" FRAMES 2 }\nMAIN { INPUT \"r\" }\n",
        "IMAGE \"i\" { BLOCK_FRAME \"nope\" 0 }\nMAIN { }\n",
    };
    for (const char* text : missing) {
        EXPECT_EQ(LoadAndLink(std::string("SCREEN 8 6\n") + kPicture + text), -1) << text;
        EXPECT_EQ(OnlyError(), NoPlace("シーン nope は定義されていません。")) << text;
    }
    // Names are shown in UTF-8.
    EXPECT_EQ(LoadAndLink("SCREEN 8 6\nMAIN { INPUT \"表紙\" }\n"), -1);
    EXPECT_EQ(OnlyError(), NoPlace("シーン 表紙 は定義されていません。"));
}

TEST_F(LinkTest, LoopsAreRefusedAlsoThroughBackgrounds) {
    const std::pair<const char*, const char*> loops[] = {
        {"SERIES \"a\" { INPUT \"a\" }\nMAIN { INPUT \"a\" }\n", "a"},
        {"SERIES \"a\" { INPUT \"b\" }\nSERIES \"b\" { INPUT \"a\" }\nMAIN { INPUT \"a\" }\n", "a"},
        {"ROTATE \"r\" { INPUT \"pic\" BGIMAGE \"r\" FRAMES 2 }\nMAIN { INPUT \"r\" }\n", "r"},
        {"ROTATE \"r\" { INPUT \"pic\" BGIMAGE \"m\" FRAMES 2 }\n"
         "MIX \"m\" { INPUT \"r\" }\nMAIN { INPUT \"m\" }\n",
         "m"},
    };
    for (const auto& [text, name] : loops) {
        EXPECT_EQ(LoadAndLink(std::string("SCREEN 8 6\n") + kPicture + text), -1) << text;
        EXPECT_EQ(OnlyError(),
                  NoPlace(std::string("シーン ") + name + " がループ呼び出しされています。"))
            << text;
    }
    // A loop among blocks MAIN does not reach is left in place, as stored scenarios
    // keep such unused pairs: neither it nor a block that reaches it is validated
    // (they have no length), and the document names the loop for them.
    ASSERT_EQ(LoadAndLink(std::string("SCREEN 8 6\n") + kPicture +
                          "FADEIN \"a\" { INPUT \"b\" FRAMES 2 }\n"
                          "CUT \"b\" { INPUT \"a\" START 9 END 99 }\n"
                          "SHADE \"user\" { INPUT \"b\" }\n"
                          "STILL \"s\" { INPUT \"pic\" FRAMES 3 }\nMAIN { INPUT \"s\" }\n"),
              0)
        << OnlyError();
    EXPECT_EQ(m_doc->TotalFrames(), 3);
    ASSERT_TRUE(m_doc->LoopOf(Scene("user")));
    EXPECT_EQ(m_doc->LoopOf(Scene("a")), m_doc->LoopOf(Scene("user")));
    EXPECT_EQ(m_doc->LoopOf(Scene("s")), nullptr);
}

TEST_F(LinkTest, ReferenceCountsAndReachableCounts) {
    ASSERT_EQ(LoadAndLink(std::string("SCREEN 8 6\n") + kPicture +
                          "DRAW \"bg\" { SIZE 2 2 }\n"
                          "STILL \"s\" { INPUT \"pic\" INPUT \"pic\" FRAMES 5 }\n"
                          "ROTATE \"r\" { INPUT \"pic\" BGIMAGE \"bg\" FRAMES 4 }\n"
                          "DRAW \"unused\" { SIZE 1 1 }\n"
                          "MAIN { INPUT \"s\" INPUT \"r\" }\n"),
              0)
        << OnlyError();
    EXPECT_EQ(Scene("pic")->RefCount(), 3);
    EXPECT_EQ(Scene("bg")->RefCount(), 0) << "a background is not a reference";
    EXPECT_EQ(Scene("s")->RefCount(), 1);
    EXPECT_EQ(Scene(" ")->RefCount(), 0);
    // Every scene MAIN reaches knows its count before any frame is drawn, the
    // inputs of STILL and the background of ROTATE included.
    for (const char* name : {"pic", "bg", "s", "r", " "}) {
        EXPECT_TRUE(Scene(name)->HasFrameCount()) << name;
    }
    EXPECT_FALSE(Scene("unused")->HasFrameCount());
    EXPECT_EQ(m_doc->TotalFrames(), 9);
    // Links without a rectangle get the whole screen; a ROTATE without CENTER turns
    // about its middle.
    EXPECT_EQ(Scene("s")->Inputs()[0]->Rect(), (SceneRect{0, 0, 7, 5}));
    auto* rotate = dynamic_cast<CSceneRotate*>(Scene("r"));
    ASSERT_TRUE(rotate);
    EXPECT_EQ(rotate->CenterX(), 4);
    EXPECT_EQ(rotate->CenterY(), 3);
    EXPECT_EQ(m_doc->MainScene(), Scene(" "));
}

TEST_F(LinkTest, TotalsKeyFramesAndCheckpoints) {
    const std::string text = std::string("SCREEN 8 6\n") + kPicture +
                             "STILL \"a\" { INPUT \"pic\" FRAMES 10 }\n"
                             "STILL \"b\" { INPUT \"pic\" FRAMES 10 }\n"
                             "MAIN { INPUT \"a\" INPUT \"b\" }\n"
                             "CHECKPOINT { CF 45 CT 1000 1 2 3 CT 1 CF 5 }\n";
    ASSERT_EQ(LoadAndLink(text), 0) << OnlyError();
    EXPECT_EQ(m_doc->TotalFrames(), 20);
    EXPECT_EQ(m_doc->KeyFrames(), 3) << "frames 0, 10 and 19";
    ASSERT_EQ(m_doc->Checkpoints().size(), 4u);
    EXPECT_EQ(m_doc->Checkpoints()[0].time, 1500);
    EXPECT_EQ(m_doc->Checkpoints()[0].frame, 45);
    EXPECT_EQ(m_doc->Checkpoints()[1].frame, 30);
    EXPECT_EQ(m_doc->Checkpoints()[2].frame, 0) << "0.03 frames rounds to 0";
    EXPECT_EQ(m_doc->Checkpoints()[3].time, 167) << "5 frames at 30 per second";
    // Marked frames: key frames of MAIN and checkpoints.
    EXPECT_EQ(m_doc->NextMarkedFrame(0), 5);
    EXPECT_EQ(m_doc->NextMarkedFrame(5), 10);
    EXPECT_EQ(m_doc->NextMarkedFrame(10), 19);
    EXPECT_EQ(m_doc->NextMarkedFrame(19), 20);

    CScenario later;
    later.SetErrorCallback([this](const std::string& e) { m_errors.push_back(e); });
    ASSERT_EQ(later.Load(Write("later.txt", text + "STARTFRAME 5\nFRAMERATE 24\nSCALE 2\n")), 0);
    ASSERT_EQ(later.Link(), 0) << OnlyError();
    EXPECT_EQ(later.KeyFrames(), 2) << "frames 10 and 19";
    EXPECT_EQ(later.Checkpoints()[0].time, 3750) << "45 * 1000 * 2 / 24";
    EXPECT_EQ(later.Checkpoints()[1].frame, 12) << "1000 / 1000 * 24 / 2";
}

TEST_F(LinkTest, PicturesWithoutALengthCannotMakeMain) {
    EXPECT_EQ(LoadAndLink(std::string("SCREEN 8 6\n") + kPicture +
                          "SERIES \"show\" { INPUT \"pic\" }\nMAIN { INPUT \"show\" }\n"),
              -1);
    EXPECT_EQ(OnlyError(),
              NoPlace("ブロック pic の長さが決まらないため、MAIN ブロックの長さを決められません。\n"
                      "STILL などの長さを持つブロックを通して使用して下さい。"));

    // Sums stop at the endless count instead of wrapping around.
    EXPECT_EQ(LoadAndLink(std::string("SCREEN 8 6\n") + kPicture +
                          "STILL \"a\" { INPUT \"pic\" FRAMES 2000000000 }\n"
                          "MAIN { INPUT \"a\" INPUT \"a\" }\n"),
              -1);
    EXPECT_EQ(OnlyError(), NoPlace("MAIN ブロックのフレーム数が上限を超えています。"));
}

TEST_F(LinkTest, DeepChainsAreCountedWithoutRecursionAndLimited) {
    auto chain = [](int length) {
        std::string text =
            std::string("SCREEN 8 6\n") + kPicture + "STILL \"c0\" { INPUT \"pic\" FRAMES 3 }\n";
        for (int i = 1; i <= length; ++i) {
            text += "SERIES \"c" + std::to_string(i) + "\" { INPUT \"c" + std::to_string(i - 1) +
                    "\" }\n";
        }
        return text + "MAIN { INPUT \"c" + std::to_string(length) + "\" }\n";
    };
    ASSERT_EQ(LoadAndLink(chain(990)), 0) << OnlyError();
    EXPECT_EQ(m_doc->TotalFrames(), 3);

    CScenario deep;
    deep.SetErrorCallback([this](const std::string& e) { m_errors.push_back(e); });
    ASSERT_EQ(deep.Load(Write("deep.txt", chain(1200))), 0);
    EXPECT_EQ(deep.Link(), -1);
    EXPECT_EQ(OnlyError(), NoPlace("ブロックの入れ子が 1000 段を超えています。(シーン c201)"));

    // The same chain out of MAIN's reach is refused as well, walked from its own blocks.
    std::string unreachable = chain(1200);
    unreachable.replace(unreachable.rfind("c1200"), 5, "c0");
    EXPECT_EQ(LoadAndLink(unreachable), -1);
    EXPECT_EQ(OnlyError(), NoPlace("ブロックの入れ子が 1000 段を超えています。(シーン c998)"));
}

TEST_F(LinkTest, GraphsThatUnfoldTooFarAreRefused) {
    // Every MIX uses the block below it twice, so MAIN's graph unfolds to
    // 3 * 2^n blocks for n levels: 98304 for 15 levels, 196608 for 16.
    auto doubling = [](int levels) {
        std::string text =
            std::string("SCREEN 8 6\n") + kPicture + "STILL \"m0\" { INPUT \"pic\" FRAMES 3 }\n";
        for (int i = 1; i <= levels; ++i) {
            const std::string below = "\"m" + std::to_string(i - 1) + "\"";
            text +=
                "MIX \"m" + std::to_string(i) + "\" { INPUT " + below + " INPUT " + below + " }\n";
        }
        return text + "MAIN { INPUT \"m" + std::to_string(levels) + "\" }\n";
    };
    ASSERT_EQ(LoadAndLink(doubling(15)), 0) << OnlyError();
    EXPECT_EQ(m_doc->TotalFrames(), 3);

    EXPECT_EQ(LoadAndLink(doubling(16)), -1);
    EXPECT_EQ(OnlyError(),
              NoPlace("ブロックの参照が多すぎます。MAIN から展開すると 100000 個を超えます。"));
}

TEST_F(LinkTest, ScenesValidateThemselvesLast) {
    EXPECT_EQ(LoadAndLink("SCREEN 8 6\nIMAGE \"photo\" { FILE \"none.jpg\" }\n"
                          "STILL \"s\" { INPUT \"photo\" FRAMES 2 }\nMAIN { INPUT \"s\" }\n"),
              -1);
    EXPECT_EQ(OnlyError(),
              "ブロック photo で指定されたファイルを開くことができません。\nファイル：none.jpg");
    EXPECT_EQ(m_doc->TotalFrames(), 2) << "totals are computed before validation";
}

}  // namespace
