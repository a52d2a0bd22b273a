// IMAGE, TEXT, DRAW and MOVIE blocks read through Load from scenario files.

#include "scenario/tests/scenario_fixture.h"
#include "scene/scene_source.h"

namespace {

using SourceBlocks = ScenarioTest;

TEST_F(SourceBlocks, ImageStatementsAndEffects) {
    ASSERT_EQ(LoadText("IMAGE \"p\" {\n"
                       "  FILE \"pic\\a#1.jpg\"\n"
                       "  SEPIA MONO NEGA DISCOLOR HIGHPASS RED GREEN BLUE\n"
                       "  PHOTO_FRAME 100\n"
                       "  CLIP 10 10 109 59\n"
                       "  ANGLE -90\n"
                       "  THROUGH_COLOR 1 2 3\n"
                       "}\n"
                       "IMAGE \"q\" { BLOCK_FRAME \"x\" 12 }\n"),
              0)
        << OnlyError();
    auto* p = Scene<CSceneImage>("p");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->m_file, "pic\\a#1.jpg") << "a # inside quotes is no comment";
    EXPECT_EQ(p->m_effects, 0xFFFu);
    EXPECT_EQ(p->m_photoFrame, 100);
    EXPECT_EQ(p->m_clip, (SceneRect{10, 10, 109, 59}));
    EXPECT_EQ(p->m_angle, -90);
    EXPECT_EQ(p->m_color, CColor(1, 2, 3, 0)) << "the transparent colour has alpha 0";
    EXPECT_EQ(p->GetFrameCount(), kEndlessFrames);
    auto* q = Scene<CSceneImage>("q");
    ASSERT_TRUE(q);
    EXPECT_TRUE(q->m_file.empty());
    ASSERT_EQ(q->m_inputs.size(), 1u);
    EXPECT_EQ(q->m_inputs[0]->m_inputName, "x");
    EXPECT_EQ(q->m_blockFrame, 12);
    EXPECT_EQ(q->m_effects, 0u);
}

TEST_F(SourceBlocks, ImageMessages) {
    EXPECT_EQ(Refused("IMAGE \"p\" {\n FILE \"a.jpg\"\n BLOCK_FRAME \"x\" 1\n}\n"),
              At("refused.txt", 3,
                 "IMAGE ブロックに複数の FILE または BLOCK_FRAME が定義されています。"));
    EXPECT_EQ(
        Refused("\n\nIMAGE \"p\" {\n SEPIA\n}\n"),
        At("refused.txt", 5, "IMAGE ブロックに FILE または BLOCK_FRAME が定義されていません。"))
        << "completion checks report on the line of the closing brace";
    EXPECT_EQ(Refused("IMAGE \"p\" {\n FILE \"a\"\n CLIP 100 0 50 10\n}\n"),
              At("refused.txt", 3, "IMAGE ブロックの CLIP 指定子の座標値が不正です。"));
    EXPECT_EQ(Refused("IMAGE \"p\" {\n CLIP -1 0 5 5\n}\n"),
              At("refused.txt", 2, "クリップ座標の下限値を超えています。"));
    EXPECT_EQ(Refused("IMAGE \"p\" {\n PHOTO_FRAME 101\n}\n"),
              At("refused.txt", 2, "フォトフレーム幅の上限値を超えています。"));
    EXPECT_EQ(Refused("IMAGE \"p\" {\n THROUGH_COLOR 0 256 0\n}\n"),
              At("refused.txt", 2, "緑の輝度の上限値を超えています。"));
    EXPECT_EQ(Refused("IMAGE \"p\" {\n SEPIA\n WIDTH 3\n}\n"),
              At("refused.txt", 3, "IMAGE ブロック内では、WIDTH の記述はできません。"));
    // A statement word ends only at a blank or "}": FILE against its quote is one word.
    EXPECT_EQ(Refused("IMAGE \"p\" {\n FILE\"a.jpg\"\n}\n"),
              At("refused.txt", 2, "IMAGE ブロック内では、FILE\"a.jpg\" の記述はできません。"));
    EXPECT_EQ(Refused("IMAGE \"p\"\n FILE \"a\"\n"),
              At("refused.txt", 2, "不正な記述があります。"));
    EXPECT_EQ(Refused("IMAGE p { FILE \"a\" }\n"),
              At("refused.txt", 1, "ブロック名は正しくダブルクォーテーション(\")で括って下さい。"));
}

TEST_F(SourceBlocks, ValueAgainstClosingBraceEndsTheBlock) {
    ASSERT_EQ(LoadText("IMAGE \"p\" { FILE \"a\" ANGLE 45}\nIMAGE \"q\" { FILE \"b\" }\n"), 0)
        << OnlyError();
    EXPECT_EQ(Scene<CSceneImage>("p")->m_angle, 45);
    EXPECT_TRUE(Scene<CSceneImage>("q"));
}

