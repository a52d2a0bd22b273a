// Each block written back in scenario syntax, byte for byte (CR LF line ends).

#include <gtest/gtest.h>

#include "scene/scene_composition.h"
#include "scene/scene_motion.h"
#include "scene/scene_source.h"
#include "scene/scene_transition.h"
#include "scene/tests/scene_test_util.h"

namespace {

std::string dumped(CScene& scene) {
    CDumpWriter out;
    EXPECT_EQ(scene.Dump(out), 0);
    return out.Text();
}

// Joins lines with CR LF after each.
std::string lines(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines) text += std::string(line) + "\r\n";
    return text;
}

TEST(SceneDump, SourceBlocks) {
    SceneGraph g;
    auto* image = g.Add<CSceneImage>("p");
    image->m_file = "a.jpg";
    image->m_refcount = 2;
    image->m_effects = IMAGE_CLIP | IMAGE_SEPIA | IMAGE_BLUE | IMAGE_THROUGH_COLOR | IMAGE_ANGLE;
    image->m_clip = {1, 2, 3, 4};
    image->m_angle = -90;
    image->m_color = CColor(5, 6, 7, 0);
    EXPECT_EQ(dumped(*image),
              lines({"", "IMAGE\t\"p\"", "{", "\t# RefCount = 2", "\tFILE\t\t\"a.jpg\"", "\tSEPIA",
                     "\tBLUE", "\tCLIP\t\t1\t2\t3\t4", "\tANGLE\t\t-90", "\tTHROUGH_COLOR\t5\t6\t7",
                     "}"}));

    auto* frame = g.Add<CSceneImage>("q");
    g.Input(frame, image);
    frame->m_blockFrame = 12;
    frame->m_effects = IMAGE_PHOTO_FRAME;
    frame->m_photoFrame = 10;
    EXPECT_EQ(dumped(*frame), lines({"", "IMAGE\t\"q\"", "{", "\t# RefCount = 0",
                                     "\tBLOCK_FRAME\t\"p\"\t12", "\tPHOTO_FRAME\t10", "}"}));

    auto* text = g.Add<CSceneText>("t");
    text->m_width = 320;
    text->m_height = 240;
    text->m_font = "IPAGothic";
    text->m_string = "one\r\ntwo";
    text->m_frameOffset = 3;
    text->m_align = TEXT_ALIGN_LEFT;
    text->m_valign = TEXT_VALIGN_BOTTOM;
    EXPECT_EQ(dumped(*text),
              lines({"", "TEXT\t\"t\"", "{", "\t# RefCount = 0", "\tSIZE\t\t320\t240",
                     "\tFRAME_OFFSET\t3", "\tFONT\t\t\"IPAGothic\"\t20\t40", "\tSTRING\t\t\"one\"",
                     "\tSTRING\t\t\"two\"", "\tCOLOR\t\t255\t255\t255\t255", "\tALIGN\t\tLEFT",
                     "\tVALIGN\t\tBOTTOM", "}"}));

    auto* draw = g.Add<CSceneDraw>("d");
    draw->m_width = 10;
    draw->m_height = 20;
    DrawShape line;
    line.points = {{0, 0}, {5, 5}};
    DrawShape polygon;
    polygon.kind = DrawShape::POLYGON;
    polygon.points = {{10, 20}, {5, 20}, {5, 8}, {10, 8}};
    polygon.fill = true;
    polygon.width = 2;
    DrawShape ellipse;
    ellipse.kind = DrawShape::ELLIPSE;
    ellipse.region = {1, 2, 3, 4};
    ellipse.angle = 30;
    draw->m_shapes = {line, polygon, ellipse};
    EXPECT_EQ(dumped(*draw), lines({"",
                                    "DRAW\t\"d\"",
                                    "{",
                                    "\t# RefCount = 0",
                                    "\tSIZE\t\t10\t20",
                                    "\tCOLOR\t\t0\t0\t0\t0",
                                    "",
                                    "\tLINE",
                                    "\t{",
                                    "\t\tPOINT\t0\t0",
                                    "\t\tPOINT\t5\t5",
                                    "\t\tWIDTH\t1",
                                    "\t}",
                                    "",
                                    "\tPOLYGON",
                                    "\t{",
                                    "\t\tPOINT\t10\t20",
                                    "\t\tPOINT\t5\t20",
                                    "\t\tPOINT\t5\t8",
                                    "\t\tPOINT\t10\t8",
                                    "\t\tWIDTH\t2",
                                    "\t\tFILL",
                                    "\t}",
                                    "",
                                    "\tELLIPSE",
                                    "\t{",
                                    "\t\tREGION\t1\t2\t3\t4",
                                    "\t\tWIDTH\t1",
                                    "\t\tANGLE\t30",
                                    "\t}",
                                    "}"}));

    auto* movie = g.Add<CSceneMovie>("m");
    movie->m_file = "clip.avi";
    movie->m_fitMode = 2;
    movie->m_frames = 50;
    movie->m_frameStart = 100;
    movie->ApplyScreenDefaults(640, 480);
    EXPECT_EQ(dumped(*movie),
              lines({"", "MOVIE\t\"m\"", "{", "\t# RefCount = 0",
                     "\tFILE\t\t\"clip.avi\"\t0\t0\t639\t479\tMAX_CUT", "\tBGCOLOR\t\t0\t0\t0",
                     "\tFRAME_START\t\t100", "\tFRAMES\t\t50", "}"}));
}

