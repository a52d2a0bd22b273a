#pragma once
// The reader: turns scenario text into a document. It holds the reading state (the
// folder of the file being read, nesting depths, what INCLUDE and CALL have read so
// far), the value readers every parser shares, and the statement loop with its
// header statements, INCLUDE, CHECKPOINT, MACRO, CALL and MAIN; block keywords go
// to the block grammars (scenario/blocks.h), which read through it.
//
// One reader reads one document, through CScenario::Load; the document never sees
// the reader's state.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "scenario/scenario.h"
#include "scenario/source.h"

// Bits of ReadInteger's checks.
inline constexpr int kCheckUpper = 1;
inline constexpr int kCheckLower = 2;
inline constexpr int kCheckBoth = kCheckUpper | kCheckLower;

// Capacity of every keyword and name buffer of the parsers: a word of this many
// bytes or more does not fit with its terminator.
inline constexpr size_t kWordCapacity = 256;
// ReadWord capacity meaning "no buffer": the word is returned whatever its length.
inline constexpr size_t kUnbounded = 0;

// Nesting limits: INCLUDE files and macro expansions being read inside each other.
inline constexpr int kMaxIncludeDepth = 64;
inline constexpr int kMaxCallDepth = 64;

// Limits on what INCLUDE statements may read into one document, so that files
// including the next one several times each (a fan-out without a loop) end with
// an error instead of being read billions of times.
inline constexpr int64_t kMaxIncludes = 10000;
inline constexpr int64_t kMaxIncludedBytes = int64_t{256} << 20;

// Limits on what macro calls may produce in one document, so that calls fanning
// out into further calls end with an error instead of running for ages.
inline constexpr int64_t kMaxExpansions = 100000;
inline constexpr int64_t kMaxExpandedBytes = int64_t{16} << 20;
// Bytes the substitutions of all expansions of one document may scan.
inline constexpr int64_t kMaxExpansionWork = int64_t{1} << 30;

// The size above which Load asks before reading a scenario file.
inline constexpr int64_t kScenarioSizeQuestion = 10485760;

class CScenarioReader {
public:
    explicit CScenarioReader(CScenario& doc) : m_doc(doc) {}
    CScenarioReader(const CScenarioReader&) = delete;
    CScenarioReader& operator=(const CScenarioReader&) = delete;

    // Reads one file into the document; `skipMain` for included files. 0 or -1.
    int LoadFile(const std::string& path, bool skipMain);

    // ---- value readers ----

    // Cuts a word up to one of `delimiters` into *out. Reports "不明なエラーが発生
    // しました。" when there is none, and with a capacity other than kUnbounded
    // "一時バッファをオーバーフローしました。" when the word and its terminator
    // exceed it.
    bool ReadWord(std::string* out, CScenarioSource& source, const char* delimiters,
                  size_t capacity = kWordCapacity);
    // A literal or an expression, checked against the limits selected by `checks`
    // (kCheckUpper, kCheckLower; both inclusive). `label` (UTF-8) names the value
    // in the messages. 0 or -1.
    int ReadInteger(int32_t* out, CScenarioSource& source, const char* label, int checks,
                    int32_t lower, int32_t upper);
    int ReadValue(int32_t* out, CScenarioSource& source, const char* label) {
        return ReadInteger(out, source, label, 0, 0, 0);
    }
    // A string between double quotes holding no tab, newline, "}" or quote.
    bool ReadQuotedString(std::string* out, CScenarioSource& source, const char* label);
    // Composes the report (with file name and line when there is a source) and
    // hands it to the document's error callback. `message` is UTF-8.
    void ReportError(std::string_view message, const CScenarioSource* source);

    // ---- what the block grammars tell the document ----
    void SetContainsMovie() { m_doc.m_containsMovie = true; }
    void SetMusicLinkUsed() { m_doc.m_musicLinkUsed = true; }

private:
    // A file that starts with a UTF-8 byte-order mark becomes code page 932.
    int ConvertUtf8Text(CScenarioSource& source);
    int ReadStatements(CScenarioSource& source, bool skipMain);
    int ReadStatement(CScenarioSource& source, const std::string& word, bool skipMain);
    int ReadVariable(CScenarioSource& source);
    int ReadInclude(CScenarioSource& source);
    int ReadAudio(CScenarioSource& source);
    int ReadCheckpoint(CScenarioSource& source);
    int ReadMacro(CScenarioSource& source);
    int ReadCall(CScenarioSource& source);
    int ReadMain(CScenarioSource& source, bool skipMain);
    int ReadBlock(CScenarioSource& source, std::string_view keyword);
    CMacro* FindMacro(const std::string& name) const;

    CScenario& m_doc;
    // Folder (file-system form) of the file being read; every scene records it.
    std::string m_currentFolder;
    int m_includeDepth = 0;
    int m_callDepth = 0;
    int64_t m_includes = 0;
    int64_t m_includedBytes = 0;
    int64_t m_expansions = 0;
    int64_t m_expandedBytes = 0;
    int64_t m_expansionWork = kMaxExpansionWork;  // what is left
};
