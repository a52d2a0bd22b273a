// MIX, SERIES, MAIN, CUT, ALPHA and SHADE read through Load, and the scenes they
// make once linked.

#include "scenario/tests/scenario_fixture.h"
#include "scene/scene_composition.h"

namespace {

using CompositionBlocks = ScenarioTest;

TEST_F(CompositionBlocks, MixInputsOffsetsAndBackground) {
    // OR between INPUT and OFFSET does not count.
    ASSERT_TRUE(
        Accepts("MIX \"m\" {\n  INPUT \"a\" 0 0 99 49 OR OFFSET 30\n  INPUT \"b\"\n"
                "  BGIMAGE \"bg\" BGCOLOR 4 5 6\n}\n",
                {{"m",
                  "MIX\t\"m\"\n\tINPUT\t\t\"a\"\t0\t0\t99\t49\tOFFSET\t30\n"
                  "\tINPUT\t\t\"b\"\t0\t0\t-1\t-1\tOFFSET\t0\n\tOR\n\tBGIMAGE\t\t\"bg\"\n"}}));
    EXPECT_EQ(Scene<CSceneMix>("m")->Settings().bgcolor, CColor(4, 5, 6, 255));

    ExpectRefusals({
        {"MIX \"m\" {\n INPUT \"a\" OFFSET 1\n OFFSET 2\n}\n", 3,
         "MIX ブロックに、不正な OFFSET が定義されています。"},
        {"MIX \"m\" {\n OFFSET 2\n}\n", 2, "MIX ブロックに、不正な OFFSET が定義されています。"},
        {"MIX \"m\" {\n INPUT \"a\" BGCOLOR 0 0 0\n OFFSET 2\n}\n", 3,
         "MIX ブロックに、不正な OFFSET が定義されています。"},
        {"MIX \"m\" {\n INPUT \"a\" BGIMAGE \"b\"\n OFFSET 2\n}\n", 3,
         "MIX ブロックに、不正な OFFSET が定義されています。"},
        {"MIX \"m\" {\n BGIMAGE \"a\"\n BGIMAGE \"b\"\n}\n", 3,
         "MIX ブロックに、複数の BGIMAGE が定義されています。"},
        {"MIX \"m\" {\n INPUT \"a\" 1 1 0 0\n}\n", 2,
         "MIX ブロックの INPUT 指定子の座標値が不正です。"},
        {"MIX \"m\" {\n INPUT \"a\" OFFSET -1\n}\n", 2, "オフセットの下限値を超えています。"},
        {"MIX \"m\" {\n BGCOLOR 0 0 0\n}\n", 3, "MIX ブロックに、INPUT が定義されていません。"},
        {"MIX \"m\" {\n !INPUT \"a\"\n}\n", 2, "MIX ブロック内では、!INPUT の記述はできません。"},
    });
}

TEST_F(CompositionBlocks, SeriesAndMain) {
    ASSERT_TRUE(
        Accepts("SERIES \"s\" { INPUT \"a\" !INPUT \"b\" }\n"
                "MAIN {\n INPUT \"s\" ALINK_VOLUME_ALPHA\n !INPUT \"a\"\n}\n",
                {{" ", "MAIN\n\tINPUT\t\t\"s\"\t\tALINK_VOLUME_ALPHA\n\tINPUT\t\t\"a\"\n"},
                 {"s", "SERIES\t\"s\"\n\tINPUT\t\t\"a\"\n\tINPUT\t\t\"b\"\n"}}));
    EXPECT_EQ(Scene<CSceneSeries>("s")->Inputs()[1]->Settings().kind, 2);

    ExpectRefusals({
        {"SERIES \"s\" {\n INPUT \"a\"\n ALINK_VOLUME_ALPHA\n}\n", 3,
         "SERIES ブロック内では、ALINK_VOLUME_ALPHA の記述はできません。"},
        {"MAIN {\n ALINK_VOLUME_ALPHA\n INPUT \"a\"\n}\n", 2,
         "MAIN ブロック内では、ALINK_VOLUME_ALPHA の記述はできません。"},
        {"SERIES \"s\" {\n\n}\n", 3, "SERIES ブロックに、INPUT が定義されていません。"},
        // MAIN has no name.
        {"MAIN \"m\" {\n}\n", 1, "不正な記述があります。"},
    });
}

TEST_F(CompositionBlocks, CutAlphaShade) {
    // The last START wins; a CUT with nothing but its INPUT writes no SKIP, START or
    // END line.
    ASSERT_TRUE(
        Accepts("CUT \"c\" { !INPUT \"a\" START 3 START 10 END 4 SKIP 0 }\n"
                "CUT \"d\" { INPUT \"a\" }\nALPHA \"al\" { INPUT \"a\" START 0 END 128 }\n"
                "ALPHA \"ad\" { INPUT \"a\" }\nSHADE \"sh\" { INPUT \"a\" START 1 END 4 }\n",
                {{"c", "CUT\t\"c\"\n\tINPUT\t\t\"a\"\n\tSKIP\t\t0\n\tSTART\t\t10\n\tEND\t\t4\n"},
                 {"d", "CUT\t\"d\"\n\tINPUT\t\t\"a\"\n"},
                 {"al", "ALPHA\t\"al\"\n\tINPUT\t\t\"a\"\n\tSTART\t\t0\n\tEND\t\t128\n"},
                 {"ad", "ALPHA\t\"ad\"\n\tINPUT\t\t\"a\"\n\tSTART\t\t255\n\tEND\t\t255\n"},
                 {"sh", "SHADE\t\"sh\"\n\tINPUT\t\t\"a\"\n\tSTART\t\t1\n\tEND\t\t4\n"}}));
    EXPECT_EQ(Scene<CSceneCut>("c")->Inputs()[0]->Settings().kind, 2);

    ExpectRefusals({
        {"CUT \"c\" {\n INPUT \"a\"\n !INPUT \"b\"\n}\n", 3,
         "CUT ブロックに、複数の INPUT が定義されています。"},
        {"CUT \"c\" {\n START 1\n}\n", 3, "CUT ブロックに、INPUT が定義されていません。"},
        {"CUT \"c\" {\n SKIP -1\n}\n", 2, "フレームスキップ値の下限値を超えています。"},
        {"CUT \"c\" {\n END -2\n}\n", 2, "終了フレーム番号の下限値を超えています。"},
        {"CUT \"c\" {\n OFFSET 2\n}\n", 2, "CUT ブロック内では、OFFSET の記述はできません。"},
        {"ALPHA \"a\" {\n START 256\n}\n", 2, "開始α値の上限値を超えています。"},
        {"ALPHA \"a\" {\n END -1\n}\n", 2, "終了α値の下限値を超えています。"},
        {"ALPHA \"a\" {\n SKIP 1\n}\n", 2, "ALPHA ブロック内では、SKIP の記述はできません。"},
        {"ALPHA \"a\" {\n INPUT \"a\" INPUT \"b\"\n}\n", 2,
         "ALPHA ブロックに、複数の INPUT が定義されています。"},
        {"ALPHA \"a\" {\n}\n", 2, "ALPHA ブロックに、INPUT が定義されていません。"},
        {"SHADE \"s\" {\n START 100000 END -1\n}\n", 2, "終了フレーム番号の下限値を超えています。"},
        {"SHADE \"s\" {\n !INPUT \"a\" !INPUT \"b\"\n}\n", 2,
         "SHADE ブロックに、複数の INPUT が定義されています。"},
        {"SHADE \"s\" {\n START 1\n}\n", 3, "SHADE ブロックに、INPUT が定義されていません。"},
    });
}

// A whole scenario through Load and Link: MAIN's key frames through nested blocks.
TEST_F(CompositionBlocks, NestedTransitionsKeyFrames) {
    ASSERT_TRUE(
        Accepts("SCREEN 64 48\nDRAW \"p\" { SIZE 4 4 }\n"
                "STILL \"a\" { INPUT \"p\" FRAMES 10 }\nSTILL \"b\" { INPUT \"p\" FRAMES 10 }\n"
                "CROSSFADE \"x\" { INPUT \"a\" INPUT \"b\" FRAMES 4 }\n"
                "FADEIN \"f\" { INPUT \"x\" OUT FRAMES 4 }\n"
                "CUT \"c\" { INPUT \"f\" START 5 END 2 }\nMIX \"m\" { INPUT \"c\" OFFSET 3 }\n"
                "FILM \"r\" { INPUT \"p\" INPUT \"p\" INPUT \"p\" LEFT FRAMES 30 }\n"
                "MAIN { INPUT \"f\" INPUT \"m\" INPUT \"r\" }\n"));
    ASSERT_EQ(m_doc.Link(), 0) << OnlyError();
    EXPECT_EQ(m_doc.TotalFrames(), 16 + 7 + 30);
    // 0..15 the fade in (its ends, 2 and 4) over the dissolve (6, 8, 10); 16..22 the
    // mix (ends, the cut's start and end at 19 and 22, and 20 where the cut shows
    // fade frame 4); 23..52 the film, every (30 / 2) / 2 = 7 frames and its last.
    std::vector<int32_t> keys;
    for (int32_t f = 0; f < m_doc.TotalFrames(); ++f)
        if (m_doc.MainScene()->TestFrame(FRAME_KEY, f)) keys.push_back(f);
    EXPECT_EQ(keys, (std::vector<int32_t>{0, 2, 4, 6, 8, 10, 15, 16, 19, 20, 22, 23, 30, 37, 44, 51,
                                          52}));
    EXPECT_EQ(m_doc.KeyFrames(), 17);
}

}  // namespace