TEST(SceneDump, TextBreakAtTheVeryStartStaysInTheLine) {
    SceneGraph g;
    auto* text = g.Add<CSceneText>("t");
    text->m_string = "\r\nx\r\n";
    CDumpWriter out;
    text->Dump(out);
    const std::string dumped = out.Text();
    EXPECT_NE(dumped.find("\tSTRING\t\t\"\r\nx\"\r\n\tSTRING\t\t\"\"\r\n"), std::string::npos)
        << "only breaks after the first character start a new STRING line";
}

TEST(SceneDump, MotionAndTransitionBlocks) {
    SceneGraph g;
    auto* p = g.Add<CSceneImage>("p");
    auto* bg = g.Add<CSceneImage>("bg");
    auto* still = g.Add<CSceneStill>("s");
    g.Input(still, p);
    g.Input(still, p)->m_fitMode = 2;
    still->m_inputs[1]->m_rect = {1, 2, 3, 4};
    still->m_frames = 100;
    still->m_bgcolor = CColor(1, 2, 3);
    EXPECT_EQ(dumped(*still),
              lines({"", "STILL\t\"s\"", "{", "\t# RefCount = 0",
                     "\tINPUT\t\t\"p\"\t0\t0\t639\t479", "\tINPUT\t\t\"p\"\t1\t2\t3\t4\tMAX_CUT",
                     "\tBGCOLOR\t\t1\t2\t3", "\tFRAMES\t\t100", "}"}));

    auto* rotate = g.Add<CSceneRotate>("r");
    g.Input(rotate, p);
    g.Input(rotate, bg);
    g.Background(rotate, bg);
    rotate->m_frames = 2;
    rotate->ApplyScreenDefaults(640, 480);
    EXPECT_EQ(dumped(*rotate),
              lines({"", "ROTATE\t\"r\"", "{", "\t# RefCount = 0",
                     "\tINPUT\t\t\"p\"\t0\t0\t639\t479", "\tANGLE\t\t0\t360",
                     "\tBGCOLOR\t\t0\t0\t0", "\tBGIMAGE\t\t\"bg\"", "\tFRAMES\t\t2", "}"}))
        << "a centre that was not given is not written";

    auto* zoom = g.Add<CSceneAction>("z", SCENE_ZOOM);
    g.Input(zoom, p);
    zoom->m_srcStart = {0, 0, 399, 299};
    zoom->m_afterimage = 2;
    zoom->m_frames = 9;
    zoom->ApplyScreenDefaults(640, 480);
    EXPECT_EQ(dumped(*zoom),
              lines({"", "ZOOM\t\"z\"", "{", "\t# RefCount = 0", "\tINPUT\t\t\"p\"",
                     "\tSRC_START\t0\t0\t399\t299", "\tSRC_END\t\t0\t0\t0\t0", "\tAFTERIMAGE\t\t2",
                     "\tBGCOLOR\t\t0\t0\t0", "\tFRAMES\t\t9", "}"}));
    auto* focus = g.Add<CSceneAction>("f", SCENE_FOCUS);
    g.Input(focus, p);
    focus->m_frames = 2;
    EXPECT_EQ(dumped(*focus),
              lines({"", "FOCUS\t\"f\"", "{", "\t# RefCount = 0", "\tINPUT\t\t\"p\"",
                     "\tDSP_START\t0\t0\t0\t0", "\tDSP_END\t\t0\t0\t0\t0", "\tKEEP_ASPECT",
                     "\tBGCOLOR\t\t0\t0\t0", "\tFRAMES\t\t2", "}"}));

    auto* film = g.Add<CSceneFilm>("film");
    g.Input(film, p);
    g.Input(film, bg);
    film->m_direction = DIRECTION_LEFT;
    film->m_frames = 30;
    EXPECT_EQ(dumped(*film),
              lines({"", "FILM\t\"film\"", "{", "\t# RefCount = 0", "\tINPUT\t\t\"p\"",
                     "\tINPUT\t\t\"bg\"", "\tLEFT", "\tCOLOR\t\t80\t24\t0", "\tBGCOLOR\t\t0\t0\t0",
                     "\tFRAMES\t\t30", "}"}));

    auto* fade = g.Add<CSceneFade>("fi");
    g.Input(fade, still, 2);
    fade->m_fadeMode = FADE_IN;
    fade->m_frames = 10;
    fade->m_bgcolor = CColor(9, 9, 9);
    EXPECT_EQ(dumped(*fade), lines({"", "FADE\t\"fi\"", "{", "\t# RefCount = 0", "\tINPUT\t\t\"s\"",
                                    "\tIN", "\tCOLOR\t\t9\t9\t9", "\tFRAMES\t\t10", "}"}))
        << "!INPUT is written as INPUT";

    auto* cross = g.Add<CSceneCrossfade>("x");
    g.Input(cross, still);
    g.Input(cross, still);
    cross->m_frames = 5;
    EXPECT_EQ(dumped(*cross),
              lines({"", "CROSSFADE\t\"x\"", "{", "\t# RefCount = 0", "\tINPUT\t\t\"s\"",
                     "\tINPUT\t\t\"s\"", "\tFRAMES\t\t5", "}"}));

    auto* expand = g.Add<CSceneExpand>("e");
    g.Input(expand, still);
    expand->m_direction = DIRECTION_DOWN;
    EXPECT_EQ(dumped(*expand), lines({"", "EXPAND\t\"e\"", "{", "\t# RefCount = 0",
                                      "\tINPUT\t\t\"s\"", "\tOUT", "\tDOWN", "}"}));

    auto* mosaic = g.Add<CSceneMosaic>("o");
    g.Input(mosaic, still);
    mosaic->m_sizeStart = 1;
    mosaic->m_sizeEnd = 8;
    mosaic->m_hasTgtEnd = true;
    mosaic->m_tgtEnd = {1, 2, 3, 4};
    mosaic->ApplyScreenDefaults(640, 480);
    EXPECT_EQ(dumped(*mosaic),
              lines({"", "MOSAIC\t\"o\"", "{", "\t# RefCount = 0", "\tINPUT\t\t\"s\"",
                     "\tSIZE_START\t1", "\tSIZE_END\t8", "\tTGT_END\t\t1\t2\t3\t4", "}"}));

    auto* shake = g.Add<CSceneShake>("k");
    g.Input(shake, still);
    EXPECT_EQ(dumped(*shake),
              lines({"", "SHAKE\t\"k\"", "{", "\t# RefCount = 0", "\tINPUT\t\t\"s\"", "}"}));
}

