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

const std::string kHead = "SCREEN 8 6\nDRAW \"pic\" { SIZE 8 6 }\n";

// `length` SERIES, each over the one before, over a STILL of 3 frames; MAIN uses
// the last.
std::string chain(int length) {
    std::string text = kHead + "STILL \"c0\" { INPUT \"pic\" FRAMES 3 }\n";
    for (int i = 1; i <= length; ++i) {
        text +=
            "SERIES \"c" + std::to_string(i) + "\" { INPUT \"c" + std::to_string(i - 1) + "\" }\n";
    }
    return text + "MAIN { INPUT \"c" + std::to_string(length) + "\" }\n";
}

// Every MIX uses the block below it twice, so MAIN's graph unfolds to 3 * 2^n
// blocks for n levels: 98304 for 15 levels, 196608 for 16.
std::string doubling(int levels) {
    std::string text = kHead + "STILL \"m0\" { INPUT \"pic\" FRAMES 3 }\n";
    for (int i = 1; i <= levels; ++i) {
        const std::string below = "\"m" + std::to_string(i - 1) + "\"";
        text += "MIX \"m" + std::to_string(i) + "\" { INPUT " + below + " INPUT " + below + " }\n";
    }
    return text + "MAIN { INPUT \"m" + std::to_string(levels) + "\" }\n";
}

TEST_F(LinkTest, RefusedDocumentsNameTheirFault) {
    const std::string undefined = "シーン nope は定義されていません。";
    const std::string tooLong = "MAIN ブロックのフレーム数が上限を超えています。";
    const std::string endless =
        "ブロック pic の長さが決まらないため、MAIN ブロックの長さを決められません。\n"
        "STILL などの長さを持つブロックを通して使用して下さい。";
    std::string unreachable = chain(1200);
    unreachable.replace(unreachable.rfind("c1200"), 5, "c0");
    const std::pair<std::string, std::string> cases[] = {
        // Header checks come first; the music check comes before any name is
        // resolved; rates of 0 would be divided by later.
        {"MAIN { }\n", "スクリーンサイズが定義されていません。"},
        {"SCREEN 0 0\n", "MAINブロックが定義されていません。"},
        {"SCREEN 4 4\nMAIN { INPUT \"missing\" ALINK_VOLUME_ALPHA }\n",
         "音楽連動機能を利用するには、音楽ファイルを指定して下さい。"},
        {"SCREEN 0 0\nMAIN { }\nFRAMERATE 0\n", "フレームレート値に 0 は指定できません。"},
        {"SCREEN 0 0\nMAIN { }\nSCALE 0\n", "スケール値に 0 は指定できません。"},
        {"SCREEN 0 0\nMAIN { }\nPREVIEWSCALE 0\n",
         "プレビュー用フレームレート低減率に 0 は指定できません。"},
        // Names are unique and defined, also those of backgrounds and BLOCK_FRAME;
        // they are shown in UTF-8.
        {kHead + "DRAW \"pic\" { SIZE 8 6 }\nMAIN { }\n", "シーン pic は複数定義されています。"},
        {kHead + "STILL \"s\" { INPUT \"nope\" FRAMES 2 }\nMAIN { INPUT \"s\" }\n", undefined},
        {kHead + "ROTATE \"r\" { INPUT \"pic\" BGIMAGE \"nope\" FRAMES 2 }\nMAIN { INPUT \"r\" }\n",
         undefined},
        {kHead + "IMAGE \"i\" { BLOCK_FRAME \"nope\" 0 }\nMAIN { }\n", undefined},
        {"SCREEN 8 6\nMAIN { INPUT \"表紙\" }\n", "シーン 表紙 は定義されていません。"},
        // Loops, also through backgrounds.
        {kHead + "SERIES \"a\" { INPUT \"a\" }\nMAIN { INPUT \"a\" }\n",
         "シーン a がループ呼び出しされています。"},
        {kHead +
             "SERIES \"a\" { INPUT \"b\" }\nSERIES \"b\" { INPUT \"a\" }\nMAIN { INPUT \"a\" }\n",
         "シーン a がループ呼び出しされています。"},
        {kHead + "ROTATE \"r\" { INPUT \"pic\" BGIMAGE \"r\" FRAMES 2 }\nMAIN { INPUT \"r\" }\n",
         "シーン r がループ呼び出しされています。"},
        {kHead + "ROTATE \"r\" { INPUT \"pic\" BGIMAGE \"m\" FRAMES 2 }\n"
                 "MIX \"m\" { INPUT \"r\" }\nMAIN { INPUT \"m\" }\n",
         "シーン m がループ呼び出しされています。"},
        {kHead + "MAIN { INPUT \"pic\" }\n", endless},
        {kHead + "SERIES \"show\" { INPUT \"pic\" }\nMAIN { INPUT \"show\" }\n", endless},
        // Sums stop at the endless count instead of wrapping around, and so does a
        // count past the integers.
        {kHead +
             "STILL \"a\" { INPUT \"pic\" FRAMES 2000000000 }\nMAIN { INPUT \"a\" INPUT \"a\" }\n",
         tooLong},
        {kHead + "STILL \"a\" { INPUT \"pic\" FRAMES 99999999999 }\nMAIN { INPUT \"a\" }\n",
         tooLong},
        // Deep chains are counted without recursion and limited, also out of
        // MAIN's reach (walked from their own blocks); wide graphs are limited too.
        {chain(1200), "ブロックの入れ子が 1000 段を超えています。(シーン c201)"},
        {unreachable, "ブロックの入れ子が 1000 段を超えています。(シーン c998)"},
        {doubling(16), "ブロックの参照が多すぎます。MAIN から展開すると 100000 個を超えます。"},
    };
    for (const auto& [text, message] : cases) {
        EXPECT_EQ(LoadAndLink(text), -1) << text.substr(0, 200);
        EXPECT_EQ(OnlyError(), NoPlace(message)) << text.substr(0, 200);
    }
}

