// MACRO definitions, CALL statements and the expansion of macros.

#include "scenario/macro.h"

#include <string_view>

#include "base/cp932.h"
#include "base/format.h"
#include "base/log.h"

// Macro log lines convert names and values first; skip all of it when nobody reads them.
#define MACRO_LOG(...)                                    \
    do {                                                  \
        if (is_debug_log_enabled()) LogLine(__VA_ARGS__); \
    } while (0)

namespace {

// Replaces every occurrence of `from` in *text by `to`. -1 when the result would
// exceed `max_bytes` (the text is then unchanged).
int replace_every(std::string* text, std::string_view from, std::string_view to,
                  int64_t max_bytes) {
    if (from.empty()) return 0;
    size_t found = text->find(from);
    if (found == std::string::npos) return 0;
    if (to.size() > from.size()) {
        int64_t count = 0;
        for (size_t at = found; at != std::string::npos; at = text->find(from, at + from.size())) {
            ++count;
        }
        int64_t grown = static_cast<int64_t>(text->size()) +
                        count * static_cast<int64_t>(to.size() - from.size());
        if (grown > max_bytes) return -1;
    }
    std::string result;
    result.reserve(text->size());
    size_t copied = 0;
    while (found != std::string::npos) {
        result.append(*text, copied, found - copied);
        result.append(to);
        copied = found + from.size();
        found = text->find(from, copied);
    }
    result.append(*text, copied, std::string::npos);
    *text = std::move(result);
    return 0;
}

std::string reference(const std::string& name) {
    return "$(" + name + ")";
}

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

}  // namespace

void CMacro::SetName(std::string name) {
    m_name = std::move(name);
    MACRO_LOG("MACRO \"%s\"", cp932_to_utf8(m_name).c_str());
}

void CMacro::AddArgument(std::string name, bool array) {
    MACRO_LOG(array ? "+ ARGUMENT : \"%s\" : ARRAY" : "+ ARGUMENT : \"%s\" : NORMAL",
              cp932_to_utf8(name).c_str());
    m_arguments.push_back({std::move(name), std::string(), array});
    ++m_declaredCount;
    if (array) ++m_arrayCount;
}

void CMacro::Bind(int64_t index, const std::string& value) {
    if (index < 0) return;
    if (index < m_declaredCount) {
        CMacroArgument& argument = m_arguments[static_cast<size_t>(index)];
        MACRO_LOG("+ \"%s\" <- \"%s\"", cp932_to_utf8(argument.name).c_str(),
                  cp932_to_utf8(value).c_str());
        argument.value = value;
        return;
    }
    if (m_arrayCount == 0) return;
    int64_t slot = (m_declaredCount - m_arrayCount) + (index - m_declaredCount) % m_arrayCount;
    CMacroArgument entry = m_arguments[static_cast<size_t>(slot)];
    entry.value = value;
    MACRO_LOG("+ \"%s\" <- \"%s\"", cp932_to_utf8(entry.name).c_str(),
              cp932_to_utf8(value).c_str());
    m_arguments.push_back(std::move(entry));
}

void CMacro::ResetBindings() {
    m_arguments.resize(static_cast<size_t>(m_declaredCount));
}

int CMacro::Expand(std::string* out, int64_t max_bytes, int64_t* work) {
    // Every substitution scans the whole text; a macro with many arguments over a
    // long body would otherwise keep the reader busy for hours.
    auto replace = [&](std::string* text, std::string_view from, std::string_view to) {
        *work -= static_cast<int64_t>(text->size());
        if (*work < 0) return -1;
        return replace_every(text, from, to, max_bytes);
    };
    std::string text = m_body;
    size_t first_array = 0;
    while (first_array < m_arguments.size() && !m_arguments[first_array].array) {
        const CMacroArgument& argument = m_arguments[first_array];
        if (replace(&text, reference(argument.name), argument.value) != 0) {
            return kExpandTooLarge;
        }
        ++first_array;
    }
    if (m_arrayCount == 0) {
        if (static_cast<int64_t>(text.size()) > max_bytes) return kExpandTooLarge;
        ++m_expansions;
        *out = std::move(text);
        return 0;
    }

    static constexpr std::string_view kForeach = "FOREACH";
    static constexpr std::string_view kEndForeach = "ENDFOREACH";
    const size_t groups = (m_arguments.size() - first_array) / static_cast<size_t>(m_arrayCount);
    std::string result;
    size_t scan = 0;
    for (;;) {
        size_t start = text.find(kForeach, scan);
        if (start == std::string::npos) {
            result.append(text, scan, std::string::npos);
            break;
        }
        result.append(text, scan, start - scan);
        size_t body = start + kForeach.size();
        if (body >= text.size() || !is_blank(text[body])) return kExpandFailed;
        size_t end = text.find(kEndForeach, body);
        if (end == std::string::npos) end = text.size();
        const std::string section = text.substr(body, end - body);
        for (size_t group = 0; group < groups; ++group) {
            std::string copy = section;
            size_t first = first_array + group * static_cast<size_t>(m_arrayCount);
            for (size_t k = 0; k < static_cast<size_t>(m_arrayCount); ++k) {
                const CMacroArgument& entry = m_arguments[first + k];
                if (replace(&copy, reference(entry.name), entry.value) != 0) {
                    return kExpandTooLarge;
                }
            }
            if (replace(&copy, "$$", format_string("%04zu", group)) != 0) {
                return kExpandTooLarge;
            }
            if (static_cast<int64_t>(result.size() + copy.size()) > max_bytes) {
                return kExpandTooLarge;
            }
            result += copy;
        }
        scan = end + kEndForeach.size();
        if (scan >= text.size()) break;
        if (!is_blank(text[scan])) return kExpandFailed;
    }
    ++m_expansions;
    *out = std::move(result);
    return 0;
}
