#pragma once
// Code page 932 (the scenario's encoding) to and from UTF-8 (everything outside
// the document: messages, paths, the terminal, Pango, the log).

#include <cstddef>
#include <string>
#include <string_view>

// Never fails: a byte sequence that is not valid CP932 becomes U+FFFD.
std::string cp932_to_utf8(std::string_view cp932);

// Converts UTF-8 to CP932 into *out. Returns 0, or -1 when the text holds a
// character CP932 lacks or a sequence that is not UTF-8; such a character becomes
// "?" in *out and, when bad_offset is given, the byte offset in `utf8` of the
// first one is stored there.
int utf8_to_cp932(std::string_view utf8, std::string* out, size_t* bad_offset = nullptr);

// Whether `bytes` are entirely valid UTF-8 (no overlong forms, surrogates or code
// points past U+10FFFF) and hold at least one multi-byte sequence: the test by
// which a file without a byte-order mark is taken to be UTF-8. Pure ASCII is not.
bool is_utf8_with_multibyte(std::string_view bytes);
