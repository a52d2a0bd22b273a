// The shape every block shares, the value readers of the block grammars, and the
// dispatch from block keyword to grammar.

#include <string>

#include "base/cp932.h"
#include "base/format.h"
#include "scenario/blocks.h"
#include "scene/keywords.h"

namespace {

constexpr const char* kBlanks = " \t\n";

}  // namespace

std::unique_ptr<CScene> parse_block(CScenarioReader& reader, CScenarioSource& source,
                                    std::string_view keyword) {
    const BlockKeyword* entry = find_block_keyword(keyword);
    const uint32_t type = entry ? entry->type : 0;
    if (type == SCENE_IMAGE || type == SCENE_TEXT || type == SCENE_DRAW || type == SCENE_MOVIE) {
        return parse_source_block(reader, source, keyword);
    }
    if ((type >= SCENE_STILL && type <= SCENE_FOCUS)) {
        return parse_motion_block(reader, source, keyword);
    }
    if (type == SCENE_FILM || type == SCENE_FADE || type == SCENE_CROSSFADE ||
        type == SCENE_EXPAND || type == SCENE_MOSAIC || type == SCENE_SHAKE) {
        return parse_transition_block(reader, source, keyword);
    }
    if (type == SCENE_MIX || type == SCENE_SERIES || type == SCENE_MAIN || type == SCENE_CUT ||
        type == SCENE_ALPHA || type == SCENE_SHADE) {
        return parse_composition_block(reader, source, keyword);
    }
    reader.ReportError(format_string("%s の記述はできません。", cp932_to_utf8(keyword).c_str()),
                       &source);
    return nullptr;
}

bool BlockReader::Fail(std::string_view message) {
    m_reader.ReportError(message, &m_source);
    return false;
}

bool BlockReader::Unknown(std::string_view word) {
    return Fail(format_string("%s ブロック内では、%s の記述はできません。",
                              cp932_to_utf8(m_block).c_str(), cp932_to_utf8(word).c_str()));
}

bool BlockReader::Head(CScene& scene) {
    std::string name;
    if (!Quoted(&name, "ブロック名")) return false;
    scene.SetName(std::move(name));
    return OpenBrace();
}

bool BlockReader::OpenBrace() {
    m_source.SkipChars(kBlanks);
    if (m_source.AtEnd() || m_source.Peek() != '{') return Fail("不正な記述があります。");
    m_source.Advance();
    return true;
}

bool BlockReader::Statements(const std::function<bool(const std::string& word)>& statement) {
    for (;;) {
        m_source.SkipChars(kBlanks);
        if (m_source.AtEnd()) {
            // A block left open would otherwise count as finished.
            return Fail(format_string("%s ブロックが } で閉じられていません。",
                                      cp932_to_utf8(m_block).c_str()));
        }
        if (m_source.Peek() == '}') return true;
        std::string word;
        if (!m_reader.ReadWord(&word, m_source, " \t\n}")) return false;
        if (!statement(word)) return false;
    }
}

std::unique_ptr<CScene> BlockReader::Finish(std::unique_ptr<CScene> scene, bool ok) {
    if (!ok) return nullptr;
    m_source.Advance();
    return scene;
}

bool BlockReader::Once(std::string_view what) {
    return OnceWith(what, format_string("%s ブロックに、複数の %s が定義されています。",
                                        m_block.c_str(), std::string(what).c_str()));
}

bool BlockReader::OnceWith(std::string_view what, std::string_view message) {
    if (!m_seen.emplace(what).second) return Fail(message);
    return true;
}

bool BlockReader::Require(bool given, std::string_view what) {
    if (given) return true;
    return Fail(format_string("%s ブロックに、%s が定義されていません。", m_block.c_str(),
                              std::string(what).c_str()));
}

bool BlockReader::Integer(int32_t* out, const char* label, int checks, int32_t lower,
                          int32_t upper) {
    return m_reader.ReadInteger(out, m_source, label, checks, lower, upper) == 0;
}

bool BlockReader::Quoted(std::string* out, const char* label) {
    return m_reader.ReadQuotedString(out, m_source, label);
}

bool BlockReader::Word(std::string* out) {
    m_source.SkipChars(kBlanks);
    return m_reader.ReadWord(out, m_source, " \t\n}");
}

bool BlockReader::Color(CColor* out, bool alpha) {
    int32_t r = 0, g = 0, b = 0, a = 255;
    if (!Integer(&r, "赤の輝度", kCheckBoth, 0, 255)) return false;
    if (!Integer(&g, "緑の輝度", kCheckBoth, 0, 255)) return false;
    if (!Integer(&b, "青の輝度", kCheckBoth, 0, 255)) return false;
    if (alpha && !Integer(&a, "α値", kCheckBoth, 0, 255)) return false;
    *out = CColor(static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b),
                  static_cast<uint8_t>(a));
    return true;
}

bool BlockReader::Rect(SceneRect* out, const char* label, int checks, int32_t lower,
                       const std::string& badMessage) {
    SceneRect rect;
    for (int32_t* value : {&rect.left, &rect.top, &rect.right, &rect.bottom}) {
        if (!Integer(value, label, checks, lower, 0)) return false;
    }
    if (rect.left > rect.right || rect.top > rect.bottom) return Fail(badMessage);
    *out = rect;
    return true;
}

bool BlockReader::OptionalRect(bool* given, SceneRect* out, const std::string& badMessage) {
    m_source.SkipChars(kBlanks);
    const unsigned char next = m_source.Peek();
    const bool starts = !m_source.AtEnd() &&
                        ((next >= '0' && next <= '9') || next == '-' || next == '(' || next == '$');
    if (!starts) return true;
    if (!Rect(out, "クリップ座標", 0, 0, badMessage)) return false;
    *given = true;
    return true;
}

CSceneLink* BlockReader::Input(CScene& scene, int32_t kind) {
    std::string name;
    if (!Quoted(&name, "入力ブロック名")) return nullptr;
    return &scene.AddInput(std::move(name), kind);
}

bool BlockReader::InputWithRect(CScene& scene, const std::string& badMessage) {
    CSceneLink* link = Input(scene, 1);
    if (!link) return false;
    LinkSettings& settings = link->EditSettings();
    return OptionalRect(&settings.hasRect, &settings.rect, badMessage);
}

bool BlockReader::SingleInput(CScene& scene, std::string_view word) {
    return Once("INPUT") && Input(scene, word == "INPUT" ? 1 : 2) != nullptr;
}

bool BlockReader::Background(CScene& scene) {
    if (!Once("BGIMAGE")) return false;
    std::string name;
    if (!Quoted(&name, "入力ブロック名")) return false;
    scene.SetBackground(std::move(name));
    return true;
}
