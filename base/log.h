#pragma once
// The debug log "Vemo_debug.log": one line per call, shared by every thread.
//
// Lines follow one scheme: a step heading ("CAVIOut::CreateAVI"), detail lines
// starting with "+ ", and a closing "-> OK." or "-> Error.". Texts are UTF-8.

#include <string_view>

#include "base/format.h"

// Records the flag; when it is set, creates "Vemo_debug.log" in the current
// directory anew, replacing what stood under that name (a link is replaced, never
// followed). A file that cannot be created leaves the log closed and every later
// line is dropped silently.
void OpenDebugLog(bool enabled);
void CloseDebugLog();
bool is_debug_log_enabled();

// Formats with printf rules and, when the log is open, writes the text and "\r\n"
// as one atomic line.
void LogLine(const char* format, ...) VEMO_PRINTF(1, 2);
void log_text(std::string_view text);

// The four-line framed banner written once when the program starts logging.
void WriteBanner();

inline constexpr const char* kDebugLogName = "Vemo_debug.log";
