#pragma once
// The block grammars: every block keyword of the statement loop turns the block
// text that follows it into one scene.
//
// Every block has one shape: a quoted block name (MAIN has none), "{", statements
// (one word each, then its values), "}". The block's completion checks run when the
// closing brace is met, so a missing statement is reported on the line of the "}".
// The first failure is reported once, the half-built scene is dropped, and the
// statement loop stops.

#include <cstddef>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "scenario/reader.h"
#include "scene/scene.h"

// Reads the block that follows `keyword` (the source stands right after the word).
// Returns the finished scene, or null after the error has been reported.
std::unique_ptr<CScene> parse_block(CScenarioReader& reader, CScenarioSource& source,
                                    std::string_view keyword);

// One block being read: the statement loop, the once-rules and required statements
// with their messages, and the value readers. Every reading call reports its
// failure itself and returns false.
class BlockReader {
public:
    // `block` is the word the messages name ("STILL", "ZOOM", "LINE", ...).
    BlockReader(CScenarioReader& reader, CScenarioSource& source, std::string block)
        : m_reader(reader), m_source(source), m_block(std::move(block)) {}

    CScenarioReader& Reader() { return m_reader; }
    CScenarioSource& Source() { return m_source; }
    const std::string& Block() const { return m_block; }

    // The quoted block name, then "{".
    bool Head(CScene& scene);
    // "{" after optional blanks ("不正な記述があります。" otherwise).
    bool OpenBrace();
    // Reads statement words up to the block's "}" and hands each to `statement`,
    // which reads its values and returns false after reporting. Stops at the brace
    // without stepping over it, so the completion checks report on its line. A
    // text that ends before the "}" fails with a message naming the block.
    bool Statements(const std::function<bool(const std::string& word)>& statement);
    // Steps over the closing "}" after the completion checks passed and hands the
    // scene on; none when `ok` is false.
    std::unique_ptr<CScene> Finish(std::unique_ptr<CScene> scene, bool ok);

    // The once-rule of `what` (a statement, or a group of words such as
    // "( IN | OUT )"): the first use passes; a second is reported as
    // "<block> ブロックに、複数の <what> が定義されています。", or with `message`.
    bool Once(std::string_view what);
    bool OnceWith(std::string_view what, std::string_view message);
    bool Seen(std::string_view what) const { return m_seen.find(what) != m_seen.end(); }
    // Records `what` as given without a once-rule (statements that may repeat).
    void Mark(std::string_view what) { m_seen.emplace(what); }
    // A required statement: false after reporting
    // "<block> ブロックに、<what> が定義されていません。" when it is missing.
    bool Require(bool given, std::string_view what);
    // Reports `message` (UTF-8) at the current position; always false.
    bool Fail(std::string_view message);
    // Reports "<block> ブロック内では、<word> の記述はできません。"; always false.
    bool Unknown(std::string_view word);

    bool Integer(int32_t* out, const char* label, int checks, int32_t lower, int32_t upper);
    bool Free(int32_t* out, const char* label) { return Integer(out, label, 0, 0, 0); }
    bool AtLeast(int32_t* out, const char* label, int32_t lower) {
        return Integer(out, label, kCheckLower, lower, 0);
    }
    bool Quoted(std::string* out, const char* label);
    // One word up to a blank or "}" (the values of ALIGN and VALIGN).
    bool Word(std::string* out);
    // Three colour levels, alpha 255; with `alpha`, a fourth level.
    bool Color(CColor* out, bool alpha);
    // Four values in the order left, top, right, bottom; `badMessage` when left >
    // right or top > bottom.
    bool Rect(SceneRect* out, const char* label, int checks, int32_t lower,
              const std::string& badMessage);
    // A rectangle follows when the next byte after blanks starts a value (digit,
    // "-", "(" or "$").
    bool OptionalRect(bool* given, SceneRect* out, const std::string& badMessage);
    // INPUT "block" or !INPUT "block": appends an input link of `kind`; none after
    // reporting.
    CSceneLink* Input(CScene& scene, int32_t kind);
    // INPUT "block" with its optional rectangle.
    bool InputWithRect(CScene& scene, const std::string& badMessage);
    // The one INPUT or !INPUT of blocks that take a single input, once.
    bool SingleInput(CScene& scene, std::string_view word);
    // BGIMAGE "block": the background link, once.
    bool Background(CScene& scene);

private:
    CScenarioReader& m_reader;
    CScenarioSource& m_source;
    std::string m_block;
    std::set<std::string, std::less<>> m_seen;
};

// True for the two words of an input line.
inline bool is_input_word(std::string_view word) {
    return word == "INPUT" || word == "!INPUT";
}

// The grammars of the block families; `keyword` is the word that opened the block.
std::unique_ptr<CScene> parse_source_block(CScenarioReader& reader, CScenarioSource& source,
                                           std::string_view keyword);
std::unique_ptr<CScene> parse_motion_block(CScenarioReader& reader, CScenarioSource& source,
                                           std::string_view keyword);
std::unique_ptr<CScene> parse_transition_block(CScenarioReader& reader, CScenarioSource& source,
                                               std::string_view keyword);
std::unique_ptr<CScene> parse_composition_block(CScenarioReader& reader, CScenarioSource& source,
                                                std::string_view keyword);
