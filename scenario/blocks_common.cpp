// The shape every block shares, the value readers of the block grammars, and the
// dispatch from block keyword to grammar.

#include <string>

#include "base/cp932.h"
#include "base/format.h"
#include "scenario/blocks.h"

namespace {

constexpr const char* kBlanks = " \t\n";

bool is_one_of(std::string_view word, std::initializer_list<std::string_view> words) {
    for (std::string_view candidate : words) {
        if (word == candidate) return true;
    }
    return false;
}

}  // namespace

std::unique_ptr<CScene> parse_block(CScenario& doc, CScenarioSource& source,
                                    std::string_view keyword) {
    BlockReader in(doc, source);
    if (is_one_of(keyword, {"IMAGE", "TEXT", "DRAW", "MOVIE"})) {
        return parse_source_block(in, keyword);
    }
    if (is_one_of(keyword, {"STILL", "ROTATE", "ACTION", "ZOOM", "SLIDE", "FOCUS"})) {
        return parse_motion_block(in, keyword);
    }
    if (is_one_of(keyword, {"FILM", "FADE", "FADEIN", "FADEOUT", "FADEINOUT", "CROSSFADE", "EXPAND",
                            "EXPANDIN", "EXPANDOUT", "MOSAIC", "SHAKE"})) {
        return parse_transition_block(in, keyword);
    }
    if (is_one_of(keyword, {"MIX", "SERIES", "MAIN", "CUT", "ALPHA", "SHADE"})) {
        return parse_composition_block(in, keyword);
    }
    in.Fail(format_string("%s の記述はできません。", cp932_to_utf8(keyword).c_str()));
    return nullptr;
}

bool BlockReader::Fail(std::string_view message) {
    m_doc.ReportError(message, &m_source);
    return false;
}

bool BlockReader::Unknown(std::string_view block, std::string_view word) {
    return Fail(format_string("%s ブロック内では、%s の記述はできません。",
                              cp932_to_utf8(block).c_str(), cp932_to_utf8(word).c_str()));
}

bool BlockReader::Head(CScene& scene) {
    if (!Quoted(&scene.m_name, "ブロック名")) return false;
    return OpenBrace();
}

bool BlockReader::OpenBrace() {
    m_source.SkipChars(kBlanks);
    if (m_source.AtEnd() || m_source.Peek() != '{') return Fail("不正な記述があります。");
    m_source.Advance();
    return true;
}

int BlockReader::Next(std::string_view block, std::string* word) {
    m_source.SkipChars(kBlanks);
    if (m_source.AtEnd()) {
        // A block left open would otherwise count as finished.
        Fail(format_string("%s ブロックが } で閉じられていません。", cp932_to_utf8(block).c_str()));
        return -1;
    }
    if (m_source.Peek() == '}') return 0;
    return m_doc.ReadWord(word, m_source, " \t\n}") ? 1 : -1;
}

bool BlockReader::Integer(int32_t* out, const char* label, int checks, int32_t lower,
                          int32_t upper) {
    return m_doc.ReadInteger(out, m_source, label, checks, lower, upper) == 0;
}

bool BlockReader::Quoted(std::string* out, const char* label) {
    return m_doc.ReadQuotedString(out, m_source, label);
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
    scene.m_inputs.push_back(std::make_unique<CSceneLink>(std::move(name), kind));
    return scene.m_inputs.back().get();
}

bool BlockReader::Background(CScene& scene) {
    std::string name;
    if (!Quoted(&name, "入力ブロック名")) return false;
    scene.m_extraLink = std::make_unique<CSceneLink>(std::move(name));
    return true;
}
