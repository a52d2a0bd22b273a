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
#include <memory>
#include <string>
#include <string_view>

#include "scenario/scenario.h"
#include "scene/scene.h"

// Reads the block that follows `keyword` (the source stands right after the word).
// Returns the finished scene, or null after the error has been reported.
std::unique_ptr<CScene> parse_block(CScenario& doc, CScenarioSource& source,
                                    std::string_view keyword);

// ---- shared by the block grammars ----

// Reading helpers over one block: each reports its failure and returns false.
class BlockReader {
public:
    BlockReader(CScenario& doc, CScenarioSource& source) : m_doc(doc), m_source(source) {}

    CScenario& Doc() { return m_doc; }
    CScenarioSource& Source() { return m_source; }

    // Reports `message` (UTF-8) at the current position; always false.
    bool Fail(std::string_view message);
    // Reports `message` and yields no scene.
    std::nullptr_t Refuse(std::string_view message) {
        Fail(message);
        return nullptr;
    }
    // Reports "<block> ブロック内では、<word> の記述はできません。"; always false.
    bool Unknown(std::string_view block, std::string_view word);

    // The quoted block name, then "{".
    bool Head(CScene& scene);
    // "{" after optional blanks ("不正な記述があります。" otherwise).
    bool OpenBrace();
    // Next statement of the block: 1 with the word, 0 at the closing "}" (not yet
    // stepped over, so completion checks report on its line), -1 on failure. A text
    // that ends before the "}" fails with a message naming `block`.
    int Next(std::string_view block, std::string* word);
    // Steps over the closing "}".
    void Close() { m_source.Advance(); }

    bool Integer(int32_t* out, const char* label, int checks, int32_t lower, int32_t upper);
    bool Free(int32_t* out, const char* label) { return Integer(out, label, 0, 0, 0); }
    bool AtLeast(int32_t* out, const char* label, int32_t lower) {
        return Integer(out, label, kCheckLower, lower, 0);
    }
    bool Quoted(std::string* out, const char* label);
    // Three colour levels, alpha 255; with `alpha`, a fourth level.
    bool Color(CColor* out, bool alpha);
    // Four values in the order left, top, right, bottom; `badMessage` when left >
    // right or top > bottom.
    bool Rect(SceneRect* out, const char* label, int checks, int32_t lower,
              const std::string& badMessage);
    // A rectangle follows when the next byte after blanks starts a value (digit,
    // "-", "(" or "$").
    bool OptionalRect(bool* given, SceneRect* out, const std::string& badMessage);
    // INPUT "block" or !INPUT "block": appends an input link of `kind`.
    CSceneLink* Input(CScene& scene, int32_t kind);
    // BGIMAGE "block": the background link.
    bool Background(CScene& scene);

private:
    CScenario& m_doc;
    CScenarioSource& m_source;
};

// The grammars of the block families; `keyword` is the word that opened the block.
std::unique_ptr<CScene> parse_source_block(BlockReader& in, std::string_view keyword);
std::unique_ptr<CScene> parse_motion_block(BlockReader& in, std::string_view keyword);
std::unique_ptr<CScene> parse_transition_block(BlockReader& in, std::string_view keyword);
std::unique_ptr<CScene> parse_composition_block(BlockReader& in, std::string_view keyword);
