#include "base/log.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <mutex>
#include <string>

namespace {

std::mutex g_log_mutex;
std::FILE* g_log_file = nullptr;  // guarded by g_log_mutex
std::atomic<bool> g_log_enabled{false};

std::string framed_line(std::string_view content) {
    constexpr size_t kWidth = 60;
    std::string line = "* ";
    line += content;
    if (line.size() < kWidth - 1) line.append(kWidth - 1 - line.size(), ' ');
    line += '*';
    return line;
}

// A new file of the log's own under its name. Whatever stood there is removed first
// and the file is made with O_EXCL and O_NOFOLLOW, so a symbolic or hard link left
// under the name (to a scenario, say) is never written through: the linked file
// keeps its bytes. Null when no file can be made.
std::FILE* create_log_file() {
    // Another process may recreate the name between the two steps: a few rounds.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (::unlink(kDebugLogName) != 0 && errno != ENOENT) return nullptr;
        int fd = ::open(kDebugLogName, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            std::FILE* file = ::fdopen(fd, "wb");
            if (!file) ::close(fd);
            return file;
        }
        if (errno != EEXIST) return nullptr;
    }
    return nullptr;
}

}  // namespace

void OpenDebugLog(bool enabled) {
    std::lock_guard lock(g_log_mutex);
    g_log_enabled = enabled;
    if (!enabled) return;
    if (g_log_file) std::fclose(g_log_file);
    g_log_file = create_log_file();
}

void CloseDebugLog() {
    std::lock_guard lock(g_log_mutex);
    if (!g_log_enabled) return;
    if (g_log_file) std::fclose(g_log_file);
    g_log_file = nullptr;
}

bool is_debug_log_enabled() {
    return g_log_enabled;
}

void log_text(std::string_view text) {
    if (!g_log_enabled) return;
    std::lock_guard lock(g_log_mutex);
    if (!g_log_file) return;
    std::fwrite(text.data(), 1, text.size(), g_log_file);
    std::fwrite("\r\n", 1, 2, g_log_file);
    // Flushed per line so that the log survives a crash of the process.
    std::fflush(g_log_file);
}

void LogLine(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = format_string_v(format, args);
    va_end(args);
    log_text(text);
}

void WriteBanner() {
    const std::string stars(60, '*');
    log_text(stars);
    log_text(framed_line("Vemo"));
    log_text(framed_line("Built by the Vemo developers for Linux."));
    log_text(stars);
}
