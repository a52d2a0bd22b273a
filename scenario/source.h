#pragma once
// The text every scenario parser reads from: a file, an included file or a macro
// expansion. Parsers move the position, peek at bytes and cut tokens up to the
// delimiters they choose; there is no separate tokenizer.
//
// Bytes are code page 932. Every byte 0x80-0xFF starts a two-byte character whose
// second byte is never compared with a delimiter, quote, comment mark or newline.
// The preprocessing steps overwrite comments and carriage returns with blanks in
// place, so offsets and line numbers stay those of the text as written.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

class CScenarioSource {
public:
    // Largest text a source holds: offsets are signed 32-bit.
    static constexpr int64_t kMaxLength = 0x7ffffffe;

    // Reads the whole file at `path` (a file-system path, UTF-8), or a stream (a
    // pipe, a FIFO, /dev/stdin) to its end. With a non-zero `limit`, a text larger
    // than that is read on only when `question` says so (none counts as No) and -6
    // is returned otherwise. Codes: -1 no path, -2 out of memory (or too large to
    // hold), -3 cannot be opened, -4 a read failed, -6 over the limit, -7 beyond
    // the most a document reads. On failure the stored path is dropped and
    // `reason` (when given) says why in the system's words.
    int LoadFile(const std::string& path, int64_t limit, const std::function<bool()>& question = {},
                 std::string* reason = nullptr);

    // Replaces the text with the bytes up to the first NUL, like a C string; the
    // position is left as it is (clamped to the new end).
    int SetText(std::string_view bytes);
    // Replaces the text with every byte of `bytes`, NULs included, and rewinds.
    int ReplaceText(std::string bytes);
    void SetName(std::string name) { m_name = std::move(name); }
    void SetPath(std::string path) { m_path = std::move(path); }
    void Append(const char* bytes, size_t count);

    const std::string& Path() const { return m_path; }
    const std::string& Name() const { return m_name; }
    const std::string& Text() const { return m_text; }
    int32_t Length() const { return static_cast<int32_t>(m_text.size()); }

    void Rewind() { m_position = 0; }
    int32_t GetPosition() const { return m_position; }
    void SetPosition(int32_t offset);
    bool AtEnd() const { return m_position >= Length(); }

    // The byte at the position; 0 at the end.
    unsigned char Peek() const {
        return AtEnd() ? 0 : static_cast<unsigned char>(m_text[static_cast<size_t>(m_position)]);
    }
    // One character forward: two bytes for a lead byte, never past the end.
    void Advance();
    // The byte at the position, then Advance; 0 at the end.
    unsigned char Get();

    // Advances while the byte at the position is in `set`; returns the bytes skipped.
    int32_t SkipChars(const char* set);
    // Advances until the byte at the position is `byte` or the end is reached.
    int32_t SkipTo(char byte);
    // Moves to the next byte-wise occurrence of `needle` (or the end).
    int32_t FindString(std::string_view needle);

    // Cuts the token from the position up to the first byte in `delimiters` (or a
    // NUL byte). Nothing, and the position unchanged, when the token would be empty
    // or no delimiter follows before the end. Otherwise the position stands on the
    // delimiter.
    std::optional<std::string> TakeToken(const char* delimiters);

    // 1 + the newlines before the position (two-byte characters stepped over).
    int LineNumber() const;

    // Replaces every occurrence of `from` at or after the position by `to`; -1 when
    // there was none.
    int ReplaceAll(std::string_view from, std::string_view to);

    void StripComments();
    void BlankCarriageReturns();
    // Both of the above, with the position rewound before and after.
    void Preprocess();

private:
    std::string m_path;
    std::string m_name;
    std::string m_text;
    int32_t m_position = 0;
};

// True for a byte that starts a two-byte character.
inline bool is_two_byte_lead(unsigned char byte) {
    return byte >= 0x80;
}