TEST_F(LinkTest, GraphsWithinTheLimitsAreCounted) {
    // An empty MAIN on a 0 x 0 screen is a document of no frames.
    EXPECT_EQ(LoadAndLink("SCREEN 0 0\nMAIN { }\n"), 0) << OnlyError();
    EXPECT_EQ(m_doc->TotalFrames(), 0);
    EXPECT_EQ(m_doc->KeyFrames(), 0);
    for (const std::string& text : {chain(990), doubling(15)}) {
        ASSERT_EQ(LoadAndLink(text), 0) << OnlyError();
        EXPECT_EQ(m_doc->TotalFrames(), 3);
    }

    // A loop among blocks MAIN does not reach is left in place, as stored scenarios
    // keep such unused pairs: neither it nor a block that reaches it is validated
    // (they have no length), and the document names the loop for them.
    ASSERT_EQ(LoadAndLink(kHead + "FADEIN \"a\" { INPUT \"b\" FRAMES 2 }\n"
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
    ASSERT_EQ(LoadAndLink(kHead + "DRAW \"bg\" { SIZE 2 2 }\n"
                                  "STILL \"s\" { INPUT \"pic\" INPUT \"pic\" FRAMES 5 }\n"
                                  "ROTATE \"r\" { INPUT \"pic\" BGIMAGE \"bg\" FRAMES 4 }\n"
                                  "DRAW \"unused\" { SIZE 1 1 }\n"
                                  "MAIN { INPUT \"s\" INPUT \"r\" }\n"),
              0)
        << OnlyError();
    // Each input counts, a background does not (plain counts: dump_test.cpp).
    EXPECT_EQ(Scene("pic")->RefCount(), 3);
    EXPECT_EQ(Scene("bg")->RefCount(), 0);
    // Every scene MAIN reaches knows its count before any frame is drawn, the
    // inputs of STILL and the background of ROTATE included.
    for (const char* name : {"pic", "bg", "s", "r", " "}) {
        EXPECT_TRUE(Scene(name)->HasFrameCount()) << name;
    }
    EXPECT_FALSE(Scene("unused")->HasFrameCount());
    EXPECT_EQ(m_doc->TotalFrames(), 9);
    // A ROTATE without CENTER turns about its middle (links without a rectangle get
    // the whole screen: dump_test.cpp).
    auto* rotate = dynamic_cast<CSceneRotate*>(Scene("r"));
    ASSERT_TRUE(rotate);
    EXPECT_EQ(rotate->CenterX(), 4);
    EXPECT_EQ(rotate->CenterY(), 3);
}

TEST_F(LinkTest, TotalsKeyFramesAndCheckpoints) {
    const std::string text = kHead +
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
    // Marked frames (key frames and checkpoints): render_html_test.cpp.

    ASSERT_EQ(LoadAndLink(text + "STARTFRAME 5\nFRAMERATE 24\nSCALE 2\n"), 0) << OnlyError();
    EXPECT_EQ(m_doc->KeyFrames(), 2) << "frames 10 and 19";
    EXPECT_EQ(m_doc->Checkpoints()[0].time, 3750) << "45 * 1000 * 2 / 24";
    EXPECT_EQ(m_doc->Checkpoints()[1].frame, 12) << "1000 / 1000 * 24 / 2";
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
