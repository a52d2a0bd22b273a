// Grammars of the transition blocks: FILM, FADE (also opened as FADEIN, FADEOUT,
// FADEINOUT), CROSSFADE, EXPAND (also EXPANDIN, EXPANDOUT), MOSAIC and SHAKE.

#include "base/format.h"
#include "scenario/blocks.h"
#include "scene/scene_transition.h"

namespace {

int32_t direction_code(std::string_view word) {
    if (word == "UP") return DIRECTION_UP;
    if (word == "DOWN") return DIRECTION_DOWN;
    if (word == "LEFT") return DIRECTION_LEFT;
    if (word == "RIGHT") return DIRECTION_RIGHT;
    return 0;
}

std::unique_ptr<CScene> parse_film(BlockReader& in) {
    auto scene = std::make_unique<CSceneFilm>();
    if (!in.Head(*scene)) return nullptr;
    bool framesGiven = false;
    for (;;) {
        std::string word;
        const int next = in.Next("FILM", &word);
        if (next < 0) return nullptr;
        if (next == 0) break;
        bool ok = true;
        if (word == "INPUT") {
            ok = in.Input(*scene, 1) != nullptr;
        } else if (const int32_t direction = direction_code(word)) {
            if (scene->m_direction != 0) {
                return in.Refuse(
                    "FILM ブロックに、複数の ( UP | DOWN | LEFT | RIGHT ) が定義されています。");
            }
            scene->m_direction = direction;
        } else if (word == "COLOR") {
            ok = in.Color(&scene->m_color, false);
        } else if (word == "BGCOLOR") {
            ok = in.Color(&scene->m_bgcolor, false);
        } else if (word == "FRAMES") {
            if (framesGiven)
                return in.Refuse("FILM ブロックに、複数の FRAMES が定義されています。");
            framesGiven = true;
            ok = in.AtLeast(&scene->m_frames, "フレーム数", 2);
        } else {
            ok = in.Unknown("FILM", word);
        }
        if (!ok) return nullptr;
    }
    if (scene->m_inputs.size() < 2) {
        return in.Refuse("FILM ブロックには、２つ以上の INPUT を定義して下さい。");
    }
    if (!framesGiven) return in.Refuse("FILM ブロックに、FRAMES が定義されていません。");
    if (scene->m_direction == 0)
        return in.Refuse("FILM ブロックに、DIRECTION が定義されていません。");
    scene->m_pictureCount = static_cast<int32_t>(scene->m_inputs.size());
    in.Close();
    return scene;
}

std::unique_ptr<CScene> parse_fade(BlockReader& in, std::string_view keyword) {
    auto scene = std::make_unique<CSceneFade>();
    if (!in.Head(*scene)) return nullptr;
    bool framesGiven = false;
    for (;;) {
        std::string word;
        const int next = in.Next("FADE", &word);
        if (next < 0) return nullptr;
        if (next == 0) break;
        bool ok = true;
        if (word == "INPUT") {
            if (!scene->m_inputs.empty()) {
                return in.Refuse("FADE ブロックに、複数の INPUT が定義されています。");
            }
            ok = in.Input(*scene, 1) != nullptr;
        } else if (word == "IN" || word == "OUT" || word == "INOUT") {
            if (scene->m_fadeMode != 0) {
                return in.Refuse(
                    "FADE ブロックに、複数の ( IN | OUT | INOUT ) が定義されています。");
            }
            scene->m_fadeMode = word == "IN" ? FADE_IN : word == "OUT" ? FADE_OUT : FADE_INOUT;
        } else if (word == "COLOR") {
            ok = in.Color(&scene->m_bgcolor, false);
        } else if (word == "FRAMES") {
            if (framesGiven)
                return in.Refuse("FADE ブロックに、複数の FRAMES が定義されています。");
            framesGiven = true;
            ok = in.AtLeast(&scene->m_frames, "フレーム数", 2);
        } else {
            ok = in.Unknown("FADE", word);
        }
        if (!ok) return nullptr;
    }
    if (scene->m_inputs.empty()) return in.Refuse("FADE ブロックに、INPUT が定義されていません。");
    if (!framesGiven) return in.Refuse("FADE ブロックに、FRAMES が定義されていません。");
    // The opening word decides over any mode statement inside.
    if (keyword == "FADEIN") scene->m_fadeMode = FADE_IN;
    if (keyword == "FADEOUT") scene->m_fadeMode = FADE_OUT;
    if (keyword == "FADEINOUT") scene->m_fadeMode = FADE_INOUT;
    in.Close();
    return scene;
}

std::unique_ptr<CScene> parse_crossfade(BlockReader& in) {
    auto scene = std::make_unique<CSceneCrossfade>();
    if (!in.Head(*scene)) return nullptr;
    bool framesGiven = false;
    for (;;) {
        std::string word;
        const int next = in.Next("CROSSFADE", &word);
        if (next < 0) return nullptr;
        if (next == 0) break;
        bool ok = true;
        if (word == "INPUT") {
            ok = in.Input(*scene, 1) != nullptr;
        } else if (word == "FRAMES") {
            if (framesGiven) {
                return in.Refuse("CROSSFADE ブロックに、複数の FRAMES が定義されています。");
            }
            framesGiven = true;
            ok = in.AtLeast(&scene->m_frames, "フレーム数", 2);
        } else {
            ok = in.Unknown("CROSSFADE", word);
        }
        if (!ok) return nullptr;
    }
    if (scene->m_inputs.size() < 2) {
        return in.Refuse("CROSSFADE ブロックには、２つ以上の INPUT を定義して下さい。");
    }
    if (!framesGiven) return in.Refuse("CROSSFADE ブロックに、FRAMES が定義されていません。");
    in.Close();
    return scene;
}

// INPUT or !INPUT, one of them once; false after reporting.
bool single_input(BlockReader& in, CScene& scene, std::string_view word, const char* block) {
    if (!scene.m_inputs.empty()) {
        return in.Fail(format_string("%s ブロックに、複数の INPUT が定義されています。", block));
    }
    return in.Input(scene, word == "INPUT" ? 1 : 2) != nullptr;
}

bool is_input_word(std::string_view word) {
    return word == "INPUT" || word == "!INPUT";
}

std::unique_ptr<CScene> parse_expand(BlockReader& in, std::string_view keyword) {
    auto scene = std::make_unique<CSceneExpand>();
    if (!in.Head(*scene)) return nullptr;
    for (;;) {
        std::string word;
        const int next = in.Next("EXPAND", &word);
        if (next < 0) return nullptr;
        if (next == 0) break;
        bool ok = true;
        if (is_input_word(word)) {
            ok = single_input(in, *scene, word, "EXPAND");
        } else if (word == "IN" || word == "OUT") {
            if (scene->m_inOut != 0) {
                return in.Refuse("EXPAND ブロックに、複数の ( IN | OUT ) が定義されています。");
            }
            scene->m_inOut = word == "IN" ? EXPAND_IN : EXPAND_OUT;
        } else if (const int32_t direction = direction_code(word)) {
            if (scene->m_direction != 0) {
                return in.Refuse(
                    "EXPAND ブロックに、複数の ( UP | DOWN | LEFT | RIGHT ) が定義されています。");
            }
            scene->m_direction = direction;
        } else {
            ok = in.Unknown("EXPAND", word);
        }
        if (!ok) return nullptr;
    }
    if (scene->m_inputs.empty())
        return in.Refuse("EXPAND ブロックに、INPUT が定義されていません。");
    if (scene->m_direction == 0) {
        return in.Refuse("EXPAND ブロックに、( UP | DOWN | LEFT | RIGHT ) が定義されていません。");
    }
    if (keyword == "EXPANDIN") scene->m_inOut = EXPAND_IN;
    if (keyword == "EXPANDOUT") scene->m_inOut = EXPAND_OUT;
    in.Close();
    return scene;
}

std::unique_ptr<CScene> parse_mosaic(BlockReader& in) {
    auto scene = std::make_unique<CSceneMosaic>();
    if (!in.Head(*scene)) return nullptr;
    bool startGiven = false, endGiven = false;
    for (;;) {
        std::string word;
        const int next = in.Next("MOSAIC", &word);
        if (next < 0) return nullptr;
        if (next == 0) break;
        bool ok = true;
        if (is_input_word(word)) {
            ok = single_input(in, *scene, word, "MOSAIC");
        } else if (word == "SIZE_START") {
            // The repetition is noticed once the value has been read.
            if (!in.AtLeast(&scene->m_sizeStart, "開始ブロックサイズ", 0)) return nullptr;
            if (startGiven) {
                return in.Refuse("MOSAIC ブロックに、複数の SIZE_START が定義されています。");
            }
            startGiven = true;
        } else if (word == "SIZE_END") {
            if (!in.AtLeast(&scene->m_sizeEnd, "終了ブロックサイズ", 0)) return nullptr;
            if (endGiven) {
                return in.Refuse("MOSAIC ブロックに、複数の SIZE_END が定義されています。");
            }
            endGiven = true;
        } else if (word == "TGT_START") {
            scene->m_hasTgtStart = true;
            ok = in.Rect(&scene->m_tgtStart, "開始座標", 0, 0,
                         "MOSAIC ブロックの TGT_START 指定子の座標値が不正です。");
        } else if (word == "TGT_END") {
            scene->m_hasTgtEnd = true;
            ok = in.Rect(&scene->m_tgtEnd, "開始座標", 0, 0,
                         "MOSAIC ブロックの TGT_END 指定子の座標値が不正です。");
        } else {
            ok = in.Unknown("MOSAIC", word);
        }
        if (!ok) return nullptr;
    }
    if (scene->m_inputs.empty())
        return in.Refuse("MOSAIC ブロックに、INPUT が定義されていません。");
    if (!startGiven) return in.Refuse("MOSAIC ブロックに、SIZE_START が定義されていません。");
    if (!endGiven) return in.Refuse("MOSAIC ブロックに、SIZE_End が定義されていません。");
    in.Close();
    return scene;
}

std::unique_ptr<CScene> parse_shake(BlockReader& in) {
    auto scene = std::make_unique<CSceneShake>();
    if (!in.Head(*scene)) return nullptr;
    for (;;) {
        std::string word;
        const int next = in.Next("SHAKE", &word);
        if (next < 0) return nullptr;
        if (next == 0) break;
        const bool ok = is_input_word(word) ? single_input(in, *scene, word, "SHAKE")
                                            : in.Unknown("SHAKE", word);
        if (!ok) return nullptr;
    }
    if (scene->m_inputs.empty()) return in.Refuse("SHAKE ブロックに、INPUT が定義されていません。");
    in.Close();
    return scene;
}

}  // namespace

std::unique_ptr<CScene> parse_transition_block(BlockReader& in, std::string_view keyword) {
    if (keyword == "FILM") return parse_film(in);
    if (keyword == "CROSSFADE") return parse_crossfade(in);
    if (keyword == "MOSAIC") return parse_mosaic(in);
    if (keyword == "SHAKE") return parse_shake(in);
    if (keyword.starts_with("EXPAND")) return parse_expand(in, keyword);
    return parse_fade(in, keyword);
}
