#pragma once
// The terminal's half of the reporting calls.

#include "base/report.h"

class TerminalReportSink : public ReportSink {
public:
    TerminalReportSink(bool answer_yes, bool verbose)
        : m_answerYes(answer_yes), m_verbose(verbose) {}
    void StatusLine(std::string_view text) override;
    void ShowError(std::string_view text) override;
    AskAnswer Ask(std::string_view text) override;

private:
    bool m_answerYes;
    bool m_verbose;
};
