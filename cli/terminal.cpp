#include "cli/terminal.h"

#include "cli/progress.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>

void TerminalReportSink::StatusLine(std::string_view text) {
    if (m_verbose) print_above_progress(std::string(text));
}

void TerminalReportSink::ShowError(std::string_view text) {
    print_above_progress(std::string(text));
}

AskAnswer TerminalReportSink::Ask(std::string_view text) {
    if (m_answerYes) return AskAnswer::Yes;
    if (!isatty(STDIN_FILENO)) {
        // Nobody can answer: say so, or the refusal that follows would be silent.
        std::cerr << kAskCaption << ": " << text << "\n"
                  << "vemo: answered No, since the standard input is not a terminal; "
                     "--yes answers Yes\n"
                  << std::flush;
        return AskAnswer::No;
    }
    std::cerr << kAskCaption << ": " << text << " [y/N] " << std::flush;
    std::string line;
    if (!std::getline(std::cin, line)) return AskAnswer::No;
    return (!line.empty() && (line[0] == 'y' || line[0] == 'Y')) ? AskAnswer::Yes : AskAnswer::No;
}
