#pragma once
// The root of the movie writers and readers: the reporting calls an object uses,
// the file it writes or reads, the video and music format, and the mutex that
// serialises the frame calls of one object.
//
// The three calls (error, report, trace) are installed by the owner; until then
// they do nothing and answer 0, so a reader or writer can run without anybody
// listening.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "base/format.h"

// One reporting call; receives the finished UTF-8 text.
using MovieCall = std::function<int(const std::string& text)>;

class CMovieBase {
public:
    CMovieBase();
    virtual ~CMovieBase();
    CMovieBase(const CMovieBase&) = delete;
    CMovieBase& operator=(const CMovieBase&) = delete;

    // Results: 0 for success, non-zero for failure.
    virtual int EnableTest() { return 0; }
    virtual int Initialize() { return 0; }
    virtual int Finish() { return 0; }

    // An empty call does nothing and answers 0.
    void SetCalls(MovieCall error, MovieCall report, MovieCall trace);
    // Installs the engine's own reporting calls: ErrorBox, Report and Trace.
    void UseReportingCalls();

    void SetFileName(const std::string& name) { m_fileName = name; }
    const std::string& GetFileName() const { return m_fileName; }

    void SetVideo(int32_t width, int32_t height, int32_t frameBytes, int32_t frameRate,
                  int32_t scale, uint32_t videoBitrate, int32_t frameCount);
    void SetAudio(int32_t channels, int32_t bitsPerSample, int32_t audioBufferSize,
                  int32_t sampleRate, uint32_t audioFlag);
    // Every out-place may be null.
    void GetVideo(int32_t* width, int32_t* height, int32_t* frameBytes, int32_t* frameRate,
                  int32_t* scale, int32_t* frameCount) const;

protected:
    int CallError(const char* format, ...) VEMO_PRINTF(2, 3);
    int CallReport(const char* format, ...) VEMO_PRINTF(2, 3);
    int CallTrace(const char* format, ...) VEMO_PRINTF(2, 3);
    // Traces the video format: "+ WIDTH = %d" ... "+ LENGTH = %d".
    void TraceVideoFormat();
    // Holds m_pMutex while it exists; an empty lock once a writer deleted it.
    std::unique_lock<std::mutex> LockFrames();

    MovieCall m_errorCall;
    MovieCall m_reportCall;
    MovieCall m_traceCall;
    std::string m_fileName;  // output file or folder, or the file to read (UTF-8)
    int32_t m_width = 0;     // frame size in pixels
    int32_t m_height = 0;
    int32_t m_frameBytes = 0;  // one 24-bit frame, rows padded to 4 bytes
    int32_t m_frameRate = 0;   // one frame lasts m_scale / m_frameRate seconds
    int32_t m_scale = 0;
    uint32_t m_videoBitrate = 0;  // bits per second
    int32_t m_frameCount = 0;     // number of frame positions
    int32_t m_channels = 0;       // music format
    int32_t m_bitsPerSample = 0;
    int32_t m_audioBufferSize = 0;  // largest music chunk in bytes
    int32_t m_sampleRate = 0;
    uint32_t m_audioFlag = 0;  // 0: no music; otherwise the format's audio setting
    // Serialises the frame calls of this object. A writer's Finish may delete it;
    // code that locks it checks for none first.
    std::unique_ptr<std::mutex> m_pMutex;
};