TEST_F(SourceBlocks, UnterminatedBlockIsRefused) {
    EXPECT_EQ(Refused("IMAGE \"p\" {\n FILE \"a.jpg\"\n"),
              At("refused.txt", 3, "IMAGE ブロックが } で閉じられていません。"));
    EXPECT_EQ(Refused("DRAW \"d\" {\n SIZE 1 1\n LINE {\n POINT 1 2\n"),
              At("refused.txt", 5, "LINE ブロックが } で閉じられていません。"));
}

TEST_F(SourceBlocks, TextStatementsAndDefaults) {
    // "表" is 0x95 0x5C: its second byte is a backslash and must not pair with the
    // backslash after it.
    ASSERT_EQ(LoadText("TEXT \"t\" {\n"
                       "  SIZE 0 10\n"
                       "  STRING \"first\\\\second \\ single\"\n"
                       "  STRING \"表\\\\改行\"\n"
                       "}\n"
                       "TEXT \"u\" {\n"
                       "  STRING \"x\" SIZE 320 240 FILE \"photo.jpg\"\n"
                       "  FONT \"IPAGothic\" 10 20 ALIGN LEFT VALIGN BOTTOM\n"
                       "  COLOR 1 2 3 4 ANGLE 30 FRAME_OFFSET 5\n"
                       "}\n",
                       false),
              0)
        << OnlyError();
    auto* t = Scene<CSceneText>("t");
    ASSERT_TRUE(t);
    std::string expected;
    ASSERT_EQ(utf8_to_cp932("表\r\n改行", &expected), 0);
    EXPECT_EQ(t->m_string, expected) << "the later STRING replaces the text";
    EXPECT_EQ(t->m_width, 0);
    EXPECT_EQ(t->m_font, "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e");
    EXPECT_EQ(cp932_to_utf8(t->m_font), "ＭＳ ゴシック");
    EXPECT_EQ(t->m_fontWidth, 20);
    EXPECT_EQ(t->m_fontHeight, 40);
    EXPECT_EQ(t->m_align, TEXT_ALIGN_CENTER);
    EXPECT_EQ(t->m_valign, TEXT_VALIGN_CENTER);
    EXPECT_EQ(t->m_color, CColor(255, 255, 255, 255));
    EXPECT_EQ(t->m_bgcolor, CColor(0, 0, 0, 0));
    EXPECT_EQ(t->m_flags, 0u);
    auto* u = Scene<CSceneText>("u");
    ASSERT_TRUE(u);
    EXPECT_EQ(u->m_file, "photo.jpg");
    EXPECT_EQ(u->m_font, "IPAGothic");
    EXPECT_EQ(u->m_fontWidth, 10);
    EXPECT_EQ(u->m_fontHeight, 20);
    EXPECT_EQ(u->m_align, TEXT_ALIGN_LEFT);
    EXPECT_EQ(u->m_valign, TEXT_VALIGN_BOTTOM);
    EXPECT_EQ(u->m_color, CColor(1, 2, 3, 4));
    EXPECT_EQ(u->m_angle, 30);
    EXPECT_EQ(u->m_flags, TEXT_FLAG_ANGLE);
    EXPECT_EQ(u->m_frameOffset, 5);
}

TEST_F(SourceBlocks, TextLineBreaks) {
    ASSERT_EQ(LoadText("TEXT \"t\" { SIZE 1 1 STRING \"a\\\\b\\c\\\\\\d\" }\n"), 0) << OnlyError();
    EXPECT_EQ(Scene<CSceneText>("t")->m_string, "a\r\nb\\c\r\n\\d");
}

TEST_F(SourceBlocks, TextMessages) {
    EXPECT_EQ(Refused("TEXT \"t\" {\n STRING \"a\"\n}\n"),
              At("refused.txt", 3, "TEXT ブロックに、SIZE が定義されていません。"));
    EXPECT_EQ(Refused("TEXT \"t\" {\n SIZE 1 1\n\n}\n"),
              At("refused.txt", 4, "TEXT ブロックに、STRING が定義されていません。"));
    EXPECT_EQ(Refused("TEXT \"t\" {\n SIZE 1 1\n SIZE 2 2\n}\n"),
              At("refused.txt", 3, "TEXT ブロックに、複数の SIZE が定義されています。"));
    EXPECT_EQ(Refused("TEXT \"t\" {\n FILE \"a\"\n FILE \"b\"\n}\n"),
              At("refused.txt", 3, "TEXT ブロックに複数の FILE が定義されています。"));
    EXPECT_EQ(Refused("TEXT \"t\" {\n ALIGN TOP\n}\n"),
              At("refused.txt", 2, "ALIGNオプションでは、TOP の記述はできません。"));
    EXPECT_EQ(Refused("TEXT \"t\" {\n VALIGN\n  LEFT\n}\n"),
              At("refused.txt", 3, "VALIGNオプションでは、LEFT の記述はできません。"));
    EXPECT_EQ(Refused("TEXT \"t\" {\n SIZE -1 1\n}\n"),
              At("refused.txt", 2, "幅の下限値を超えています。"));
    EXPECT_EQ(Refused("TEXT \"t\" {\n COLOR 1 2 3 256\n}\n"),
              At("refused.txt", 2, "α値の上限値を超えています。"));
    EXPECT_EQ(
        Refused("TEXT \"t\" {\n STRING \"a}b\"\n}\n"),
        At("refused.txt", 2, "表示対象文字列は正しくダブルクォーテーション(\")で括って下さい。"));
    EXPECT_EQ(Refused("TEXT \"t\" {\n 文字 1\n}\n"),
              At("refused.txt", 2, "TEXT ブロック内では、文字 の記述はできません。"));
}

