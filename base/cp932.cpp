#include "base/cp932.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

namespace {

// One conversion descriptor per thread and direction: iconv state is not shared.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter() {
        if (m_cd != reinterpret_cast<iconv_t>(-1)) iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as possible; returns false on an invalid or unconvertible
    // sequence (with *in pointing at it) and true when all input was consumed.
    bool Run(const char** in, size_t* in_left, std::string* out) {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        while (*in_left > 0) {
            char buffer[1024];
            char* dst = buffer;
            size_t dst_left = sizeof buffer;
            char* src = const_cast<char*>(*in);
            size_t r = iconv(m_cd, &src, in_left, &dst, &dst_left);
            out->append(buffer, static_cast<size_t>(dst - buffer));
            *in = src;
            if (r == static_cast<size_t>(-1) && errno != E2BIG) return false;
        }
        return true;
    }

private:
    iconv_t m_cd;
};

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

bool is_lead_byte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

size_t utf8_sequence_length(unsigned char c) {
    if (c < 0x80) return 1;
    if (c >= 0xF0) return 4;
    if (c >= 0xE0) return 3;
    if (c >= 0xC0) return 2;
    return 1;
}

}  // namespace

std::string cp932_to_utf8(std::string_view cp932) {
    thread_local Converter converter("UTF-8", "CP932");
    std::string out;
    out.reserve(cp932.size() + cp932.size() / 2);
    if (!converter.Ok()) {
        for (unsigned char c : cp932) {
            if (c < 0x80)
                out += static_cast<char>(c);
            else
                out += kReplacement;
        }
        return out;
    }
    const char* in = cp932.data();
    size_t left = cp932.size();
    while (!converter.Run(&in, &left, &out)) {
        // Skip the whole bad character: a lead byte with its second byte, else one byte.
        size_t skip = (is_lead_byte(static_cast<unsigned char>(*in)) && left >= 2) ? 2 : 1;
        if (errno == EINVAL) skip = left;  // truncated at the end
        out += kReplacement;
        in += skip;
        left -= skip;
    }
    return out;
}

int utf8_to_cp932(std::string_view utf8, std::string* out, size_t* bad_offset) {
    thread_local Converter converter("CP932", "UTF-8");
    out->clear();
    if (!converter.Ok()) return -1;
    const char* in = utf8.data();
    size_t left = utf8.size();
    int result = 0;
    while (!converter.Run(&in, &left, out)) {
        if (result == 0 && bad_offset) *bad_offset = static_cast<size_t>(in - utf8.data());
        result = -1;
        size_t skip = std::min(utf8_sequence_length(static_cast<unsigned char>(*in)), left);
        *out += '?';
        in += skip;
        left -= skip;
    }
    return result;
}

bool is_utf8_with_multibyte(std::string_view bytes) {
    bool multibyte = false;
    size_t i = 0;
    while (i < bytes.size()) {
        auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        // The lead byte gives the length and the range its first continuation byte
        // may take, which excludes overlong forms, surrogates and values past U+10FFFF.
        size_t length = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            if (c == 0xE0) low = 0xA0;
            if (c == 0xED) high = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            if (c == 0xF0) low = 0x90;
            if (c == 0xF4) high = 0x8F;
        } else {
            return false;
        }
        if (bytes.size() - i < length) return false;
        for (size_t k = 1; k < length; ++k) {
            auto next = static_cast<unsigned char>(bytes[i + k]);
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) return false;
        }
        multibyte = true;
        i += length;
    }
    return multibyte;
}
