#pragma once
// The engine's only way to reach a person. Each call logs its text first; the
// user-facing half (status window, message box, question) is whatever the front
// end installed with set_report_sink. Texts are UTF-8.

#include <string_view>

#include "base/format.h"

enum class AskAnswer { Yes, No };

class ReportSink {
public:
    virtual ~ReportSink() = default;
    // One line for the status window.
    virtual void StatusLine(std::string_view text) = 0;
    // A modal error message, caption "エラー".
    virtual void ShowError(std::string_view text) = 0;
    // A Yes/No question, caption "確認".
    virtual AskAnswer Ask(std::string_view text) = 0;
};

// Installs the front end's sink (none: errors go to standard error, status lines
// nowhere, questions are answered No). The sink must outlive every call made
// while it is installed.
void set_report_sink(ReportSink* sink);

void Trace(const char* format, ...) VEMO_PRINTF(1, 2);
void Report(const char* format, ...) VEMO_PRINTF(1, 2);
void ErrorBox(const char* format, ...) VEMO_PRINTF(1, 2);
AskAnswer AskBox(const char* format, ...) VEMO_PRINTF(1, 2);

inline constexpr const char* kErrorCaption = "エラー";
inline constexpr const char* kAskCaption = "確認";
