// Grammars of the composition blocks: MIX, SERIES and MAIN (one grammar), CUT,
// ALPHA and SHADE.

#include "base/format.h"
#include "scenario/blocks.h"
#include "scene/scene_composition.h"

namespace {

std::unique_ptr<CScene> parse_mix(BlockReader& in) {
    auto scene = std::make_unique<CSceneMix>();
    if (!in.Head(*scene)) return nullptr;
    // OFFSET belongs to the INPUT just before it, and only until OFFSET, BGIMAGE or
    // BGCOLOR follow that INPUT.
    bool offsetOpen = false;
    for (;;) {
        std::string word;
        const int next = in.Next("MIX", &word);
        if (next < 0) return nullptr;
        if (next == 0) break;
        bool ok = true;
        if (word == "INPUT") {
            CSceneLink* link = in.Input(*scene, 1);
            ok = link && in.OptionalRect(&link->m_hasRect, &link->m_rect,
                                         "MIX ブロックの INPUT 指定子の座標値が不正です。");
            offsetOpen = true;
        } else if (word == "OFFSET") {
            if (!offsetOpen) return in.Refuse("MIX ブロックに、不正な OFFSET が定義されています。");
            offsetOpen = false;
            ok = in.AtLeast(&scene->m_inputs.back()->m_offset, "オフセット", 0);
        } else if (word == "OR") {
            scene->m_composeMode = MIX_COMPOSE_OR;
        } else if (word == "BGIMAGE") {
            if (scene->m_extraLink) {
                return in.Refuse("MIX ブロックに、複数の BGIMAGE が定義されています。");
            }
            offsetOpen = false;
            ok = in.Background(*scene);
        } else if (word == "BGCOLOR") {
            offsetOpen = false;
            ok = in.Color(&scene->m_bgcolor, false);
        } else {
            ok = in.Unknown("MIX", word);
        }
        if (!ok) return nullptr;
    }
    if (scene->m_inputs.empty()) return in.Refuse("MIX ブロックに、INPUT が定義されていません。");
    in.Close();
    return scene;
}

std::unique_ptr<CScene> parse_series(BlockReader& in, std::string_view keyword) {
    const bool isMain = keyword == "MAIN";
    const char* block = isMain ? "MAIN" : "SERIES";
    auto scene = std::make_unique<CSceneSeries>(isMain ? SCENE_MAIN : SCENE_SERIES);
    if (isMain ? !in.OpenBrace() : !in.Head(*scene)) return nullptr;
    for (;;) {
        std::string word;
        const int next = in.Next(block, &word);
        if (next < 0) return nullptr;
        if (next == 0) break;
        bool ok = true;
        if (word == "INPUT" || word == "!INPUT") {
            ok = in.Input(*scene, word == "INPUT" ? 1 : 2) != nullptr;
        } else if (word == "ALINK_VOLUME_ALPHA" && isMain && !scene->m_inputs.empty()) {
            scene->m_inputs.back()->m_volumeAlpha = true;
            in.Doc().SetMusicLinkUsed();
        } else {
            ok = in.Unknown(block, word);
        }
        if (!ok) return nullptr;
    }
    if (!isMain && scene->m_inputs.empty()) {
        return in.Refuse(format_string("%s ブロックに、INPUT が定義されていません。", block));
    }
    in.Close();
    return scene;
}

// CUT, ALPHA and SHADE: one input (INPUT or !INPUT, once) and START/END values.
struct RangeGrammar {
    const char* block;
    const char* startLabel;
    const char* endLabel;
    int32_t upper;  // 0: no upper limit
};

template <typename Scene>
std::unique_ptr<CScene> parse_range(BlockReader& in, const RangeGrammar& grammar) {
    auto scene = std::make_unique<Scene>();
    if (!in.Head(*scene)) return nullptr;
    const int checks = grammar.upper ? kCheckBoth : kCheckLower;
    for (;;) {
        std::string word;
        const int next = in.Next(grammar.block, &word);
        if (next < 0) return nullptr;
        if (next == 0) break;
        bool ok = true;
        if (word == "INPUT" || word == "!INPUT") {
            if (!scene->m_inputs.empty()) {
                return in.Refuse(format_string("%s ブロックに、複数の INPUT が定義されています。",
                                               grammar.block));
            }
            ok = in.Input(*scene, word == "INPUT" ? 1 : 2) != nullptr;
        } else if (word == "START") {
            ok = in.Integer(&scene->m_start, grammar.startLabel, checks, 0, grammar.upper);
        } else if (word == "END") {
            ok = in.Integer(&scene->m_end, grammar.endLabel, checks, 0, grammar.upper);
        } else if constexpr (std::is_same_v<Scene, CSceneCut>) {
            if (word == "SKIP") {
                ok = in.AtLeast(&scene->m_skip, "フレームスキップ値", 0);
            } else {
                ok = in.Unknown(grammar.block, word);
            }
        } else {
            ok = in.Unknown(grammar.block, word);
        }
        if (!ok) return nullptr;
    }
    if (scene->m_inputs.empty()) {
        return in.Refuse(
            format_string("%s ブロックに、INPUT が定義されていません。", grammar.block));
    }
    in.Close();
    return scene;
}

}  // namespace

std::unique_ptr<CScene> parse_composition_block(BlockReader& in, std::string_view keyword) {
    if (keyword == "MIX") return parse_mix(in);
    if (keyword == "SERIES" || keyword == "MAIN") return parse_series(in, keyword);
    if (keyword == "CUT") {
        return parse_range<CSceneCut>(in, {"CUT", "開始フレーム番号", "終了フレーム番号", 0});
    }
    if (keyword == "ALPHA") {
        return parse_range<CSceneAlpha>(in, {"ALPHA", "開始α値", "終了α値", 255});
    }
    return parse_range<CSceneShade>(in, {"SHADE", "開始フレーム番号", "終了フレーム番号", 0});
}
