#include "base/report.h"

#include <atomic>
#include <cstdio>
#include <string>

#include "base/log.h"

namespace {

std::atomic<ReportSink*> g_sink{nullptr};

std::string log_formatted(const char* format, va_list args) {
    std::string text = format_string_v(format, args);
    log_text(text);
    return text;
}

}  // namespace

void set_report_sink(ReportSink* sink) {
    g_sink = sink;
}

void Trace(const char* format, ...) {
    va_list args;
    va_start(args, format);
    log_formatted(format, args);
    va_end(args);
}

void Report(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = log_formatted(format, args);
    va_end(args);
    if (ReportSink* sink = g_sink) sink->StatusLine(text);
}

void ErrorBox(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = log_formatted(format, args);
    va_end(args);
    if (ReportSink* sink = g_sink) {
        sink->ShowError(text);
    } else {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
}

AskAnswer AskBox(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = log_formatted(format, args);
    va_end(args);
    ReportSink* sink = g_sink;
    return sink ? sink->Ask(text) : AskAnswer::No;
}
