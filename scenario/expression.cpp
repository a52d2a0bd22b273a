#include "scenario/expression.h"

#include <cstring>
#include <vector>

#include "base/log.h"
#include "scenario/source.h"

// Log lines of the evaluator cost a formatting each; skip them when nobody reads them.
#define EXPR_LOG(...)                                     \
    do {                                                  \
        if (is_debug_log_enabled()) LogLine(__VA_ARGS__); \
    } while (0)

namespace {

int32_t wrap(int64_t value) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
}

bool all_digits(std::string_view text) {
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// Index of the ")" matching the "(" at text[0], or npos.
size_t matching_parenthesis(std::string_view text) {
    int depth = 0;
    for (size_t i = 1; i < text.size(); ++i) {
        if (text[i] == '(') {
            ++depth;
        } else if (text[i] == ')') {
            if (depth == 0) return i;
            --depth;
        }
    }
    return std::string_view::npos;
}

// Offsets of the operators from `ops` that stand outside parentheses, counting
// depth from the right end as the split rule does; in text order.
std::vector<size_t> split_points(std::string_view text, const char* ops) {
    std::vector<size_t> points;
    int64_t depth = 0;
    for (size_t i = text.size(); i-- > 0;) {
        char c = text[i];
        if (c == ')') {
            ++depth;
        } else if (c == '(') {
            --depth;
        } else if (depth == 0 && std::strchr(ops, c) != nullptr) {
            points.push_back(i);
        }
    }
    return {points.rbegin(), points.rend()};
}

int evaluate(std::string_view text, int32_t* out, int nesting);

// A chain a0 op1 a1 op2 a2 ... split at every operator of one level. Equivalent to
// splitting at the rightmost operator and recursing into the left part, with the
// same log lines, but without one stack frame per operator.
int evaluate_chain(std::string_view text, const std::vector<size_t>& points, int32_t* out,
                   int nesting) {
    const size_t count = points.size();
    for (size_t j = count; j-- > 0;) {
        EXPR_LOG("+ %.*s : in left expression", static_cast<int>(points[j]), text.data());
        if (j > 0) EXPR_LOG("AnalyzeExpressionMain");
    }
    int32_t value = 0;
    int code = evaluate(text.substr(0, points[0]), &value, nesting);
    if (code != kExprOk) return code;
    for (size_t j = 0; j < count; ++j) {
        size_t begin = points[j] + 1;
        size_t end = (j + 1 < count) ? points[j + 1] : text.size();
        std::string_view right = text.substr(begin, end - begin);
        EXPR_LOG("+ %.*s : in right expression", static_cast<int>(right.size()), right.data());
        int32_t operand = 0;
        code = evaluate(right, &operand, nesting);
        if (code != kExprOk) return code;
        switch (text[points[j]]) {
            case '+':
                value = wrap(static_cast<int64_t>(value) + operand);
                break;
            case '-':
                value = wrap(static_cast<int64_t>(value) - operand);
                break;
            case '*':
                value = wrap(static_cast<int64_t>(value) * operand);
                break;
            default:
                if (operand == 0) return kExprDivideByZero;
                // INT32_MIN / -1 wraps to INT32_MIN instead of trapping.
                value = wrap(static_cast<int64_t>(value) / operand);
                break;
        }
    }
    *out = value;
    return kExprOk;
}

int evaluate(std::string_view text, int32_t* out, int nesting) {
    EXPR_LOG("AnalyzeExpressionMain");
    if (text.empty()) {
        *out = 0;
        return kExprOk;
    }
    if (all_digits(text)) {
        EXPR_LOG("+ %.*s : Number only", static_cast<int>(text.size()), text.data());
        *out = decimal_to_int32(text, false);
        return kExprOk;
    }
    if (text.front() == '(' && matching_parenthesis(text) == text.size() - 1) {
        std::string_view inside = text.substr(1, text.size() - 2);
        EXPR_LOG("+ %.*s : In parenthesis", static_cast<int>(inside.size()), inside.data());
        if (inside.empty()) return kExprInvalid;
        if (nesting >= kMaxExpressionNesting) return kExprInvalid;
        return evaluate(inside, out, nesting + 1);
    }
    std::vector<size_t> points = split_points(text, "+-");
    if (points.empty()) points = split_points(text, "*/");
    if (points.empty()) return kExprInvalid;
    return evaluate_chain(text, points, out, nesting);
}

}  // namespace

