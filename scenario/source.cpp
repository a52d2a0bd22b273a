#include "scenario/source.h"

#include <algorithm>
#include <cstring>

#include "base/read_text.h"

namespace {

bool in_set(const char* set, unsigned char byte) {
    return byte != 0 && std::strchr(set, byte) != nullptr;
}

bool set_has_high_byte(const char* set) {
    for (const char* p = set; *p; ++p) {
        if (is_two_byte_lead(static_cast<unsigned char>(*p))) return true;
    }
    return false;
}

}  // namespace

int CScenarioSource::LoadFile(const std::string& path, int64_t limit,
                              const std::function<bool()>& question, std::string* reason) {
    m_path.clear();
    if (path.empty()) return -1;
    std::string bytes;
    const int code = read_whole_text(path, limit, question, &bytes, reason,
                                     std::min<int64_t>(kMaxTextBytes, kMaxLength));
    if (code != 0) return code;
    m_text = std::move(bytes);
    m_position = 0;
    m_path = path;
    return 0;
}

int CScenarioSource::SetText(std::string_view bytes) {
    if (static_cast<int64_t>(bytes.size()) > kMaxLength) return -2;
    // Like a C string: the text ends at its first NUL byte.
    size_t end = bytes.find('\0');
    if (end != std::string_view::npos) bytes = bytes.substr(0, end);
    m_text.assign(bytes);
    if (m_position > Length()) m_position = Length();
    return 0;
}

int CScenarioSource::ReplaceText(std::string bytes) {
    if (static_cast<int64_t>(bytes.size()) > kMaxLength) return -2;
    m_text = std::move(bytes);
    m_position = 0;
    return 0;
}

void CScenarioSource::Append(const char* bytes, size_t count) {
    m_text.append(bytes, count);
}

void CScenarioSource::SetPosition(int32_t offset) {
    if (offset < 0) offset = 0;
    if (offset > Length()) offset = Length();
    m_position = offset;
}

void CScenarioSource::Advance() {
    if (AtEnd()) return;
    int32_t step = is_two_byte_lead(Peek()) ? 2 : 1;
    m_position = (Length() - m_position < step) ? Length() : m_position + step;
}

unsigned char CScenarioSource::Get() {
    unsigned char byte = Peek();
    Advance();
    return byte;
}

int32_t CScenarioSource::SkipChars(const char* set) {
    if (set_has_high_byte(set)) return 0;
    int32_t start = m_position;
    while (!AtEnd() && in_set(set, Peek())) Advance();
    return m_position - start;
}

int32_t CScenarioSource::SkipTo(char byte) {
    int32_t start = m_position;
    while (!AtEnd() && Peek() != static_cast<unsigned char>(byte)) Advance();
    return m_position - start;
}

int32_t CScenarioSource::FindString(std::string_view needle) {
    int32_t start = m_position;
    size_t found = needle.empty() ? static_cast<size_t>(m_position)
                                  : m_text.find(needle, static_cast<size_t>(m_position));
    m_position = (found == std::string::npos) ? Length() : static_cast<int32_t>(found);
    return m_position - start;
}

std::optional<std::string> CScenarioSource::TakeToken(const char* delimiters) {
    if (set_has_high_byte(delimiters)) return std::nullopt;
    const int32_t end = Length();
    int32_t scan = m_position;
    while (scan < end) {
        unsigned char byte = static_cast<unsigned char>(m_text[static_cast<size_t>(scan)]);
        if (byte == 0 || in_set(delimiters, byte)) break;
        scan += is_two_byte_lead(byte) ? 2 : 1;
    }
    if (scan >= end || scan == m_position) return std::nullopt;
    std::string token =
        m_text.substr(static_cast<size_t>(m_position), static_cast<size_t>(scan - m_position));
    m_position = scan;
    return token;
}

int CScenarioSource::LineNumber() const {
    int line = 1;
    int32_t scan = 0;
    while (scan < m_position) {
        unsigned char byte = static_cast<unsigned char>(m_text[static_cast<size_t>(scan)]);
        if (byte == '\n') ++line;
        scan += is_two_byte_lead(byte) ? 2 : 1;
    }
    return line;
}

int CScenarioSource::ReplaceAll(std::string_view from, std::string_view to) {
    if (from.empty()) return -1;
    size_t found = m_text.find(from, static_cast<size_t>(m_position));
    if (found == std::string::npos) return -1;
    std::string result(m_text, 0, found);
    size_t copied = found;
    while (found != std::string::npos) {
        result.append(m_text, copied, found - copied);
        result.append(to);
        copied = found + from.size();
        found = m_text.find(from, copied);
    }
    result.append(m_text, copied, std::string::npos);
    m_text = std::move(result);
    if (m_position > Length()) m_position = Length();
    return 0;
}

void CScenarioSource::StripComments() {
    bool in_quotes = false;
    while (!AtEnd()) {
        unsigned char byte = Peek();
        if (byte == '"') {
            in_quotes = !in_quotes;
        } else if (byte == '#' && !in_quotes) {
            // Blank the whole comment, two-byte characters included, up to the newline.
            while (!AtEnd() && Peek() != '\n') {
                int32_t from = m_position;
                Advance();
                std::memset(m_text.data() + from, ' ', static_cast<size_t>(m_position - from));
            }
            continue;
        }
        Advance();
    }
}

void CScenarioSource::BlankCarriageReturns() {
    for (char& byte : m_text) {
        if (byte == '\r') byte = ' ';
    }
}

void CScenarioSource::Preprocess() {
    Rewind();
    StripComments();
    BlankCarriageReturns();
    Rewind();
}
