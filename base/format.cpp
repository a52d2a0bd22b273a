#include "base/format.h"

#include <cstdio>

std::string format_string_v(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    char small[256];
    int n = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (n < 0) return {};
    if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
    std::string text(static_cast<size_t>(n), '\0');
    std::vsnprintf(text.data(), text.size() + 1, format, args);
    return text;
}

std::string format_string(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = format_string_v(format, args);
    va_end(args);
    return text;
}