TEST(SceneDump, CompositionBlocks) {
    SceneGraph g;
    auto* p = g.Add<CSceneImage>("p");
    auto* main = g.Add<CSceneSeries>(" ", SCENE_MAIN);
    g.Input(main, p)->m_volumeAlpha = true;
    g.Input(main, p, 2);
    EXPECT_EQ(dumped(*main),
              lines({"", "MAIN", "{", "\t# RefCount = 0", "\tINPUT\t\t\"p\"\t\tALINK_VOLUME_ALPHA",
                     "\tINPUT\t\t\"p\"", "}"}));
    auto* series = g.Add<CSceneSeries>("s");
    g.Input(series, p);
    EXPECT_EQ(dumped(*series),
              lines({"", "SERIES\t\"s\"", "{", "\t# RefCount = 0", "\tINPUT\t\t\"p\"", "}"}));

    auto* mix = g.Add<CSceneMix>("m");
    g.Input(mix, p)->m_offset = 30;
    mix->m_composeMode = MIX_COMPOSE_OR;
    g.Background(mix, p);
    EXPECT_EQ(dumped(*mix), lines({"", "MIX\t\"m\"", "{", "\t# RefCount = 0",
                                   "\tINPUT\t\t\"p\"\t0\t0\t639\t479\tOFFSET\t30", "\tOR",
                                   "\tBGIMAGE\t\t\"p\"", "}"}));

    auto* cut = g.Add<CSceneCut>("c");
    g.Input(cut, p);
    EXPECT_EQ(dumped(*cut),
              lines({"", "CUT\t\"c\"", "{", "\t# RefCount = 0", "\tINPUT\t\t\"p\"", "}"}))
        << "defaults are not written";
    cut->m_skip = 0;
    cut->m_start = 10;
    cut->m_end = 4;
    EXPECT_EQ(dumped(*cut), lines({"", "CUT\t\"c\"", "{", "\t# RefCount = 0", "\tINPUT\t\t\"p\"",
                                   "\tSKIP\t\t0", "\tSTART\t\t10", "\tEND\t\t4", "}"}));

    auto* alpha = g.Add<CSceneAlpha>("a");
    g.Input(alpha, p);
    EXPECT_EQ(dumped(*alpha), lines({"", "ALPHA\t\"a\"", "{", "\t# RefCount = 0",
                                     "\tINPUT\t\t\"p\"", "\tSTART\t\t255", "\tEND\t\t255", "}"}));
    auto* shade = g.Add<CSceneShade>("h");
    g.Input(shade, p);
    EXPECT_EQ(dumped(*shade), lines({"", "SHADE\t\"h\"", "{", "\t# RefCount = 0",
                                     "\tINPUT\t\t\"p\"", "\tSTART\t\t0", "\tEND\t\t0", "}"}));
}

}  // namespace
