#pragma once
// The words of the scenario language that stand for codes of the scenes: block
// keywords and type codes, directions, fade and expand modes, text alignment and
// IMAGE effects. The grammars read with these tables and Dump writes with them, so
// each word and its code are written down once.

#include <cstdint>
#include <span>
#include <string_view>

#include "scene/scene.h"
#include "scene/scene_source.h"
#include "scene/scene_transition.h"

// A word and the code it stands for.
struct KeywordCode {
    std::string_view word;
    int32_t code;
};

// The code of `word` in `table`; 0 when the table lacks it.
int32_t keyword_code(std::span<const KeywordCode> table, std::string_view word);
// The word of `code` in `table` (the first one listed); none when the table lacks it.
const char* keyword_word(std::span<const KeywordCode> table, int32_t code);

// FILM and EXPAND.
inline constexpr KeywordCode kDirectionWords[] = {
    {"UP", DIRECTION_UP},
    {"DOWN", DIRECTION_DOWN},
    {"LEFT", DIRECTION_LEFT},
    {"RIGHT", DIRECTION_RIGHT},
};
inline constexpr KeywordCode kFadeModeWords[] = {
    {"IN", FADE_IN},
    {"OUT", FADE_OUT},
    {"INOUT", FADE_INOUT},
};
inline constexpr KeywordCode kExpandModeWords[] = {
    {"IN", EXPAND_IN},
    {"OUT", EXPAND_OUT},
};
// TEXT's ALIGN and VALIGN.
inline constexpr KeywordCode kAlignWords[] = {
    {"CENTER", TEXT_ALIGN_CENTER},
    {"RIGHT", TEXT_ALIGN_RIGHT},
    {"LEFT", TEXT_ALIGN_LEFT},
};
inline constexpr KeywordCode kValignWords[] = {
    {"CENTER", TEXT_VALIGN_CENTER},
    {"TOP", TEXT_VALIGN_TOP},
    {"BOTTOM", TEXT_VALIGN_BOTTOM},
};
// IMAGE effects that are a word alone, in the order the dump writes them.
inline constexpr KeywordCode kImageEffectWords[] = {
    {"SEPIA", IMAGE_SEPIA},       {"MONO", IMAGE_MONO},         {"NEGA", IMAGE_NEGA},
    {"DISCOLOR", IMAGE_DISCOLOR}, {"HIGHPASS", IMAGE_HIGHPASS}, {"RED", IMAGE_RED},
    {"GREEN", IMAGE_GREEN},       {"BLUE", IMAGE_BLUE},
};

// A block keyword of the statement loop: the scene type it makes and, for the
// words that name a mode too (FADEIN, EXPANDOUT, ...), that mode.
struct BlockKeyword {
    std::string_view word;
    uint32_t type;
    int32_t mode;
};

inline constexpr BlockKeyword kBlockKeywords[] = {
    {"IMAGE", SCENE_IMAGE, 0},
    {"TEXT", SCENE_TEXT, 0},
    {"DRAW", SCENE_DRAW, 0},
    {"MOVIE", SCENE_MOVIE, 0},
    {"STILL", SCENE_STILL, 0},
    {"ROTATE", SCENE_ROTATE, 0},
    {"ACTION", SCENE_ACTION, 0},
    {"ZOOM", SCENE_ZOOM, 0},
    {"SLIDE", SCENE_SLIDE, 0},
    {"FOCUS", SCENE_FOCUS, 0},
    {"FILM", SCENE_FILM, 0},
    {"FADE", SCENE_FADE, 0},
    {"FADEIN", SCENE_FADE, FADE_IN},
    {"FADEOUT", SCENE_FADE, FADE_OUT},
    {"FADEINOUT", SCENE_FADE, FADE_INOUT},
    {"CROSSFADE", SCENE_CROSSFADE, 0},
    {"MIX", SCENE_MIX, 0},
    {"SERIES", SCENE_SERIES, 0},
    {"SHAKE", SCENE_SHAKE, 0},
    {"MOSAIC", SCENE_MOSAIC, 0},
    {"EXPAND", SCENE_EXPAND, 0},
    {"EXPANDIN", SCENE_EXPAND, EXPAND_IN},
    {"EXPANDOUT", SCENE_EXPAND, EXPAND_OUT},
    {"CUT", SCENE_CUT, 0},
    {"ALPHA", SCENE_ALPHA, 0},
    {"SHADE", SCENE_SHADE, 0},
    {"MAIN", SCENE_MAIN, 0},
};

// The entry of a block keyword; none for any other word.
const BlockKeyword* find_block_keyword(std::string_view word);
