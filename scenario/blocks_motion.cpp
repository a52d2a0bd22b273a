// Grammars of the motion blocks: STILL, ROTATE and the camera moves ACTION, ZOOM,
// SLIDE and FOCUS (one grammar; the opening word decides which regions it moves).

#include "base/format.h"
#include "scenario/blocks.h"
#include "scene/keywords.h"
#include "scene/scene_motion.h"

namespace {

std::unique_ptr<CScene> parse_still(BlockReader& in) {
    auto scene = std::make_unique<CSceneStill>();
    StillSettings& s = scene->EditSettings();
    const bool ok = in.Head(*scene) && in.Statements([&](const std::string& word) {
        if (word == "INPUT") {
            return in.InputWithRect(*scene, "STILL ブロックの INPUT 指定子の座標値が不正です。");
        }
        if (word == "MAX_CUT" && scene->HasInputs()) {
            scene->Inputs().back()->EditSettings().fitMode = 2;
            return true;
        }
        if (word == "BGCOLOR") return in.Color(&s.bgcolor, false);
        if (word == "FRAMES") return in.Once("FRAMES") && in.AtLeast(&s.frames, "フレーム数", 1);
        return in.Unknown(word);
    }) && in.Require(scene->HasInputs(), "INPUT") &&
                    in.Require(in.Seen("FRAMES"), "FRAMES");
    return in.Finish(std::move(scene), ok);
}

std::unique_ptr<CScene> parse_rotate(BlockReader& in) {
    auto scene = std::make_unique<CSceneRotate>();
    RotateSettings& s = scene->EditSettings();
    const bool ok = in.Head(*scene) && in.Statements([&](const std::string& word) {
        if (word == "INPUT") {
            return in.InputWithRect(*scene, "ROTATE ブロックの INPUT 指定子の座標値が不正です。");
        }
        if (word == "CENTER") {
            s.hasCenter = true;
            return in.Free(&s.centerX, "回転中心座標") && in.Free(&s.centerY, "回転中心座標");
        }
        if (word == "ANGLE") {
            return in.Free(&s.angleStart, "開始角度") && in.Free(&s.angleEnd, "終了角度");
        }
        if (word == "BGCOLOR") return in.Color(&s.bgcolor, false);
        if (word == "BGIMAGE") return in.Background(*scene);
        if (word == "FRAMES") return in.Once("FRAMES") && in.AtLeast(&s.frames, "フレーム数", 2);
        return in.Unknown(word);
    }) && in.Require(scene->HasInputs(), "INPUT") &&
                    in.Require(in.Seen("FRAMES"), "FRAMES");
    return in.Finish(std::move(scene), ok);
}

// A region statement of the camera moves: read for the variants that take it,
// refused with its own message by the others.
bool read_region(BlockReader& in, CSceneAction& scene, size_t region) {
    const ActionRegionWord& entry = kActionRegionWords[region];
    const char* block = in.Block().c_str();
    const std::string word(entry.word);
    if (!action_takes_region(scene.Type(), region)) {
        return in.Fail(
            format_string("%sブロック内では、%s の記述はできません。", block, word.c_str()));
    }
    ActionSettings& s = scene.EditSettings();
    s.given[region] = true;
    return in.Rect(
        &s.regions[region], entry.label, 0, 0,
        format_string("%s ブロックの %s 指定子の座標値が不正です。", block, word.c_str()));
}

std::unique_ptr<CScene> parse_action(BlockReader& in, uint32_t type) {
    auto scene = std::make_unique<CSceneAction>(type);
    ActionSettings& s = scene->EditSettings();
    const bool ok = in.Head(*scene) && in.Statements([&](const std::string& word) {
        for (size_t region = 0; region < kActionRegionCount; ++region) {
            if (word == kActionRegionWords[region].word) return read_region(in, *scene, region);
        }
        if (word == "INPUT") return in.Once("INPUT") && in.Input(*scene, 1);
        if (word == "BGIMAGE") return in.Background(*scene);
        if (word == "KEEP_ASPECT") {
            s.keepAspect = true;
            return true;
        }
        if (word == "BGCOLOR") return in.Color(&s.bgcolor, false);
        if (word == "AFTERIMAGE") {
            if (type == SCENE_FOCUS) {
                return in.Fail(format_string("%sブロック内では、AFTERIMAGE の記述はできません。",
                                             in.Block().c_str()));
            }
            return in.AtLeast(&s.afterimage, "残像の長さ", 0);
        }
        if (word == "FRAMES") return in.Once("FRAMES") && in.AtLeast(&s.frames, "フレーム数", 2);
        return in.Unknown(word);
    }) && in.Require(scene->HasInputs(), "INPUT") &&
                    in.Require(in.Seen("FRAMES"), "FRAMES");
    return in.Finish(std::move(scene), ok);
}

}  // namespace

std::unique_ptr<CScene> parse_motion_block(CScenarioReader& reader, CScenarioSource& source,
                                           std::string_view keyword) {
    BlockReader in(reader, source, std::string(keyword));
    if (keyword == "STILL") return parse_still(in);
    if (keyword == "ROTATE") return parse_rotate(in);
    return parse_action(in, find_block_keyword(keyword)->type);
}
