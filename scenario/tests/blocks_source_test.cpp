// IMAGE, TEXT, DRAW and MOVIE blocks read through Load from scenario files.

#include "scenario/tests/scenario_fixture.h"
#include "scene/scene_source.h"

namespace {

using SourceBlocks = ScenarioTest;

TEST_F(SourceBlocks, ImageStatementsAndEffects) {
    // A # inside quotes is no comment; effects are written back in their own order;
    // a value against the closing brace ends the block.
    ASSERT_TRUE(
        Accepts("IMAGE \"p\" {\n  FILE \"pic\\a#1.jpg\"\n"
                "  BLUE GREEN RED HIGHPASS DISCOLOR NEGA MONO SEPIA\n  PHOTO_FRAME 100\n"
                "  CLIP 10 10 109 59\n  ANGLE -90\n  THROUGH_COLOR 1 2 3\n}\n"
                "IMAGE \"q\" { BLOCK_FRAME \"x\" 12 }\n"
                "IMAGE \"r\" { FILE \"a\" ANGLE 45}\nIMAGE \"s\" { FILE \"b\" }\n",
                {{"p",
                  "IMAGE\t\"p\"\n\tFILE\t\t\"pic\\a#1.jpg\"\n"
                  "\tSEPIA\n\tMONO\n\tNEGA\n\tDISCOLOR\n\tHIGHPASS\n\tRED\n\tGREEN\n\tBLUE\n"
                  "\tPHOTO_FRAME\t100\n\tCLIP\t\t10\t10\t109\t59\n\tANGLE\t\t-90\n"
                  "\tTHROUGH_COLOR\t1\t2\t3\n"},
                 {"q", "IMAGE\t\"q\"\n\tBLOCK_FRAME\t\"x\"\t12\n"},
                 {"r", "IMAGE\t\"r\"\n\tFILE\t\t\"a\"\n\tANGLE\t\t45\n"},
                 {"s", "IMAGE\t\"s\"\n\tFILE\t\t\"b\"\n"}}));
    EXPECT_EQ(Scene<CSceneImage>("p")->Settings().throughColor, CColor(1, 2, 3, 0))
        << "the transparent colour has alpha 0";

    ExpectRefusals({
        {"IMAGE \"p\" {\n FILE \"a.jpg\"\n BLOCK_FRAME \"x\" 1\n}\n", 3,
         "IMAGE ブロックに複数の FILE または BLOCK_FRAME が定義されています。"},
        // Completion checks report on the line of the closing brace.
        {"\n\nIMAGE \"p\" {\n SEPIA\n}\n", 5,
         "IMAGE ブロックに FILE または BLOCK_FRAME が定義されていません。"},
        {"IMAGE \"p\" {\n FILE \"a\"\n CLIP 100 0 50 10\n}\n", 3,
         "IMAGE ブロックの CLIP 指定子の座標値が不正です。"},
        {"IMAGE \"p\" {\n CLIP -1 0 5 5\n}\n", 2, "クリップ座標の下限値を超えています。"},
        {"IMAGE \"p\" {\n PHOTO_FRAME 101\n}\n", 2, "フォトフレーム幅の上限値を超えています。"},
        {"IMAGE \"p\" {\n THROUGH_COLOR 0 256 0\n}\n", 2, "緑の輝度の上限値を超えています。"},
        {"IMAGE \"p\" {\n SEPIA\n WIDTH 3\n}\n", 3,
         "IMAGE ブロック内では、WIDTH の記述はできません。"},
        // A statement word ends only at a blank or "}": FILE against its quote is one word.
        {"IMAGE \"p\" {\n FILE\"a.jpg\"\n}\n", 2,
         "IMAGE ブロック内では、FILE\"a.jpg\" の記述はできません。"},
        {"IMAGE \"p\"\n FILE \"a\"\n", 2, "不正な記述があります。"},
        {"IMAGE p { FILE \"a\" }\n", 1,
         "ブロック名は正しくダブルクォーテーション(\")で括って下さい。"},
        {"IMAGE \"p\" {\n FILE \"a.jpg\"\n", 3, "IMAGE ブロックが } で閉じられていません。"},
        {"DRAW \"d\" {\n SIZE 1 1\n LINE {\n POINT 1 2\n", 5,
         "LINE ブロックが } で閉じられていません。"},
    });
}

TEST_F(SourceBlocks, TextStatementsAndDefaults) {
    // "表" is 0x95 0x5C: its second byte is a backslash and must not pair with the
    // backslash after it. The later STRING replaces the text; without FONT the face
    // is "ＭＳ ゴシック".
    ASSERT_TRUE(
        Accepts("TEXT \"t\" {\n  SIZE 0 10\n  STRING \"first\\\\second \\ single\"\n"
                "  STRING \"表\\\\改行\"\n}\n"
                "TEXT \"u\" {\n  STRING \"x\" SIZE 320 240 FILE \"photo.jpg\"\n"
                "  FONT \"IPAGothic\" 10 20 ALIGN LEFT VALIGN BOTTOM\n"
                "  COLOR 1 2 3 4 ANGLE 30 FRAME_OFFSET 5\n}\n"
                "TEXT \"v\" { SIZE 1 1 STRING \"a\\\\b\\c\\\\\\d\" }\n"
                "TEXT \"w\" { SIZE 1 1 STRING \"\\\\x\\\\\" }\n",
                {{"t",
                  "TEXT\t\"t\"\n\tSIZE\t\t0\t10\n\tFONT\t\t\"ＭＳ ゴシック\"\t20\t40\n"
                  "\tSTRING\t\t\"表\"\n\tSTRING\t\t\"改行\"\n\tCOLOR\t\t255\t255\t255\t255\n"
                  "\tALIGN\t\tCENTER\n\tVALIGN\t\tCENTER\n"},
                 {"u",
                  "TEXT\t\"u\"\n\tSIZE\t\t320\t240\n\tFILE\t\t\"photo.jpg\"\n"
                  "\tFRAME_OFFSET\t5\n\tFONT\t\t\"IPAGothic\"\t10\t20\n\tSTRING\t\t\"x\"\n"
                  "\tCOLOR\t\t1\t2\t3\t4\n\tALIGN\t\tLEFT\n\tVALIGN\t\tBOTTOM\n"}},
                false));
    const TextSettings& u = Scene<CSceneText>("u")->Settings();
    EXPECT_EQ(u.angle, 30) << "ANGLE is not written back";
    EXPECT_EQ(Scene<CSceneText>("v")->Settings().text, "a\r\nb\\c\r\n\\d");
    // Only breaks after the first character start a new STRING line when written back.
    EXPECT_NE(Written("w").find("\tSTRING\t\t\"\nx\"\n\tSTRING\t\t\"\"\n"), std::string::npos)
        << Written("w");

    ExpectRefusals({
        {"TEXT \"t\" {\n STRING \"a\"\n}\n", 3, "TEXT ブロックに、SIZE が定義されていません。"},
        {"TEXT \"t\" {\n SIZE 1 1\n\n}\n", 4, "TEXT ブロックに、STRING が定義されていません。"},
        {"TEXT \"t\" {\n SIZE 1 1\n SIZE 2 2\n}\n", 3,
         "TEXT ブロックに、複数の SIZE が定義されています。"},
        {"TEXT \"t\" {\n FILE \"a\"\n FILE \"b\"\n}\n", 3,
         "TEXT ブロックに複数の FILE が定義されています。"},
        {"TEXT \"t\" {\n ALIGN TOP\n}\n", 2, "ALIGNオプションでは、TOP の記述はできません。"},
        {"TEXT \"t\" {\n VALIGN\n  LEFT\n}\n", 3,
         "VALIGNオプションでは、LEFT の記述はできません。"},
        {"TEXT \"t\" {\n SIZE -1 1\n}\n", 2, "幅の下限値を超えています。"},
        {"TEXT \"t\" {\n COLOR 1 2 3 256\n}\n", 2, "α値の上限値を超えています。"},
        {"TEXT \"t\" {\n STRING \"a}b\"\n}\n", 2,
         "表示対象文字列は正しくダブルクォーテーション(\")で括って下さい。"},
        {"TEXT \"t\" {\n 文字 1\n}\n", 2, "TEXT ブロック内では、文字 の記述はできません。"},
    });
}

TEST_F(SourceBlocks, DrawShapes) {
    // A RECT becomes the polygon of its corners; REGION has no order check.
    ASSERT_TRUE(Accepts(
        "DRAW \"d\" {\n  SIZE 100 50 COLOR 10 20 30 40\n"
        "  LINE { POINT 0 0 POINT 5 -5 POINT 9 9 WIDTH 3 }\n"
        "  RECT { POINT 10 20 POINT 5 8 FILL WIDTH 2 }\n  POLYGON { POINT 1 1 POINT 2 2 POINT 3 1 "
        "}\n"
        "  ELLIPSE { REGION 50 40 10 5 ANGLE 30 FILL }\n}\n",
        {{"d",
          "DRAW\t\"d\"\n\tSIZE\t\t100\t50\n\tCOLOR\t\t10\t20\t30\t40\n"
          "\n\tLINE\n\t{\n\t\tPOINT\t0\t0\n\t\tPOINT\t5\t-5\n\t\tPOINT\t9\t9\n\t\tWIDTH\t3\n\t}\n"
          "\n\tPOLYGON\n\t{\n\t\tPOINT\t10\t20\n\t\tPOINT\t5\t20\n\t\tPOINT\t5\t8\n"
          "\t\tPOINT\t10\t8\n\t\tWIDTH\t2\n\t\tFILL\n\t}\n"
          "\n\tPOLYGON\n\t{\n\t\tPOINT\t1\t1\n\t\tPOINT\t2\t2\n\t\tPOINT\t3\t1\n\t\tWIDTH\t1\n\t}\n"
          "\n\tELLIPSE\n\t{\n\t\tREGION\t50\t40\t10\t5\n\t\tWIDTH\t1\n\t\tFILL\n"
          "\t\tANGLE\t30\n\t}\n"}}));

    ExpectRefusals({
        {"DRAW \"d\" {\n SIZE 0 10\n}\n", 2, "幅の下限値を超えています。"},
        {"DRAW \"d\" {\n COLOR 1 1 1 1\n}\n", 3, "DRAW ブロックに、SIZE が定義されていません。"},
        {"DRAW \"d\" {\n SIZE 1 1\n SIZE 1 1\n}\n", 3,
         "DRAW ブロックに、複数の SIZE が定義されています。"},
        {"DRAW \"d\" {\n SIZE 1 1\n POLYGON {\n  POINT 1 1\n  POINT 2 2\n }\n}\n", 6,
         "POLYGON ブロックの、POINT が定義が少なすぎます。"},
        {"DRAW \"d\" {\n SIZE 1 1\n LINE { POINT 1 1 }\n}\n", 3,
         "LINE ブロックの、POINT が定義が少なすぎます。"},
        {"DRAW \"d\" {\n SIZE 1 1\n RECT { POINT 1 1 }\n}\n", 3,
         "RECT ブロックの、POINT が定義が少なすぎます。"},
        // A third POINT of a RECT is counted, its numbers are not read.
        {"DRAW \"d\" {\n SIZE 1 1\n RECT { POINT 1 1 POINT 2 2 POINT }\n}\n", 3,
         "RECT ブロックの、POINT が定義が多すぎます。"},
        {"DRAW \"d\" {\n SIZE 1 1\n RECT { POINT 1 1 POINT 2 2 POINT 3 3 }\n}\n", 3,
         "RECT ブロック内では、3 の記述はできません。"},
        {"DRAW \"d\" {\n SIZE 1 1\n ELLIPSE { WIDTH 2\n }\n}\n", 4,
         "ELLIPSE ブロックの、REGION 定義がありません。"},
        {"DRAW \"d\" {\n SIZE 1 1\n LINE { FILL }\n}\n", 3,
         "LINE ブロック内では、FILL の記述はできません。"},
        {"DRAW \"d\" {\n SIZE 1 1\n ELLIPSE { POINT 1 1 }\n}\n", 3,
         "ELLIPSE ブロック内では、POINT の記述はできません。"},
        {"DRAW \"d\" {\n SIZE 1 1\n LINE { WIDTH 0 }\n}\n", 3, "線幅の下限値を超えています。"},
        {"DRAW \"d\" {\n SIZE 1 1\n LINE\n POINT\n}\n", 4, "不正な記述があります。"},
        {"DRAW \"d\" {\n CIRCLE { }\n}\n", 2, "DRAW ブロック内では、CIRCLE の記述はできません。"},
    });
}

TEST_F(SourceBlocks, MovieFields) {
    // The byte after FILE's name is F: no rectangle (the screen's, unknown before Link).
    ASSERT_TRUE(
        Accepts("$(L) = 8\nMOVIE \"m\" {\n  FILE \"clip.avi\"\n  FRAMES 50\n}\n"
                "MOVIE \"n\" {\n  FILE \"clip.avi\" $(L) 2 (3*100) 4\n"
                "  MAX_CUT BGCOLOR 1 2 3 FRAME_START 100 FRAMES 7\n}\n",
                {{"m",
                  "MOVIE\t\"m\"\n\tFILE\t\t\"clip.avi\"\t0\t0\t-1\t-1\n"
                  "\tBGCOLOR\t\t0\t0\t0\n\tFRAME_START\t\t0\n\tFRAMES\t\t50\n"},
                 {"n",
                  "MOVIE\t\"n\"\n\tFILE\t\t\"clip.avi\"\t8\t2\t300\t4\tMAX_CUT\n"
                  "\tBGCOLOR\t\t1\t2\t3\n\tFRAME_START\t\t100\n\tFRAMES\t\t7\n"}}));

    ExpectRefusals({
        {"MOVIE \"m\" {\n FRAMES 5\n}\n", 3, "MOVIE ブロックに FILE が定義されていません。"},
        {"MOVIE \"m\" {\n FILE \"a\"\n FILE \"b\"\n}\n", 3,
         "MOVIE ブロックに複数の FILE が定義されています。"},
        {"$(L) = 8\nMOVIE \"m\" {\n FILE \"a\" $(L) 2 (3*100) -4\n}\n", 3,
         "MOVIE ブロックの FILE 指定子の座標値が不正です。"},
        {"MOVIE \"m\" {\n FILE \"a\" 100 0 50 10\n}\n", 2,
         "MOVIE ブロックの FILE 指定子の座標値が不正です。"},
        {"MOVIE \"m\" {\n FRAME_START -1\n}\n", 2, "開始フレーム番号の下限値を超えています。"},
        {"MOVIE \"m\" {\n FILE \"a\" 1 2 x 4\n}\n", 2, "クリップ座標を正しく記述してください。"},
        {"MOVIE \"m\" {\n FILE \"a\"\n LOOP\n}\n", 3,
         "MOVIE ブロック内では、LOOP の記述はできません。"},
    });
}

}  // namespace
