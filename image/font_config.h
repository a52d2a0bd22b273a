#pragma once
// Fonts for captions: fontconfig with the project's own rules on top of the system's,
// and one Pango font map per thread on that configuration.
//
// The rules (image/fonts/vemo_fonts.conf) map the scenarios' Japanese default face
// "ＭＳ ゴシック", and any face that is not installed, to IPAGothic. They are compiled
// into the library, so the program finds them without an install step and whatever its
// current directory.

#include <fontconfig/fontconfig.h>
#include <pango/pango.h>

#include <string>
#include <string_view>

// The process's caption configuration, made on first use (thread-safe) and kept for the
// life of the process; none when fontconfig cannot load any configuration.
FcConfig* caption_font_config();

// The calling thread's Pango font map on that configuration, made on first use and
// released when the thread ends. Pango font maps keep caches that are not safe to share,
// so every render worker draws with its own. None when it cannot be made.
PangoFontMap* thread_font_map();

// Family name of the font a caption naming `face` (UTF-8) is drawn with; empty when no
// font can be loaded.
std::string matched_font_family(std::string_view face);
