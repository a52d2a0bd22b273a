// STILL, ROTATE, the camera moves and the transition blocks read through Load.

#include "scenario/tests/scenario_fixture.h"
#include "scene/scene_motion.h"
#include "scene/scene_transition.h"

namespace {

using MotionBlocks = ScenarioTest;

TEST_F(MotionBlocks, StillInputsRectanglesAndMaxCut) {
    // MAX_CUT applies to the latest input only.
    ASSERT_TRUE(
        Accepts("$(X) = 10\nSTILL \"s\" {\n  INPUT \"a\"\n  INPUT \"b\" $(X) 0 (2*50) 20 MAX_CUT\n"
                "  BGCOLOR 1 2 3\n  FRAMES 100\n}\n",
                {{"s",
                  "STILL\t\"s\"\n\tINPUT\t\t\"a\"\t0\t0\t-1\t-1\n"
                  "\tINPUT\t\t\"b\"\t10\t0\t100\t20\tMAX_CUT\n\tBGCOLOR\t\t1\t2\t3\n"
                  "\tFRAMES\t\t100\n"}},
                false));

    ExpectRefusals({
        {"STILL \"s\" {\n MAX_CUT\n INPUT \"a\"\n}\n", 2,
         "STILL ブロック内では、MAX_CUT の記述はできません。"},
        {"STILL \"s\" {\n INPUT \"a\"\n FRAMES 0\n}\n", 3, "フレーム数の下限値を超えています。"},
        {"STILL \"s\" {\n FRAMES 5\n}\n", 3, "STILL ブロックに、INPUT が定義されていません。"},
        {"STILL \"s\" {\n INPUT \"a\"\n}\n", 3, "STILL ブロックに、FRAMES が定義されていません。"},
        {"STILL \"s\" {\n FRAMES 5\n FRAMES 6\n}\n", 3,
         "STILL ブロックに、複数の FRAMES が定義されています。"},
        {"STILL \"s\" {\n INPUT \"a\" 5 0 4 0\n}\n", 2,
         "STILL ブロックの INPUT 指定子の座標値が不正です。"},
        {"STILL \"s\" {\n !INPUT \"a\"\n}\n", 2,
         "STILL ブロック内では、!INPUT の記述はできません。"},
    });
}

TEST_F(MotionBlocks, RotateStatements) {
    // Without ANGLE a full turn; without CENTER no line (the centre comes from the screen).
    ASSERT_TRUE(
        Accepts("ROTATE \"r\" {\n  INPUT \"a\" 0 0 9 9\n  CENTER 100 -20\n  ANGLE -45 720\n"
                "  BGIMAGE \"bg\"\n  FRAMES 2\n}\nROTATE \"d\" { INPUT \"a\" FRAMES 361 }\n",
                {{"r",
                  "ROTATE\t\"r\"\n\tINPUT\t\t\"a\"\t0\t0\t9\t9\n"
                  "\tCENTER\t\t100\t-20\n\tANGLE\t\t-45\t720\n\tBGCOLOR\t\t0\t0\t0\n"
                  "\tBGIMAGE\t\t\"bg\"\n\tFRAMES\t\t2\n"},
                 {"d",
                  "ROTATE\t\"d\"\n\tINPUT\t\t\"a\"\t0\t0\t-1\t-1\n"
                  "\tANGLE\t\t0\t360\n\tBGCOLOR\t\t0\t0\t0\n\tFRAMES\t\t361\n"}}));

    ExpectRefusals({
        {"ROTATE \"r\" {\n INPUT \"a\"\n FRAMES 1\n}\n", 3, "フレーム数の下限値を超えています。"},
        {"ROTATE \"r\" {\n BGIMAGE \"a\"\n BGIMAGE \"b\"\n}\n", 3,
         "ROTATE ブロックに、複数の BGIMAGE が定義されています。"},
        // The brace ends the value that is missing.
        {"ROTATE \"r\" {\n CENTER 1\n}\n", 3, "シナリオ解析時に問題が発生しました。"},
        {"ROTATE \"r\" {\n FRAMES 2\n}\n", 3, "ROTATE ブロックに、INPUT が定義されていません。"},
        {"ROTATE \"r\" {\n INPUT \"a\"\n}\n", 3,
         "ROTATE ブロックに、FRAMES が定義されていません。"},
        {"ROTATE \"r\" {\n INPUT \"a\" 0 9 9 0\n}\n", 2,
         "ROTATE ブロックの INPUT 指定子の座標値が不正です。"},
        {"ROTATE \"r\" {\n SPIN\n}\n", 2, "ROTATE ブロック内では、SPIN の記述はできません。"},
    });
}

TEST_F(MotionBlocks, CameraMovesAcceptTheirRegions) {
    // FOCUS keeps the aspect unless told otherwise; each variant writes only its own
    // regions (those it does not move are the screen's).
    ASSERT_TRUE(Accepts(
        "ACTION \"a\" {\n  INPUT \"p\" BGIMAGE \"q\" KEEP_ASPECT AFTERIMAGE 2 BGCOLOR 9 8 7\n"
        "  SRC_START 0 0 399 299 SRC_END 1 2 3 4\n  DST_START 5 6 7 8 DST_END 9 10 11 12\n"
        "  DSP_START 13 14 15 16 DSP_END 17 18 19 20\n  FRAMES 30\n}\n"
        "FOCUS \"f\" { INPUT \"p\" DSP_START 1 1 2 2 FRAMES 2 }\n"
        "ZOOM \"z\" { INPUT \"p\" AFTERIMAGE 1 FRAMES 2 }\n"
        "SLIDE \"s\" { INPUT \"p\" DST_END 0 0 1 1 FRAMES 2 }\n",
        {{"a",
          "ACTION\t\"a\"\n\tINPUT\t\t\"p\"\n"
          "\tSRC_START\t0\t0\t399\t299\n\tSRC_END\t\t1\t2\t3\t4\n"
          "\tDST_START\t5\t6\t7\t8\n\tDST_END\t\t9\t10\t11\t12\n"
          "\tDSP_START\t13\t14\t15\t16\n\tDSP_END\t\t17\t18\t19\t20\n"
          "\tKEEP_ASPECT\n\tAFTERIMAGE\t\t2\n\tBGCOLOR\t\t9\t8\t7\n\tBGIMAGE\t\t\"q\"\n"
          "\tFRAMES\t\t30\n"},
         {"f",
          "FOCUS\t\"f\"\n\tINPUT\t\t\"p\"\n"
          "\tDSP_START\t1\t1\t2\t2\n\tDSP_END\t\t0\t0\t0\t0\n\tKEEP_ASPECT\n"
          "\tBGCOLOR\t\t0\t0\t0\n\tFRAMES\t\t2\n"},
         {"z",
          "ZOOM\t\"z\"\n\tINPUT\t\t\"p\"\n"
          "\tSRC_START\t0\t0\t0\t0\n\tSRC_END\t\t0\t0\t0\t0\n\tAFTERIMAGE\t\t1\n"
          "\tBGCOLOR\t\t0\t0\t0\n\tFRAMES\t\t2\n"},
         {"s",
          "SLIDE\t\"s\"\n\tINPUT\t\t\"p\"\n"
          "\tDST_START\t0\t0\t0\t0\n\tDST_END\t\t0\t0\t1\t1\n"
          "\tBGCOLOR\t\t0\t0\t0\n\tFRAMES\t\t2\n"}}));

    ExpectRefusals({
        {"ZOOM \"z\" {\n INPUT \"p\"\n DST_START 0 0 1 1\n}\n", 3,
         "ZOOMブロック内では、DST_START の記述はできません。"},
        {"SLIDE \"z\" {\n SRC_END 0 0 1 1\n}\n", 2,
         "SLIDEブロック内では、SRC_END の記述はできません。"},
        {"FOCUS \"z\" {\n DSP_END 0 0 1 1 DST_END 0 0 1 1\n}\n", 2,
         "FOCUSブロック内では、DST_END の記述はできません。"},
        {"FOCUS \"z\" {\n AFTERIMAGE 1\n}\n", 2,
         "FOCUSブロック内では、AFTERIMAGE の記述はできません。"},
        {"ACTION \"z\" {\n SRC_START 10 0 9 5\n}\n", 2,
         "ACTION ブロックの SRC_START 指定子の座標値が不正です。"},
        {"SLIDE \"z\" {\n DST_END 0 5 1 4\n}\n", 2,
         "SLIDE ブロックの DST_END 指定子の座標値が不正です。"},
        {"ACTION \"z\" {\n DSP_START 0 0 1 y\n}\n", 2, "表示開始座標を正しく記述してください。"},
        {"ACTION \"z\" {\n INPUT \"a\"\n INPUT \"b\"\n}\n", 3,
         "ACTION ブロックに、複数の INPUT が定義されています。"},
        {"ZOOM \"z\" {\n BGIMAGE \"a\"\n BGIMAGE \"b\"\n}\n", 3,
         "ZOOM ブロックに、複数の BGIMAGE が定義されています。"},
        {"SLIDE \"z\" {\n FRAMES 2\n FRAMES 2\n}\n", 3,
         "SLIDE ブロックに、複数の FRAMES が定義されています。"},
        {"ACTION \"z\" {\n AFTERIMAGE -1\n}\n", 2, "残像の長さの下限値を超えています。"},
        {"ZOOM \"z\" {\n FRAMES 2\n}\n", 3, "ZOOM ブロックに、INPUT が定義されていません。"},
        {"FOCUS \"z\" {\n INPUT \"a\"\n}\n", 3, "FOCUS ブロックに、FRAMES が定義されていません。"},
        {"ACTION \"z\" {\n MOVE\n}\n", 2, "ACTION ブロック内では、MOVE の記述はできません。"},
    });
}

TEST_F(MotionBlocks, FilmStatementsAndChecks) {
    ASSERT_TRUE(
        Accepts("FILM \"f\" {\n INPUT \"a\" INPUT \"b\" INPUT \"c\"\n"
                " UP COLOR 0 0 0 BGCOLOR 1 2 3 FRAMES 20\n}\n"
                "FILM \"g\" { INPUT \"a\" INPUT \"b\" RIGHT FRAMES 2 }\n",
                {{"f",
                  "FILM\t\"f\"\n\tINPUT\t\t\"a\"\n\tINPUT\t\t\"b\"\n\tINPUT\t\t\"c\"\n"
                  "\tUP\n\tCOLOR\t\t0\t0\t0\n\tBGCOLOR\t\t1\t2\t3\n\tFRAMES\t\t20\n"},
                 {"g",
                  "FILM\t\"g\"\n\tINPUT\t\t\"a\"\n\tINPUT\t\t\"b\"\n\tRIGHT\n"
                  "\tCOLOR\t\t80\t24\t0\n\tBGCOLOR\t\t0\t0\t0\n\tFRAMES\t\t2\n"}}));

    // One INPUT fails first, even when FRAMES and the direction are missing too.
    ExpectRefusals({
        {"FILM \"f\" {\n INPUT \"a\"\n}\n", 3,
         "FILM ブロックには、２つ以上の INPUT を定義して下さい。"},
        {"FILM \"f\" {\n INPUT \"a\" INPUT \"b\"\n}\n", 3,
         "FILM ブロックに、FRAMES が定義されていません。"},
        {"FILM \"f\" {\n INPUT \"a\" INPUT \"b\" FRAMES 2\n}\n", 3,
         "FILM ブロックに、DIRECTION が定義されていません。"},
        {"FILM \"f\" {\n UP\n LEFT\n}\n", 3,
         "FILM ブロックに、複数の ( UP | DOWN | LEFT | RIGHT ) が定義されています。"},
        {"FILM \"f\" {\n FRAMES 2 FRAMES 3\n}\n", 2,
         "FILM ブロックに、複数の FRAMES が定義されています。"},
        {"FILM \"f\" {\n BGIMAGE \"x\"\n}\n", 2,
         "FILM ブロック内では、BGIMAGE の記述はできません。"},
    });
}

TEST_F(MotionBlocks, FadesAndCrossfades) {
    ASSERT_TRUE(Accepts(
        "FADE \"f\" { INPUT \"a\" INOUT COLOR 1 2 3 FRAMES 10 }\n"
        "FADEIN \"i\" { INPUT \"a\" OUT FRAMES 2 }\nFADEOUT \"o\" { INPUT \"a\" FRAMES 2 }\n"
        "FADEINOUT \"io\" { INPUT \"a\" IN FRAMES 2 }\nFADE \"n\" { INPUT \"a\" FRAMES 2 }\n",
        {{"f", "FADE\t\"f\"\n\tINPUT\t\t\"a\"\n\tINOUT\n\tCOLOR\t\t1\t2\t3\n\tFRAMES\t\t10\n"}}));
    EXPECT_EQ(Scene<CSceneFade>("i")->Settings().fadeMode, FADE_IN) << "FADEIN beats an inner OUT";
    EXPECT_EQ(Scene<CSceneFade>("o")->Settings().fadeMode, FADE_OUT);
    EXPECT_EQ(Scene<CSceneFade>("io")->Settings().fadeMode, FADE_INOUT);
    EXPECT_EQ(Scene<CSceneFade>("n")->Settings().fadeMode, 0) << "left to validation";

    ExpectRefusals({
        {"FADE \"f\" {\n IN\n INOUT\n}\n", 3,
         "FADE ブロックに、複数の ( IN | OUT | INOUT ) が定義されています。"},
        {"FADEOUT \"f\" {\n INPUT \"a\"\n INPUT \"b\"\n}\n", 3,
         "FADE ブロックに、複数の INPUT が定義されています。"},
        {"FADE \"f\" {\n INPUT \"a\"\n FRAMES 1\n}\n", 3, "フレーム数の下限値を超えています。"},
        {"FADE \"f\" {\n FRAMES 2\n}\n", 3, "FADE ブロックに、INPUT が定義されていません。"},
        {"FADEIN \"f\" {\n INPUT \"a\"\n}\n", 3, "FADE ブロックに、FRAMES が定義されていません。"},
        {"FADE \"f\" {\n FRAMES 2\n FRAMES 2\n}\n", 3,
         "FADE ブロックに、複数の FRAMES が定義されています。"},
        {"FADEIN \"f\" {\n BGCOLOR 0 0 0\n}\n", 2,
         "FADE ブロック内では、BGCOLOR の記述はできません。"},
    });

    ExpectRefusals({
        {"CROSSFADE \"x\" {\n INPUT \"a\"\n FRAMES 2\n}\n", 4,
         "CROSSFADE ブロックには、２つ以上の INPUT を定義して下さい。"},
        {"CROSSFADE \"x\" {\n INPUT \"a\" INPUT \"b\"\n}\n", 3,
         "CROSSFADE ブロックに、FRAMES が定義されていません。"},
        {"CROSSFADE \"x\" {\n FRAMES 2\n FRAMES 3\n}\n", 3,
         "CROSSFADE ブロックに、複数の FRAMES が定義されています。"},
        {"CROSSFADE \"x\" {\n !INPUT \"a\"\n}\n", 2,
         "CROSSFADE ブロック内では、!INPUT の記述はできません。"},
    });
}

TEST_F(MotionBlocks, ExpandMosaicShake) {
    // !INPUT is written as INPUT; EXPANDIN and EXPANDOUT beat an inner mode.
    ASSERT_TRUE(
        Accepts("EXPAND \"e\" { !INPUT \"a\" OUT LEFT }\nEXPANDIN \"ei\" { INPUT \"a\" OUT DOWN }\n"
                "EXPANDOUT \"eo\" { INPUT \"a\" UP }\n"
                "MOSAIC \"m\" { INPUT \"a\" SIZE_START 1 SIZE_END 8\n  TGT_START 0 0 9 9 }\n"
                "SHAKE \"k\" { !INPUT \"a\" }\n",
                {{"e", "EXPAND\t\"e\"\n\tINPUT\t\t\"a\"\n\tOUT\n\tLEFT\n"},
                 {"m",
                  "MOSAIC\t\"m\"\n\tINPUT\t\t\"a\"\n\tSIZE_START\t1\n\tSIZE_END\t8\n"
                  "\tTGT_START\t0\t0\t9\t9\n"}}));
    EXPECT_EQ(Scene<CSceneExpand>("e")->Inputs()[0]->Settings().kind, 2);
    EXPECT_EQ(Scene<CSceneExpand>("ei")->Settings().inOut, EXPAND_IN);
    EXPECT_EQ(Scene<CSceneExpand>("eo")->Settings().inOut, EXPAND_OUT);
    EXPECT_EQ(Scene<CSceneShake>("k")->Inputs()[0]->Settings().kind, 2);

    ExpectRefusals({
        {"EXPAND \"e\" {\n UP\n LEFT\n}\n", 3,
         "EXPAND ブロックに、複数の ( UP | DOWN | LEFT | RIGHT ) が定義されています。"},
        {"EXPAND \"e\" {\n IN\n OUT\n}\n", 3,
         "EXPAND ブロックに、複数の ( IN | OUT ) が定義されています。"},
        {"EXPAND \"e\" {\n INPUT \"a\"\n !INPUT \"b\"\n}\n", 3,
         "EXPAND ブロックに、複数の INPUT が定義されています。"},
        {"EXPAND \"e\" {\n UP\n}\n", 3, "EXPAND ブロックに、INPUT が定義されていません。"},
        {"EXPANDIN \"e\" {\n INPUT \"a\"\n}\n", 3,
         "EXPAND ブロックに、( UP | DOWN | LEFT | RIGHT ) が定義されていません。"},
        {"EXPAND \"e\" {\n FRAMES 2\n}\n", 2, "EXPAND ブロック内では、FRAMES の記述はできません。"},
        // A second SIZE_START is reported once its (valid) value has been read.
        {"MOSAIC \"m\" {\n SIZE_START 1\n SIZE_START\n 2\n}\n", 4,
         "MOSAIC ブロックに、複数の SIZE_START が定義されています。"},
        {"MOSAIC \"m\" {\n SIZE_END 1 SIZE_END 2\n}\n", 2,
         "MOSAIC ブロックに、複数の SIZE_END が定義されています。"},
        {"MOSAIC \"m\" {\n TGT_START 5 0 4 0\n}\n", 2,
         "MOSAIC ブロックの TGT_START 指定子の座標値が不正です。"},
        {"MOSAIC \"m\" {\n TGT_END 0 5 1 4\n}\n", 2,
         "MOSAIC ブロックの TGT_END 指定子の座標値が不正です。"},
        {"MOSAIC \"m\" {\n TGT_END 0 0 x\n}\n", 2, "開始座標を正しく記述してください。"},
        {"MOSAIC \"m\" {\n SIZE_START -1\n}\n", 2, "開始ブロックサイズの下限値を超えています。"},
        {"MOSAIC \"m\" {\n SIZE_START 1\n}\n", 3,
         "MOSAIC ブロックに、INPUT が定義されていません。"},
        {"MOSAIC \"m\" {\n INPUT \"a\" SIZE_END 1\n}\n", 3,
         "MOSAIC ブロックに、SIZE_START が定義されていません。"},
        {"MOSAIC \"m\" {\n INPUT \"a\" SIZE_START 1\n}\n", 3,
         "MOSAIC ブロックに、SIZE_End が定義されていません。"},
        {"SHAKE \"k\" {\n !INPUT \"a\"\n INPUT \"b\"\n}\n", 3,
         "SHAKE ブロックに、複数の INPUT が定義されています。"},
        {"SHAKE \"k\" {\n}\n", 2, "SHAKE ブロックに、INPUT が定義されていません。"},
        {"SHAKE \"k\" {\n FRAMES 3\n}\n", 2, "SHAKE ブロック内では、FRAMES の記述はできません。"},
    });
}

}  // namespace
