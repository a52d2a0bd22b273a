// MACRO definitions and CALL statements: the reader's side of macros.

#include <optional>
#include <string_view>

#include "base/cp932.h"
#include "base/format.h"
#include "scenario/reader.h"

namespace {

constexpr const char* kBadArguments = "引数定義が正しくありません。";

// "マクロ展開 " in code page 932: the name of an expansion in reports.
const std::string& expansion_prefix() {
    static const std::string prefix = [] {
        std::string bytes;
        utf8_to_cp932("マクロ展開 ", &bytes);
        return bytes;
    }();
    return prefix;
}

}  // namespace

CMacro* CScenarioReader::FindMacro(const std::string& name) const {
    for (auto it = m_doc.m_macros.rbegin(); it != m_doc.m_macros.rend(); ++it) {
        if ((*it)->Name() == name) return it->get();
    }
    return nullptr;
}

int CScenarioReader::ReadMacro(CScenarioSource& source) {
    source.SkipChars(" \t\n");
    std::string name;
    if (!ReadWord(&name, source, " \t\n(")) return -1;
    auto macro = std::make_unique<CMacro>();
    macro->SetName(name);
    source.SkipChars(" \t\n");
    if (source.Peek() != '(') {
        ReportError("引数定義がありません。", &source);
        return -1;
    }
    source.Advance();
    source.SkipChars(" \t\n");
    while (source.AtEnd() || source.Peek() != ')') {
        if (source.Peek() != '$') {
            ReportError(kBadArguments, &source);
            return -1;
        }
        source.Advance();
        std::optional<std::string> argument = GetInsideParenthesis(source);
        if (!argument) {
            ReportError(kBadArguments, &source);
            return -1;
        }
        if (m_doc.m_variables.Find(*argument)) {
            ReportError(format_string("引数名 %s は変数名としても使用されています。",
                                      cp932_to_utf8(*argument).c_str()),
                        &source);
            return -1;
        }
        source.SkipChars(" \t\n");
        bool array = false;
        if (source.Peek() == '[') {
            source.Advance();
            source.SkipChars(" \t\n");
            if (source.Peek() != ']') {
                ReportError(kBadArguments, &source);
                return -1;
            }
            source.Advance();
            source.SkipChars(" \t\n");
            array = true;
        } else if (macro->ArrayCount() > 0) {
            ReportError(format_string("引数 %s は配列型として定義する必要があります。",
                                      cp932_to_utf8(*argument).c_str()),
                        &source);
            return -1;
        }
        if (source.Peek() == ',') {
            source.Advance();
            source.SkipChars(" \t\n");
        }
        macro->AddArgument(std::move(*argument), array);
    }
    source.Advance();
    const int32_t bodyStart = source.GetPosition();

    // The body ends at the word ENDMACRO: the next "E" starts each candidate word.
    int32_t bodyEnd = 0;
    for (;;) {
        source.SkipTo('E');
        bodyEnd = source.GetPosition();
        std::string word;
        if (!ReadWord(&word, source, " \t\n")) return -1;
        if (word == "ENDMACRO") break;
    }
    macro->SetBody(source.Text().substr(static_cast<size_t>(bodyStart),
                                        static_cast<size_t>(bodyEnd - bodyStart)));
    m_doc.m_macros.push_back(std::move(macro));
    return 0;
}

int CScenarioReader::ReadCall(CScenarioSource& source) {
    if (m_callDepth >= kMaxCallDepth) {
        ReportError(format_string("マクロ呼び出しの入れ子が %d 段を超えています。", kMaxCallDepth),
                    &source);
        return -1;
    }
    source.SkipChars(" \t\n");
    std::string name;
    if (!ReadWord(&name, source, " \t\n(")) return -1;
    CMacro* macro = FindMacro(name);
    if (!macro) {
        ReportError(format_string("マクロ %s は定義されていません。", cp932_to_utf8(name).c_str()),
                    &source);
        return -1;
    }
    source.SkipChars(" \t\n");
    if (source.Peek() != '(') {
        ReportError(kBadArguments, &source);
        return -1;
    }
    source.Advance();
    const int64_t declared = macro->DeclaredCount();
    const int64_t arrays = macro->ArrayCount();
    int64_t n = 0;
    for (;;) {
        if (arrays == 0 && n > declared) {
            ReportError("引数が多すぎます。", &source);
            macro->ResetBindings();
            return -1;
        }
        source.SkipChars(" \t\n,");
        if (!source.AtEnd() && source.Peek() == ')') {
            if (arrays == 0 || (n - declared) % arrays == 0) break;
            ReportError("引数の数が一致しません。", &source);
            macro->ResetBindings();
            return -1;
        }
        std::string value;
        if (source.Peek() == '"') {
            source.Advance();
            int32_t from = source.GetPosition();
            source.SkipTo('"');
            if (!source.AtEnd()) {
                value = source.Text().substr(static_cast<size_t>(from),
                                             static_cast<size_t>(source.GetPosition() - from));
                source.Advance();
            }
        } else if (std::optional<std::string> token = source.TakeToken(" \t\n,)")) {
            value = std::move(*token);
        }
        if (value.empty()) {
            ReportError(kBadArguments, &source);
            macro->ResetBindings();
            return -1;
        }
        macro->Bind(n, value);
        ++n;
    }
    source.Advance();
    if (n < declared) {
        ReportError("引数が少なすぎます。", &source);
        macro->ResetBindings();
        return -1;
    }

    const std::string macroName = macro->Name();
    std::string text;
    int code = (m_expansions >= kMaxExpansions)
                   ? CMacro::kExpandTooLarge
                   : macro->Expand(&text, kMaxExpandedBytes - m_expandedBytes, &m_expansionWork);
    macro->ResetBindings();
    if (code == CMacro::kExpandTooLarge) {
        ReportError(
            format_string("マクロ %s の展開結果が大きすぎます。", cp932_to_utf8(macroName).c_str()),
            &source);
        return -1;
    }
    if (code != 0) {
        ReportError(
            format_string("マクロ %s の展開に失敗しました。", cp932_to_utf8(macroName).c_str()),
            &source);
        return -1;
    }
    ++m_expansions;
    m_expandedBytes += static_cast<int64_t>(text.size());

    CScenarioSource expansion;
    if (expansion.SetText(text) != 0) {
        ReportError(
            format_string("マクロ %s の展開結果が大きすぎます。", cp932_to_utf8(macroName).c_str()),
            &source);
        return -1;
    }
    expansion.SetName(expansion_prefix() + macroName);
    ++m_callDepth;
    expansion.Preprocess();
    int result = ReadStatements(expansion, true);
    --m_callDepth;
    return result;
}