const std::string* CVariableTable::Find(const std::string& name) const {
    auto it = m_values.find(name);
    return it == m_values.end() ? nullptr : &it->second;
}

int32_t decimal_to_int32(std::string_view digits, bool negative) {
    int64_t value = 0;
    const int64_t limit = negative ? int64_t{1} << 31 : (int64_t{1} << 31) - 1;
    for (char c : digits) {
        value = value * 10 + (c - '0');
        if (value >= limit) {
            value = limit;
            break;
        }
    }
    return static_cast<int32_t>(negative ? -value : value);
}

std::optional<std::string> GetInsideParenthesis(CScenarioSource& source) {
    EXPR_LOG("GetInsideParenthesis");
    const std::string& text = source.Text();
    const size_t start = static_cast<size_t>(source.GetPosition());
    size_t open = text.find('(', start);
    if (open == std::string::npos) {
        EXPR_LOG("+ Not found '(' to EOF.");
        EXPR_LOG("+ offset = %d", source.GetPosition());
        return std::nullopt;
    }
    int depth = 0;
    size_t close = std::string::npos;
    for (size_t i = open + 1; i < text.size(); ++i) {
        if (text[i] == '(') {
            ++depth;
        } else if (text[i] == ')') {
            if (depth == 0) {
                close = i;
                break;
            }
            --depth;
        }
    }
    if (close == std::string::npos) {
        EXPR_LOG("+ Not found ')'");
        return std::nullopt;
    }
    source.SetPosition(static_cast<int32_t>(close + 1));
    if (close == open + 1) {
        EXPR_LOG("+ like as \"()\" ?");
        return std::nullopt;
    }
    return text.substr(open + 1, close - open - 1);
}

int AnalyzeExpression(CScenarioSource& source, int32_t* out, const CVariableTable& variables) {
    EXPR_LOG("AnalyzeExpression");
    std::optional<std::string> text;
    if (source.Peek() == '(') {
        text = GetInsideParenthesis(source);
    } else {
        int32_t start = source.GetPosition();
        if (GetInsideParenthesis(source)) {
            text = source.Text().substr(static_cast<size_t>(start),
                                        static_cast<size_t>(source.GetPosition() - start));
        }
    }
    if (!text) return kExprInvalid;
    EXPR_LOG("+ \"%s\"", text->c_str());

    // Substitute every reference in one pass: values are decimal text and never
    // hold a "$", so this equals substituting the first one again and again.
    CScenarioSource scan;
    scan.SetText(*text);
    std::string substituted;
    const bool logging = is_debug_log_enabled();
    while (!scan.AtEnd()) {
        int32_t from = scan.GetPosition();
        scan.FindString("$");
        substituted.append(scan.Text(), static_cast<size_t>(from),
                           static_cast<size_t>(scan.GetPosition() - from));
        if (scan.AtEnd()) break;
        scan.Advance();
        if (scan.Get() != '(') return kExprInvalid;
        scan.SkipChars(" \t\n");
        std::optional<std::string> name = scan.TakeToken(" \t\n)");
        if (!name) return kExprInvalid;
        scan.SkipChars(" \t\n");
        if (scan.Get() != ')') return kExprInvalid;
        const std::string* value = variables.Find(*name);
        if (!value) return kExprInvalid;
        substituted += *value;
        if (logging) {
            std::string now =
                substituted + scan.Text().substr(static_cast<size_t>(scan.GetPosition()));
            EXPR_LOG("+ \"%s\"", now.c_str());
        }
    }

    std::string clean;
    clean.reserve(substituted.size());
    for (char c : substituted) {
        if (c == ' ' || c == '\t' || c == '\n') continue;
        if (std::strchr("()+-*/0123456789", c) == nullptr || c == '\0') return kExprInvalid;
        clean += c;
    }
    return AnalyzeExpressionMain(clean, out);
}

int AnalyzeExpressionMain(std::string_view text, int32_t* out) {
    return evaluate(text, out, 0);
}
