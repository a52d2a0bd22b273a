// Grammars of the composition blocks: MIX, SERIES and MAIN (one grammar), CUT,
// ALPHA and SHADE.

#include "base/format.h"
#include "scenario/blocks.h"
#include "scene/scene_composition.h"

namespace {

std::unique_ptr<CScene> parse_mix(BlockReader& in) {
    auto scene = std::make_unique<CSceneMix>();
    MixSettings& s = scene->EditSettings();
    // OFFSET belongs to the INPUT just before it, and only until OFFSET, BGIMAGE or
    // BGCOLOR follow that INPUT.
    bool offsetOpen = false;
    const bool ok = in.Head(*scene) && in.Statements([&](const std::string& word) {
        if (word == "INPUT") {
            offsetOpen = true;
            return in.InputWithRect(*scene, "MIX ブロックの INPUT 指定子の座標値が不正です。");
        }
        if (word == "OFFSET") {
            if (!offsetOpen) return in.Fail("MIX ブロックに、不正な OFFSET が定義されています。");
            offsetOpen = false;
            return in.AtLeast(&scene->Inputs().back()->EditSettings().offset, "オフセット", 0);
        }
        if (word == "OR") {
            s.composeMode = MIX_COMPOSE_OR;
            return true;
        }
        if (word == "BGIMAGE") {
            offsetOpen = false;
            return in.Background(*scene);
        }
        if (word == "BGCOLOR") {
            offsetOpen = false;
            return in.Color(&s.bgcolor, false);
        }
        return in.Unknown(word);
    }) && in.Require(scene->HasInputs(), "INPUT");
    return in.Finish(std::move(scene), ok);
}

std::unique_ptr<CScene> parse_series(BlockReader& in, bool isMain) {
    auto scene = std::make_unique<CSceneSeries>(isMain ? SCENE_MAIN : SCENE_SERIES);
    const bool ok = (isMain ? in.OpenBrace() : in.Head(*scene)) &&
                    in.Statements([&](const std::string& word) {
                        if (is_input_word(word))
                            return in.Input(*scene, word == "INPUT" ? 1 : 2) != nullptr;
                        if (word == "ALINK_VOLUME_ALPHA" && isMain && scene->HasInputs()) {
                            scene->Inputs().back()->EditSettings().volumeAlpha = true;
                            in.Reader().SetMusicLinkUsed();
                            return true;
                        }
                        return in.Unknown(word);
                    }) &&
                    (isMain || in.Require(scene->HasInputs(), "INPUT"));
    return in.Finish(std::move(scene), ok);
}

// CUT, ALPHA and SHADE: one input (INPUT or !INPUT, once) and START/END values.
struct RangeGrammar {
    const char* startLabel;
    const char* endLabel;
    int32_t upper;  // 0: no upper limit
};

template <typename Scene>
std::unique_ptr<CScene> parse_range(BlockReader& in, const RangeGrammar& grammar) {
    auto scene = std::make_unique<Scene>();
    auto& s = scene->EditSettings();
    const int checks = grammar.upper ? kCheckBoth : kCheckLower;
    const bool ok = in.Head(*scene) && in.Statements([&](const std::string& word) {
        if (is_input_word(word)) return in.SingleInput(*scene, word);
        if (word == "START") {
            return in.Integer(&s.start, grammar.startLabel, checks, 0, grammar.upper);
        }
        if (word == "END") return in.Integer(&s.end, grammar.endLabel, checks, 0, grammar.upper);
        if constexpr (std::is_same_v<Scene, CSceneCut>) {
            if (word == "SKIP") return in.AtLeast(&s.skip, "フレームスキップ値", 0);
        }
        return in.Unknown(word);
    }) && in.Require(scene->HasInputs(), "INPUT");
    return in.Finish(std::move(scene), ok);
}

}  // namespace

std::unique_ptr<CScene> parse_composition_block(CScenarioReader& reader, CScenarioSource& source,
                                                std::string_view keyword) {
    BlockReader in(reader, source, std::string(keyword));
    if (keyword == "MIX") return parse_mix(in);
    if (keyword == "SERIES" || keyword == "MAIN") return parse_series(in, keyword == "MAIN");
    if (keyword == "CUT") {
        return parse_range<CSceneCut>(in, {"開始フレーム番号", "終了フレーム番号", 0});
    }
    if (keyword == "ALPHA") return parse_range<CSceneAlpha>(in, {"開始α値", "終了α値", 255});
    return parse_range<CSceneShade>(in, {"開始フレーム番号", "終了フレーム番号", 0});
}
