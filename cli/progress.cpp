#include "cli/progress.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "base/format.h"

namespace {

std::mutex g_lock;
std::string g_bar;  // the bar as drawn last; empty when none shows

// Erases the bar's line on the terminal.
constexpr const char* kClearLine = "\r\033[K";

std::string clock_text(int64_t seconds) {
    if (seconds >= 3600) {
        return format_string("%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                             static_cast<long long>(seconds / 60 % 60),
                             static_cast<long long>(seconds % 60));
    }
    return format_string("%lld:%02lld", static_cast<long long>(seconds / 60),
                         static_cast<long long>(seconds % 60));
}

}  // namespace

void print_above_progress(const std::string& text) {
    std::lock_guard<std::mutex> hold(g_lock);
    if (!g_bar.empty()) std::fputs(kClearLine, stderr);
    std::fputs(text.c_str(), stderr);
    std::fputc('\n', stderr);
    if (!g_bar.empty()) std::fputs(g_bar.c_str(), stderr);
    std::fflush(stderr);
}

ProgressDisplay::ProgressDisplay(int32_t total, bool terminal)
    : m_total(std::max(total, 0)), m_terminal(terminal) {}

ProgressDisplay::~ProgressDisplay() {
    End();
}

void ProgressDisplay::Show(int32_t done, int64_t elapsedMs) {
    done = std::clamp(done, 0, m_total);
    if (!m_terminal) {
        // The status window's progress text.
        print_above_progress(format_string("%d / %d : ( %lld 秒経過 )", done, m_total,
                                           static_cast<long long>(elapsedMs / 1000)));
        return;
    }
    constexpr int kWidth = 30;
    const int filled = m_total > 0 ? static_cast<int>(int64_t{done} * kWidth / m_total) : kWidth;
    const double fps = elapsedMs > 0 ? 1000.0 * done / static_cast<double>(elapsedMs) : 0.0;
    std::string left = "--:--";
    if (fps > 0) {
        left = clock_text(static_cast<int64_t>((m_total - done) / fps + 0.5));
    }
    std::string bar =
        "[" + std::string(static_cast<size_t>(filled), '#') +
        std::string(static_cast<size_t>(kWidth - filled), '.') + "] " +
        format_string("%d / %d frames  %.1f fps  %s left", done, m_total, fps, left.c_str());
    std::lock_guard<std::mutex> hold(g_lock);
    g_bar = bar;
    m_shown = true;
    std::fputs(kClearLine, stderr);
    std::fputs(bar.c_str(), stderr);
    std::fflush(stderr);
}

void ProgressDisplay::End() {
    std::lock_guard<std::mutex> hold(g_lock);
    if (!m_shown) return;
    m_shown = false;
    g_bar.clear();
    std::fputc('\n', stderr);
    std::fflush(stderr);
}