TEST_F(SourceBlocks, DrawShapes) {
    ASSERT_EQ(LoadText("DRAW \"d\" {\n"
                       "  SIZE 100 50 COLOR 10 20 30 40\n"
                       "  LINE { POINT 0 0 POINT 5 -5 POINT 9 9 WIDTH 3 }\n"
                       "  RECT { POINT 10 20 POINT 5 8 FILL WIDTH 2 }\n"
                       "  POLYGON { POINT 1 1 POINT 2 2 POINT 3 1 FILL }\n"
                       "  ELLIPSE { REGION 50 40 10 5 ANGLE 30 FILL }\n"
                       "}\n"),
              0)
        << OnlyError();
    auto* d = Scene<CSceneDraw>("d");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->m_width, 100);
    EXPECT_EQ(d->m_height, 50);
    EXPECT_EQ(d->m_color, CColor(10, 20, 30, 40));
    ASSERT_EQ(d->m_shapes.size(), 4u);
    using P = DrawShape::Point;
    const DrawShape& line = d->m_shapes[0];
    EXPECT_EQ(line.kind, DrawShape::LINE);
    EXPECT_EQ(line.points, (std::vector<P>{{0, 0}, {5, -5}, {9, 9}}));
    EXPECT_EQ(line.width, 3);
    const DrawShape& rect = d->m_shapes[1];
    EXPECT_EQ(rect.kind, DrawShape::POLYGON);
    EXPECT_EQ(rect.points, (std::vector<P>{{10, 20}, {5, 20}, {5, 8}, {10, 8}}));
    EXPECT_TRUE(rect.fill);
    EXPECT_EQ(rect.width, 2);
    EXPECT_EQ(d->m_shapes[2].points.size(), 3u);
    EXPECT_EQ(d->m_shapes[2].width, 1);
    const DrawShape& ellipse = d->m_shapes[3];
    EXPECT_EQ(ellipse.kind, DrawShape::ELLIPSE);
    EXPECT_EQ(ellipse.region, (SceneRect{50, 40, 10, 5})) << "no order check";
    EXPECT_EQ(ellipse.angle, 30);
    EXPECT_EQ(ellipse.width, 1);
}

