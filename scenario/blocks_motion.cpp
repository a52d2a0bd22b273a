// Grammars of the motion blocks: STILL, ROTATE and the camera moves ACTION, ZOOM,
// SLIDE and FOCUS (one grammar; the opening word decides which regions it moves).

#include "base/format.h"
#include "scenario/blocks.h"
#include "scene/scene_motion.h"

namespace {

std::unique_ptr<CScene> parse_still(BlockReader& in) {
    auto scene = std::make_unique<CSceneStill>();
    if (!in.Head(*scene)) return nullptr;
    bool framesGiven = false;
    for (;;) {
        std::string word;
        const int next = in.Next("STILL", &word);
        if (next < 0) return nullptr;
        if (next == 0) break;
        bool ok = true;
        if (word == "INPUT") {
            CSceneLink* link = in.Input(*scene, 1);
            ok = link && in.OptionalRect(&link->m_hasRect, &link->m_rect,
                                         "STILL ブロックの INPUT 指定子の座標値が不正です。");
        } else if (word == "MAX_CUT" && !scene->m_inputs.empty()) {
            scene->m_inputs.back()->m_fitMode = 2;
        } else if (word == "BGCOLOR") {
            ok = in.Color(&scene->m_bgcolor, false);
        } else if (word == "FRAMES") {
            if (framesGiven)
                return in.Refuse("STILL ブロックに、複数の FRAMES が定義されています。");
            framesGiven = true;
            ok = in.AtLeast(&scene->m_frames, "フレーム数", 1);
        } else {
            ok = in.Unknown("STILL", word);
        }
        if (!ok) return nullptr;
    }
    if (scene->m_inputs.empty()) return in.Refuse("STILL ブロックに、INPUT が定義されていません。");
    if (!framesGiven) return in.Refuse("STILL ブロックに、FRAMES が定義されていません。");
    in.Close();
    return scene;
}

std::unique_ptr<CScene> parse_rotate(BlockReader& in) {
    auto scene = std::make_unique<CSceneRotate>();
    if (!in.Head(*scene)) return nullptr;
    bool framesGiven = false;
    for (;;) {
        std::string word;
        const int next = in.Next("ROTATE", &word);
        if (next < 0) return nullptr;
        if (next == 0) break;
        bool ok = true;
        if (word == "INPUT") {
            CSceneLink* link = in.Input(*scene, 1);
            ok = link && in.OptionalRect(&link->m_hasRect, &link->m_rect,
                                         "ROTATE ブロックの INPUT 指定子の座標値が不正です。");
        } else if (word == "CENTER") {
            scene->m_hasCenter = true;
            ok = in.Free(&scene->m_centerX, "回転中心座標") &&
                 in.Free(&scene->m_centerY, "回転中心座標");
        } else if (word == "ANGLE") {
            ok = in.Free(&scene->m_angleStart, "開始角度") &&
                 in.Free(&scene->m_angleEnd, "終了角度");
        } else if (word == "BGCOLOR") {
            ok = in.Color(&scene->m_bgcolor, false);
        } else if (word == "BGIMAGE") {
            if (scene->m_extraLink) {
                return in.Refuse("ROTATE ブロックに、複数の BGIMAGE が定義されています。");
            }
            ok = in.Background(*scene);
        } else if (word == "FRAMES") {
            if (framesGiven) {
                return in.Refuse("ROTATE ブロックに、複数の FRAMES が定義されています。");
            }
            framesGiven = true;
            ok = in.AtLeast(&scene->m_frames, "フレーム数", 2);
        } else {
            ok = in.Unknown("ROTATE", word);
        }
        if (!ok) return nullptr;
    }
    if (scene->m_inputs.empty())
        return in.Refuse("ROTATE ブロックに、INPUT が定義されていません。");
    if (!framesGiven) return in.Refuse("ROTATE ブロックに、FRAMES が定義されていません。");
    in.Close();
    return scene;
}

// One region statement of the camera moves and which variants accept it.
struct RegionStatement {
    const char* word;
    const char* label;
    bool action, zoom, slide, focus;
};

constexpr RegionStatement kRegions[] = {
    {"SRC_START", "転送元開始座標", true, true, false, false},
    {"SRC_END", "転送元終了座標", true, true, false, false},
    {"DST_START", "転送先開始座標", true, false, true, false},
    {"DST_END", "転送先終了座標", true, false, true, false},
    {"DSP_START", "表示開始座標", true, false, false, true},
    {"DSP_END", "表示終了座標", true, false, false, true},
};

bool accepts(const RegionStatement& statement, uint32_t type) {
    switch (type) {
        case SCENE_ACTION:
            return statement.action;
        case SCENE_ZOOM:
            return statement.zoom;
        case SCENE_SLIDE:
            return statement.slide;
        default:
            return statement.focus;
    }
}

SceneRect* region_field(CSceneAction& scene, std::string_view word) {
    if (word == "SRC_START") {
        scene.m_hasSrcStart = true;
        return &scene.m_srcStart;
    }
    if (word == "SRC_END") {
        scene.m_hasSrcEnd = true;
        return &scene.m_srcEnd;
    }
    if (word == "DST_START") return &scene.m_dstStart;
    if (word == "DST_END") return &scene.m_dstEnd;
    if (word == "DSP_START") return &scene.m_dspStart;
    return &scene.m_dspEnd;
}

uint32_t action_type(std::string_view keyword) {
    if (keyword == "ZOOM") return SCENE_ZOOM;
    if (keyword == "SLIDE") return SCENE_SLIDE;
    if (keyword == "FOCUS") return SCENE_FOCUS;
    return SCENE_ACTION;
}

std::unique_ptr<CScene> parse_action(BlockReader& in, std::string_view keyword) {
    const uint32_t type = action_type(keyword);
    const std::string block(keyword);
    const char* name = block.c_str();
    auto scene = std::make_unique<CSceneAction>(type);
    if (!in.Head(*scene)) return nullptr;
    bool framesGiven = false;
    for (;;) {
        std::string word;
        const int next = in.Next(block, &word);
        if (next < 0) return nullptr;
        if (next == 0) break;
        const RegionStatement* region = nullptr;
        for (const RegionStatement& candidate : kRegions) {
            if (word == candidate.word) region = &candidate;
        }
        bool ok = true;
        if (region) {
            if (!accepts(*region, type)) {
                return in.Refuse(
                    format_string("%sブロック内では、%s の記述はできません。", name, region->word));
            }
            ok = in.Rect(
                region_field(*scene, word), region->label, 0, 0,
                format_string("%s ブロックの %s 指定子の座標値が不正です。", name, region->word));
        } else if (word == "INPUT") {
            if (!scene->m_inputs.empty()) {
                return in.Refuse(
                    format_string("%s ブロックに、複数の INPUT が定義されています。", name));
            }
            ok = in.Input(*scene, 1) != nullptr;
        } else if (word == "BGIMAGE") {
            if (scene->m_extraLink) {
                return in.Refuse(
                    format_string("%s ブロックに、複数の BGIMAGE が定義されています。", name));
            }
            ok = in.Background(*scene);
        } else if (word == "KEEP_ASPECT") {
            scene->m_keepAspect = true;
        } else if (word == "BGCOLOR") {
            ok = in.Color(&scene->m_bgcolor, false);
        } else if (word == "AFTERIMAGE") {
            if (type == SCENE_FOCUS) {
                return in.Refuse(
                    format_string("%sブロック内では、AFTERIMAGE の記述はできません。", name));
            }
            ok = in.AtLeast(&scene->m_afterimage, "残像の長さ", 0);
        } else if (word == "FRAMES") {
            if (framesGiven) {
                return in.Refuse(
                    format_string("%s ブロックに、複数の FRAMES が定義されています。", name));
            }
            framesGiven = true;
            ok = in.AtLeast(&scene->m_frames, "フレーム数", 2);
        } else {
            ok = in.Unknown(block, word);
        }
        if (!ok) return nullptr;
    }
    if (scene->m_inputs.empty()) {
        return in.Refuse(format_string("%s ブロックに、INPUT が定義されていません。", name));
    }
    if (!framesGiven) {
        return in.Refuse(format_string("%s ブロックに、FRAMES が定義されていません。", name));
    }
    in.Close();
    return scene;
}

}  // namespace

std::unique_ptr<CScene> parse_motion_block(BlockReader& in, std::string_view keyword) {
    if (keyword == "STILL") return parse_still(in);
    if (keyword == "ROTATE") return parse_rotate(in);
    return parse_action(in, keyword);
}
