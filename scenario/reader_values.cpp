// The value readers every parser of the document shares, and the error report.

#include <string>

#include "base/cp932.h"
#include "base/format.h"
#include "scenario/paths.h"
#include "scenario/reader.h"

namespace {

constexpr const char* kUnknownError = "不明なエラーが発生しました。";
constexpr const char* kOverflow = "一時バッファをオーバーフローしました。";
constexpr const char* kParseProblem = "シナリオ解析時に問題が発生しました。";
constexpr const char* kQuoteMessage = "%sは正しくダブルクォーテーション(\")で括って下さい。";

}  // namespace

bool CScenarioReader::ReadWord(std::string* out, CScenarioSource& source, const char* delimiters,
                               size_t capacity) {
    std::optional<std::string> token = source.TakeToken(delimiters);
    if (!token) {
        ReportError(kUnknownError, &source);
        return false;
    }
    if (capacity != kUnbounded && token->size() + 1 > capacity) {
        ReportError(kOverflow, &source);
        return false;
    }
    *out = std::move(*token);
    return true;
}

int CScenarioReader::ReadInteger(int32_t* out, CScenarioSource& source, const char* label,
                                 int checks, int32_t lower, int32_t upper) {
    source.SkipChars(" \t\n");
    unsigned char first = source.Peek();
    if (source.AtEnd() || (first != '(' && first != '$')) {
        std::optional<std::string> literal = source.TakeToken(" \t\n}");
        if (!literal) {
            ReportError(kParseProblem, &source);
            return -1;
        }
        std::string_view digits = *literal;
        bool negative = !digits.empty() && digits.front() == '-';
        if (negative) digits.remove_prefix(1);
        for (char c : digits) {
            if (c < '0' || c > '9') {
                ReportError(format_string("%sを正しく記述してください。", label), &source);
                return -1;
            }
        }
        *out = decimal_to_int32(digits, negative);
    } else {
        int32_t start = source.GetPosition();
        int code = AnalyzeExpression(source, out, m_doc.m_variables);
        if (code != kExprOk) {
            source.SetPosition(start);
            ReportError(code == kExprDivideByZero ? "0 による割り算が発生しました。"
                                                  : "変数または演算式が正しく記述されていません。",
                        &source);
            return -1;
        }
    }
    if ((checks & kCheckUpper) && *out > upper) {
        ReportError(format_string("%sの上限値を超えています。", label), &source);
        return -1;
    }
    if ((checks & kCheckLower) && *out < lower) {
        ReportError(format_string("%sの下限値を超えています。", label), &source);
        return -1;
    }
    return 0;
}

bool CScenarioReader::ReadQuotedString(std::string* out, CScenarioSource& source,
                                       const char* label) {
    source.SkipChars(" \t\n");
    if (source.AtEnd() || source.Peek() != '"') {
        ReportError(format_string(kQuoteMessage, label), &source);
        return false;
    }
    source.Advance();
    std::string content;
    if (!ReadWord(&content, source, "\t\"\n}", kUnbounded)) {
        ReportError(kParseProblem, &source);
        return false;
    }
    if (source.Peek() != '"') {
        ReportError(format_string(kQuoteMessage, label), &source);
        return false;
    }
    source.Advance();
    *out = std::move(content);
    return true;
}

void CScenarioReader::ReportError(std::string_view message, const CScenarioSource* source) {
    std::string text;
    if (!source) {
        text = "シナリオ読み込み時にエラーが発生しました。\n";
        text += message;
    } else {
        std::string file = source->Path().empty() ? cp932_to_utf8(source->Name())
                                                  : reported_file_name(source->Path());
        text = format_string("シナリオ読み込み時にエラーが発生しました。\n%s : %d行目 :\n",
                             file.c_str(), source->LineNumber());
        text += message;
    }
    m_doc.ReportText(text);
}
