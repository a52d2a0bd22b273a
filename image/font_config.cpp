// The caption font configuration and the per-thread Pango font maps.
//
// The project's rules are parsed from memory into a configuration built on the system
// configuration, once for the process. They are handed only to Vemo's own font maps
// (never made fontconfig's current configuration), so other users of fontconfig in the
// same process, such as the desktop program's toolkit, keep the system's behaviour.

#include "image/font_config.h"

#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>

#include "base/log.h"
#include "image/font_rules.h"
#include "image/pango_util.h"

#ifndef __has_feature
#define __has_feature(x) 0
#endif
#if defined(__SANITIZE_ADDRESS__) || __has_feature(address_sanitizer)
// Fontconfig loses a few blocks while it parses the system configuration, in any
// program that loads it, and the font matches that Pango's helper threads still have in
// flight when a program ends look lost too; without this every sanitizer build of a
// program that draws a caption would fail its leak check. Read only by LeakSanitizer,
// and kept in this file because every such program links it.
extern "C" const char* __lsan_default_suppressions() {  // NOLINT(readability-identifier-naming)
    return "leak:libfontconfig.so\n";
}
#endif

namespace {

FcConfig* load_caption_config() {
    FcConfig* config = FcInitLoadConfig();
    if (!config) return nullptr;
    const auto* rules = reinterpret_cast<const FcChar8*>(kVemoFontRules);
    if (!FcConfigParseAndLoadFromMemory(config, rules, FcTrue))
        LogLine("+ The caption font rules could not be read; the system's font rules apply.");
    if (!FcConfigBuildFonts(config)) {
        FcConfigDestroy(config);
        return nullptr;
    }
    return config;
}

GObjectPtr<PangoFontMap> make_font_map() {
    FcConfig* config = caption_font_config();
    if (!config) return {};
    GObjectPtr<PangoFontMap> map(pango_cairo_font_map_new_for_font_type(CAIRO_FONT_TYPE_FT));
    if (!map || !PANGO_IS_FC_FONT_MAP(map.get())) return {};
    pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(map.get()), config);
    return map;
}

}  // namespace

FcConfig* caption_font_config() {
    // Never released: font maps of threads that outlive any owner may still use it.
    static FcConfig* const config = load_caption_config();
    return config;
}

PangoFontMap* thread_font_map() {
    thread_local const GObjectPtr<PangoFontMap> map = make_font_map();
    return map.get();
}

std::string matched_font_family(std::string_view face) {
    PangoFontMap* map = thread_font_map();
    if (!map) return {};
    GObjectPtr<PangoContext> context(pango_font_map_create_context(map));
    FontDescriptionPtr description(pango_font_description_new());
    const std::string family(face);
    pango_font_description_set_family(description.get(), family.c_str());
    pango_font_description_set_absolute_size(description.get(), 20 * PANGO_SCALE);
    GObjectPtr<PangoFont> font(pango_font_map_load_font(map, context.get(), description.get()));
    if (!font) return {};
    FontDescriptionPtr loaded(pango_font_describe(font.get()));
    const char* name = pango_font_description_get_family(loaded.get());
    return name ? name : "";
}
