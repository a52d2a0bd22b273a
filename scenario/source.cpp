#include "scenario/source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>

namespace {

bool InSet(const char* set, unsigned char byte) {
    return byte != 0 && std::strchr(set, byte) != nullptr;
}

bool SetHasHighByte(const char* set) {
    for (const char* p = set; *p; ++p) {
        if (IsTwoByteLead(static_cast<unsigned char>(*p))) return true;
    }
    return false;
}

struct FdCloser {
    void operator()(const int* fd) const { ::close(*fd); }
};

}  // namespace

int CScenarioSource::LoadFile(const std::string& path, int64_t limit) {
    path_.clear();
    if (path.empty()) return -1;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -3;
    std::unique_ptr<int, FdCloser> hold(&fd);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) return -3;
    int64_t size = S_ISREG(info.st_mode) ? static_cast<int64_t>(info.st_size) : 0;
    if (limit != 0 && size > limit) return -6;
    if (size > kMaxLength) return -2;
    std::string bytes;
    try {
        bytes.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        return -2;
    }
    size_t got = 0;
    while (got < bytes.size()) {
        ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    if (got != bytes.size()) return -4;
    text_ = std::move(bytes);
    position_ = 0;
    path_ = path;
    return 0;
}

int CScenarioSource::SetText(std::string_view bytes) {
    if (static_cast<int64_t>(bytes.size()) > kMaxLength) return -2;
    // Like a C string: the text ends at its first NUL byte.
    size_t end = bytes.find('\0');
    if (end != std::string_view::npos) bytes = bytes.substr(0, end);
    text_.assign(bytes);
    if (position_ > length()) position_ = length();
    return 0;
}

int CScenarioSource::ReplaceText(std::string bytes) {
    if (static_cast<int64_t>(bytes.size()) > kMaxLength) return -2;
    text_ = std::move(bytes);
    position_ = 0;
    return 0;
}

void CScenarioSource::Append(const char* bytes, size_t count) {
    text_.append(bytes, count);
}

void CScenarioSource::SetPosition(int32_t offset) {
    if (offset < 0) offset = 0;
    if (offset > length()) offset = length();
    position_ = offset;
}

void CScenarioSource::Advance() {
    if (AtEnd()) return;
    int32_t step = IsTwoByteLead(Peek()) ? 2 : 1;
    position_ = (length() - position_ < step) ? length() : position_ + step;
}

unsigned char CScenarioSource::Get() {
    unsigned char byte = Peek();
    Advance();
    return byte;
}

int32_t CScenarioSource::SkipChars(const char* set) {
    if (SetHasHighByte(set)) return 0;
    int32_t start = position_;
    while (!AtEnd() && InSet(set, Peek())) Advance();
    return position_ - start;
}

int32_t CScenarioSource::SkipTo(char byte) {
    int32_t start = position_;
    while (!AtEnd() && Peek() != static_cast<unsigned char>(byte)) Advance();
    return position_ - start;
}

int32_t CScenarioSource::FindString(std::string_view needle) {
    int32_t start = position_;
    size_t found = needle.empty() ? static_cast<size_t>(position_)
                                  : text_.find(needle, static_cast<size_t>(position_));
    position_ = (found == std::string::npos) ? length() : static_cast<int32_t>(found);
    return position_ - start;
}

std::optional<std::string> CScenarioSource::TakeToken(const char* delimiters) {
    if (SetHasHighByte(delimiters)) return std::nullopt;
    const int32_t end = length();
    int32_t scan = position_;
    while (scan < end) {
        unsigned char byte = static_cast<unsigned char>(text_[static_cast<size_t>(scan)]);
        if (byte == 0 || InSet(delimiters, byte)) break;
        scan += IsTwoByteLead(byte) ? 2 : 1;
    }
    if (scan >= end || scan == position_) return std::nullopt;
    std::string token =
        text_.substr(static_cast<size_t>(position_), static_cast<size_t>(scan - position_));
    position_ = scan;
    return token;
}

int CScenarioSource::LineNumber() const {
    int line = 1;
    int32_t scan = 0;
    while (scan < position_) {
        unsigned char byte = static_cast<unsigned char>(text_[static_cast<size_t>(scan)]);
        if (byte == '\n') ++line;
        scan += IsTwoByteLead(byte) ? 2 : 1;
    }
    return line;
}

int CScenarioSource::ReplaceAll(std::string_view from, std::string_view to) {
    if (from.empty()) return -1;
    size_t found = text_.find(from, static_cast<size_t>(position_));
    if (found == std::string::npos) return -1;
    std::string result(text_, 0, found);
    size_t copied = found;
    while (found != std::string::npos) {
        result.append(text_, copied, found - copied);
        result.append(to);
        copied = found + from.size();
        found = text_.find(from, copied);
    }
    result.append(text_, copied, std::string::npos);
    text_ = std::move(result);
    if (position_ > length()) position_ = length();
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
                int32_t from = position_;
                Advance();
                std::memset(text_.data() + from, ' ', static_cast<size_t>(position_ - from));
            }
            continue;
        }
        Advance();
    }
}

void CScenarioSource::BlankCarriageReturns() {
    for (char& byte : text_) {
        if (byte == '\r') byte = ' ';
    }
}

void CScenarioSource::Preprocess() {
    Rewind();
    StripComments();
    BlankCarriageReturns();
    Rewind();
}