TEST_F(SourceBlocks, DrawMessages) {
    EXPECT_EQ(Refused("DRAW \"d\" {\n SIZE 0 10\n}\n"),
              At("refused.txt", 2, "幅の下限値を超えています。"));
    EXPECT_EQ(Refused("DRAW \"d\" {\n COLOR 1 1 1 1\n}\n"),
              At("refused.txt", 3, "DRAW ブロックに、SIZE が定義されていません。"));
    EXPECT_EQ(Refused("DRAW \"d\" {\n SIZE 1 1\n SIZE 1 1\n}\n"),
              At("refused.txt", 3, "DRAW ブロックに、複数の SIZE が定義されています。"));
    EXPECT_EQ(Refused("DRAW \"d\" {\n SIZE 1 1\n POLYGON {\n  POINT 1 1\n  POINT 2 2\n }\n}\n"),
              At("refused.txt", 6, "POLYGON ブロックの、POINT が定義が少なすぎます。"));
    EXPECT_EQ(Refused("DRAW \"d\" {\n SIZE 1 1\n LINE { POINT 1 1 }\n}\n"),
              At("refused.txt", 3, "LINE ブロックの、POINT が定義が少なすぎます。"));
    EXPECT_EQ(Refused("DRAW \"d\" {\n SIZE 1 1\n RECT { POINT 1 1 }\n}\n"),
              At("refused.txt", 3, "RECT ブロックの、POINT が定義が少なすぎます。"));
    // A third POINT of a RECT is counted, its numbers are not read.
    EXPECT_EQ(Refused("DRAW \"d\" {\n SIZE 1 1\n RECT { POINT 1 1 POINT 2 2 POINT }\n}\n"),
              At("refused.txt", 3, "RECT ブロックの、POINT が定義が多すぎます。"));
    EXPECT_EQ(Refused("DRAW \"d\" {\n SIZE 1 1\n RECT { POINT 1 1 POINT 2 2 POINT 3 3 }\n}\n"),
              At("refused.txt", 3, "RECT ブロック内では、3 の記述はできません。"));
    EXPECT_EQ(Refused("DRAW \"d\" {\n SIZE 1 1\n ELLIPSE { WIDTH 2\n }\n}\n"),
              At("refused.txt", 4, "ELLIPSE ブロックの、REGION 定義がありません。"));
    EXPECT_EQ(Refused("DRAW \"d\" {\n SIZE 1 1\n LINE { FILL }\n}\n"),
              At("refused.txt", 3, "LINE ブロック内では、FILL の記述はできません。"));
    EXPECT_EQ(Refused("DRAW \"d\" {\n SIZE 1 1\n ELLIPSE { POINT 1 1 }\n}\n"),
              At("refused.txt", 3, "ELLIPSE ブロック内では、POINT の記述はできません。"));
    EXPECT_EQ(Refused("DRAW \"d\" {\n SIZE 1 1\n LINE { WIDTH 0 }\n}\n"),
              At("refused.txt", 3, "線幅の下限値を超えています。"));
    EXPECT_EQ(Refused("DRAW \"d\" {\n SIZE 1 1\n LINE\n POINT\n}\n"),
              At("refused.txt", 4, "不正な記述があります。"));
    EXPECT_EQ(Refused("DRAW \"d\" {\n CIRCLE { }\n}\n"),
              At("refused.txt", 2, "DRAW ブロック内では、CIRCLE の記述はできません。"));
}

TEST_F(SourceBlocks, MovieFields) {
    ASSERT_EQ(LoadText("$(L) = 8\n"
                       "MOVIE \"m\" {\n  FILE \"clip.avi\"\n  FRAMES 50\n}\n"
                       "MOVIE \"n\" {\n"
                       "  FILE \"clip.avi\" $(L) 2 (3*100) 4\n"
                       "  MAX_CUT BGCOLOR 1 2 3 FRAME_START 100 FRAMES 7\n"
                       "}\n"),
              0)
        << OnlyError();
    EXPECT_TRUE(m_doc.ContainsMovie());
    auto* m = Scene<CSceneMovie>("m");
    ASSERT_TRUE(m);
    EXPECT_FALSE(m->m_hasRect) << "the next byte is F: no rectangle";
    EXPECT_EQ(m->m_frames, 50);
    EXPECT_EQ(m->m_fitMode, 1);
    auto* n = Scene<CSceneMovie>("n");
    ASSERT_TRUE(n);
    EXPECT_TRUE(n->m_hasRect);
    EXPECT_EQ(n->m_rect, (SceneRect{8, 2, 300, 4}));
    EXPECT_EQ(n->m_fitMode, 2);
    EXPECT_EQ(n->m_bgcolor, CColor(1, 2, 3, 255));
    EXPECT_EQ(n->m_frameStart, 100);
    EXPECT_EQ(n->GetFrameCount(), 7);
}

TEST_F(SourceBlocks, MovieMessages) {
    EXPECT_EQ(Refused("MOVIE \"m\" {\n FRAMES 5\n}\n"),
              At("refused.txt", 3, "MOVIE ブロックに FILE が定義されていません。"));
    EXPECT_EQ(Refused("MOVIE \"m\" {\n FILE \"a\"\n FILE \"b\"\n}\n"),
              At("refused.txt", 3, "MOVIE ブロックに複数の FILE が定義されています。"));
    EXPECT_EQ(Refused("$(L) = 8\nMOVIE \"m\" {\n FILE \"a\" $(L) 2 (3*100) -4\n}\n"),
              At("refused.txt", 3, "MOVIE ブロックの FILE 指定子の座標値が不正です。"));
    EXPECT_EQ(Refused("MOVIE \"m\" {\n FILE \"a\" 100 0 50 10\n}\n"),
              At("refused.txt", 2, "MOVIE ブロックの FILE 指定子の座標値が不正です。"));
    EXPECT_EQ(Refused("MOVIE \"m\" {\n FRAME_START -1\n}\n"),
              At("refused.txt", 2, "開始フレーム番号の下限値を超えています。"));
    EXPECT_EQ(Refused("MOVIE \"m\" {\n FILE \"a\" 1 2 x 4\n}\n"),
              At("refused.txt", 2, "クリップ座標を正しく記述してください。"));
    EXPECT_EQ(Refused("MOVIE \"m\" {\n FILE \"a\"\n LOOP\n}\n"),
              At("refused.txt", 3, "MOVIE ブロック内では、LOOP の記述はできません。"));
}

}  // namespace
