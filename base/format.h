#pragma once
// printf-style formatting into an owned string, with no length limit.

#include <cstdarg>
#include <string>

#define VEMO_PRINTF(fmt_index, first_arg) __attribute__((format(printf, fmt_index, first_arg)))

std::string format_string(const char* format, ...) VEMO_PRINTF(1, 2);
std::string format_string_v(const char* format, va_list args);
