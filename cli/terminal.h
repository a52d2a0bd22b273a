#pragma once
// The terminal's half of the reporting calls.

#include "base/report.h"

class TerminalReportSink : public ReportSink {
public:
    TerminalReportSink(bool answer_yes, bool verbose)
        : answer_yes_(answer_yes), verbose_(verbose) {}
    void StatusLine(std::string_view text) override;
    void ShowError(std::string_view text) override;
    AskAnswer Ask(std::string_view text) override;

private:
    bool answer_yes_;
    bool verbose_;
};
