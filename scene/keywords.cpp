// Lookups in the keyword tables.

#include "scene/keywords.h"

int32_t keyword_code(std::span<const KeywordCode> table, std::string_view word) {
    for (const KeywordCode& entry : table) {
        if (entry.word == word) return entry.code;
    }
    return 0;
}

const char* keyword_word(std::span<const KeywordCode> table, int32_t code) {
    for (const KeywordCode& entry : table) {
        if (entry.code == code) return entry.word.data();
    }
    return nullptr;
}

const BlockKeyword* find_block_keyword(std::string_view word) {
    for (const BlockKeyword& entry : kBlockKeywords) {
        if (entry.word == word) return &entry;
    }
    return nullptr;
}

const char* scene_type_name(uint32_t type) {
    for (const BlockKeyword& entry : kBlockKeywords) {
        if (entry.type == type) return entry.word.data();
    }
    return "エラー";
}
