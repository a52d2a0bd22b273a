#pragma once
// The progress of a creation on standard error: a bar redrawn in place on a
// terminal (frames done, frames per second, time left), otherwise one line per
// batch in the status window's words. Status lines and errors printed while the
// bar shows go above it.

#include <cstdint>
#include <string>

class ProgressDisplay {
public:
    // `total`: the frames the progress counts to; `terminal`: standard error is one.
    ProgressDisplay(int32_t total, bool terminal);
    ~ProgressDisplay();
    ProgressDisplay(const ProgressDisplay&) = delete;
    ProgressDisplay& operator=(const ProgressDisplay&) = delete;

    // `done` frames of the total are written; `elapsedMs` since the creation began.
    void Show(int32_t done, int64_t elapsedMs);
    // Leaves the bar as it stands and moves to a new line.
    void End();

private:
    int32_t m_total;
    bool m_terminal;
    bool m_shown = false;
};

// Prints `text` and a line end on standard error, above a progress bar if one is
// showing. Safe from any thread.
void print_above_progress(const std::string& text);
