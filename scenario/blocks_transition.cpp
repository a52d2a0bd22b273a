// Grammars of the transition blocks: FILM, FADE (also opened as FADEIN, FADEOUT,
// FADEINOUT), CROSSFADE, EXPAND (also EXPANDIN, EXPANDOUT), MOSAIC and SHAKE.

#include "base/format.h"
#include "scenario/blocks.h"
#include "scene/keywords.h"
#include "scene/scene_transition.h"

namespace {

constexpr const char* kDirections = "( UP | DOWN | LEFT | RIGHT )";

std::unique_ptr<CScene> parse_film(BlockReader& in) {
    auto scene = std::make_unique<CSceneFilm>();
    FilmSettings& s = scene->EditSettings();
    const bool ok = in.Head(*scene) && in.Statements([&](const std::string& word) {
        if (word == "INPUT") return in.Input(*scene, 1) != nullptr;
        if (const int32_t direction = keyword_code(kDirectionWords, word)) {
            s.direction = direction;
            return in.Once(kDirections);
        }
        if (word == "COLOR") return in.Color(&s.color, false);
        if (word == "BGCOLOR") return in.Color(&s.bgcolor, false);
        if (word == "FRAMES") return in.Once("FRAMES") && in.AtLeast(&s.frames, "フレーム数", 2);
        return in.Unknown(word);
    }) &&
                    (scene->Inputs().size() >= 2 ||
                     in.Fail("FILM ブロックには、２つ以上の INPUT を定義して下さい。")) &&
                    in.Require(in.Seen("FRAMES"), "FRAMES") &&
                    in.Require(s.direction != 0, "DIRECTION");
    return in.Finish(std::move(scene), ok);
}

std::unique_ptr<CScene> parse_fade(BlockReader& in, int32_t openingMode) {
    auto scene = std::make_unique<CSceneFade>();
    FadeSettings& s = scene->EditSettings();
    const bool ok = in.Head(*scene) && in.Statements([&](const std::string& word) {
        if (word == "INPUT") return in.Once("INPUT") && in.Input(*scene, 1);
        if (const int32_t mode = keyword_code(kFadeModeWords, word)) {
            s.fadeMode = mode;
            return in.Once("( IN | OUT | INOUT )");
        }
        if (word == "COLOR") return in.Color(&s.color, false);
        if (word == "FRAMES") return in.Once("FRAMES") && in.AtLeast(&s.frames, "フレーム数", 2);
        return in.Unknown(word);
    }) && in.Require(scene->HasInputs(), "INPUT") &&
                    in.Require(in.Seen("FRAMES"), "FRAMES");
    // The opening word decides over any mode statement inside.
    if (openingMode != 0) s.fadeMode = openingMode;
    return in.Finish(std::move(scene), ok);
}

std::unique_ptr<CScene> parse_crossfade(BlockReader& in) {
    auto scene = std::make_unique<CSceneCrossfade>();
    CrossfadeSettings& s = scene->EditSettings();
    const bool ok = in.Head(*scene) && in.Statements([&](const std::string& word) {
        if (word == "INPUT") return in.Input(*scene, 1) != nullptr;
        if (word == "FRAMES") return in.Once("FRAMES") && in.AtLeast(&s.frames, "フレーム数", 2);
        return in.Unknown(word);
    }) &&
                    (scene->Inputs().size() >= 2 ||
                     in.Fail("CROSSFADE ブロックには、２つ以上の INPUT を定義して下さい。")) &&
                    in.Require(in.Seen("FRAMES"), "FRAMES");
    return in.Finish(std::move(scene), ok);
}

std::unique_ptr<CScene> parse_expand(BlockReader& in, int32_t openingMode) {
    auto scene = std::make_unique<CSceneExpand>();
    ExpandSettings& s = scene->EditSettings();
    const bool ok = in.Head(*scene) && in.Statements([&](const std::string& word) {
        if (is_input_word(word)) return in.SingleInput(*scene, word);
        if (const int32_t mode = keyword_code(kExpandModeWords, word)) {
            s.inOut = mode;
            return in.Once("( IN | OUT )");
        }
        if (const int32_t direction = keyword_code(kDirectionWords, word)) {
            s.direction = direction;
            return in.Once(kDirections);
        }
        return in.Unknown(word);
    }) && in.Require(scene->HasInputs(), "INPUT") &&
                    in.Require(s.direction != 0, kDirections);
    if (openingMode != 0) s.inOut = openingMode;
    return in.Finish(std::move(scene), ok);
}

std::unique_ptr<CScene> parse_mosaic(BlockReader& in) {
    auto scene = std::make_unique<CSceneMosaic>();
    MosaicSettings& s = scene->EditSettings();
    const bool ok = in.Head(*scene) && in.Statements([&](const std::string& word) {
        if (is_input_word(word)) return in.SingleInput(*scene, word);
        // The repetition of a cell size is noticed once its value has been read.
        if (word == "SIZE_START") {
            return in.AtLeast(&s.sizeStart, "開始ブロックサイズ", 0) && in.Once("SIZE_START");
        }
        if (word == "SIZE_END") {
            return in.AtLeast(&s.sizeEnd, "終了ブロックサイズ", 0) && in.Once("SIZE_END");
        }
        if (word == "TGT_START") {
            s.hasTgtStart = true;
            return in.Rect(&s.tgtStart, "開始座標", 0, 0,
                           "MOSAIC ブロックの TGT_START 指定子の座標値が不正です。");
        }
        if (word == "TGT_END") {
            s.hasTgtEnd = true;
            return in.Rect(&s.tgtEnd, "開始座標", 0, 0,
                           "MOSAIC ブロックの TGT_END 指定子の座標値が不正です。");
        }
        return in.Unknown(word);
    }) && in.Require(scene->HasInputs(), "INPUT") &&
                    in.Require(in.Seen("SIZE_START"), "SIZE_START") &&
                    in.Require(in.Seen("SIZE_END"), "SIZE_End");
    return in.Finish(std::move(scene), ok);
}

std::unique_ptr<CScene> parse_shake(BlockReader& in) {
    auto scene = std::make_unique<CSceneShake>();
    const bool ok = in.Head(*scene) && in.Statements([&](const std::string& word) {
        return is_input_word(word) ? in.SingleInput(*scene, word) : in.Unknown(word);
    }) && in.Require(scene->HasInputs(), "INPUT");
    return in.Finish(std::move(scene), ok);
}

}  // namespace

std::unique_ptr<CScene> parse_transition_block(CScenarioReader& reader, CScenarioSource& source,
                                               std::string_view keyword) {
    const BlockKeyword& entry = *find_block_keyword(keyword);
    // FADEIN and the like are read as the block they name.
    BlockReader in(reader, source, std::string(scene_type_name(entry.type)));
    switch (entry.type) {
        case SCENE_FILM:
            return parse_film(in);
        case SCENE_CROSSFADE:
            return parse_crossfade(in);
        case SCENE_MOSAIC:
            return parse_mosaic(in);
        case SCENE_SHAKE:
            return parse_shake(in);
        case SCENE_EXPAND:
            return parse_expand(in, entry.mode);
        default:
            return parse_fade(in, entry.mode);
    }
}
