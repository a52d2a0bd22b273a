#include "output/movie_base.h"

#include <cstdarg>

#include "base/report.h"

namespace {

int forward(const MovieCall& call, const char* format, va_list args) {
    if (!call) return 0;
    return call(format_string_v(format, args));
}

}  // namespace

CMovieBase::CMovieBase() : m_pMutex(std::make_unique<std::mutex>()) {}

CMovieBase::~CMovieBase() = default;

void CMovieBase::SetCalls(MovieCall error, MovieCall report, MovieCall trace) {
    m_errorCall = std::move(error);
    m_reportCall = std::move(report);
    m_traceCall = std::move(trace);
}

void CMovieBase::UseReportingCalls() {
    SetCalls(
        [](const std::string& text) {
            ErrorBox("%s", text.c_str());
            return 0;
        },
        [](const std::string& text) {
            Report("%s", text.c_str());
            return 0;
        },
        [](const std::string& text) {
            Trace("%s", text.c_str());
            return 0;
        });
}

void CMovieBase::SetVideo(int32_t width, int32_t height, int32_t frameBytes, int32_t frameRate,
                          int32_t scale, uint32_t videoBitrate, int32_t frameCount) {
    m_width = width;
    m_height = height;
    m_frameBytes = frameBytes;
    m_frameRate = frameRate;
    m_scale = scale;
    m_videoBitrate = videoBitrate;
    m_frameCount = frameCount;
}

void CMovieBase::SetAudio(int32_t channels, int32_t bitsPerSample, int32_t audioBufferSize,
                          int32_t sampleRate, uint32_t audioFlag) {
    m_channels = channels;
    m_bitsPerSample = bitsPerSample;
    m_audioBufferSize = audioBufferSize;
    m_sampleRate = sampleRate;
    m_audioFlag = audioFlag;
}

void CMovieBase::GetVideo(int32_t* width, int32_t* height, int32_t* frameBytes, int32_t* frameRate,
                          int32_t* scale, int32_t* frameCount) const {
    if (width) *width = m_width;
    if (height) *height = m_height;
    if (frameBytes) *frameBytes = m_frameBytes;
    if (frameRate) *frameRate = m_frameRate;
    if (scale) *scale = m_scale;
    if (frameCount) *frameCount = m_frameCount;
}

int CMovieBase::CallError(const char* format, ...) {
    va_list args;
    va_start(args, format);
    int result = forward(m_errorCall, format, args);
    va_end(args);
    return result;
}

int CMovieBase::CallReport(const char* format, ...) {
    va_list args;
    va_start(args, format);
    int result = forward(m_reportCall, format, args);
    va_end(args);
    return result;
}

int CMovieBase::CallTrace(const char* format, ...) {
    va_list args;
    va_start(args, format);
    int result = forward(m_traceCall, format, args);
    va_end(args);
    return result;
}

void CMovieBase::TraceVideoFormat() {
    CallTrace("+ WIDTH = %d", m_width);
    CallTrace("+ HEIGHT = %d", m_height);
    CallTrace("+ DATASIZE = %d", m_frameBytes);
    CallTrace("+ FRAME RATE = %d", m_frameRate);
    CallTrace("+ SCALE = %d", m_scale);
    CallTrace("+ LENGTH = %d", m_frameCount);
}

std::unique_lock<std::mutex> CMovieBase::LockFrames() {
    if (!m_pMutex) return {};
    return std::unique_lock<std::mutex>(*m_pMutex);
}
