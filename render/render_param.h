#pragma once
// What the front end and the render engine share for one creation: the settings
// record, the message numbers by which the front end, the control thread and the
// frame workers talk, the outcome codes, and the front end's answers for the
// format's settings.

#include <atomic>
#include <cstdint>
#include <string>

#include "base/message_queue.h"
#include "image/image_buffer.h"
#include "output/avi_out.h"
#include "output/html_out.h"
#include "output/wm_out.h"

class CScenario;

// Messages, numbered from the first user message. A thread message goes to a
// thread's queue; a window message to the front end (its MessageTarget).
inline constexpr uint32_t WM_CTRL_INIT_RENDER = 0x40B;        // front end -> control: RenderParam*
inline constexpr uint32_t WM_RENDER_READY = 0x40C;            // control -> front end, posted
inline constexpr uint32_t WM_CTRL_START_RENDER = 0x40D;       // front end -> control
inline constexpr uint32_t WM_RENDER_FINISHED = 0x40F;         // control -> front end: outcome
inline constexpr uint32_t WM_CTRL_STOP_RENDER = 0x410;        // front end -> control
inline constexpr uint32_t WM_OPEN_OUTPUT = 0x411;             // control -> front end, sent
inline constexpr uint32_t WM_INIT_RENDER_FRAME = 0x415;       // control -> worker: RenderJob*
inline constexpr uint32_t WM_DONE_INIT_RENDER_FRAME = 0x416;  // worker -> control: index
inline constexpr uint32_t WM_RENDER_FRAME = 0x417;            // control -> worker
inline constexpr uint32_t WM_DONE_RENDER_FRAME = 0x418;       // worker or control -> control
inline constexpr uint32_t WM_RENDER_PROGRESS = 0x418;         // control -> front end, sent: frame
inline constexpr uint32_t WM_TERM_RENDER_FRAME = 0x419;       // control -> worker
inline constexpr uint32_t WM_PROXY_RENDER_FRAME = 0x41A;      // worker -> control: index

// Outcome codes of WM_RENDER_FINISHED.
inline constexpr int kOutcomeDone = 0;
inline constexpr int kOutcomeStopped = 1;      // the user stopped the creation
inline constexpr int kOutcomeInterrupted = 2;  // settings cancelled, or the writer not set up
inline constexpr int kOutcomeNotCreated = 3;   // the output could not be completed
inline constexpr int kOutcomeAudio = 4;
inline constexpr int kOutcomeFrame = 5;  // a frame could not be drawn or written
inline constexpr int kOutcomeThreads = 6;

// Output formats.
inline constexpr int32_t kFormatAvi = 0;
inline constexpr int32_t kFormatWindowsMedia = 1;
inline constexpr int32_t kFormatQuickTime = 2;
inline constexpr int32_t kFormatHtml = 3;

// The format's settings, asked of the front end by the control thread before the
// writer is made (the desktop program shows its dialogs on its own thread while
// the control thread waits; vemo answers from its options). False: cancelled.
class RenderChooser {
public:
    virtual ~RenderChooser() = default;
    virtual bool ChooseCompressor(CompressorSettings* settings) = 0;
    // `music`: the scenario has music (the audio bitrate is asked only then).
    virtual bool ChooseWindowsMedia(WindowsMediaSettings* settings, bool music) = 0;
    virtual bool ChooseHtml(HtmlSettings* settings) = 0;
};

// The settings record of one creation. The front end fills it before the control
// thread starts; fields 1, 4 and 10 stay shared while it runs: the control thread
// sets the image to draw just before it sends WM_RENDER_PROGRESS and the URL just
// before it sends WM_OPEN_OUTPUT (the front end reads them while it handles that
// message), and the front end may switch the gentle mode at any time.
struct RenderParam {
    CScenario* scenario = nullptr;                  // 0: owned by the front end
    std::atomic<CImageBuffer*> drawImage{nullptr};  // 1: the frame to show, or none
    int32_t frameBytes = 0;                         // 2: one 24-bit frame
    MessageTarget* owner = nullptr;                 // 3: where window messages go
    std::atomic<int32_t> gentle{0};                 // 4: pause BOARDBREAK ms per batch
    int32_t skip = 0;                               // 5: leave repeated frames unrendered
    int32_t format = kFormatAvi;                    // 6
    uint32_t encoderFlags = 0;                      // 7: probe_encoders()
    std::string outputName;                         // 8: file with extension, or HTML folder
    int32_t threadCount = 1;                        // 9: frame workers
    std::string outputUrl;                          // 10: "file:///..." of a finished page
    RenderChooser* chooser = nullptr;               // the settings dialogs' answers
};

// The bytes of one 24-bit frame of the screen, rows padded to 4 bytes.
inline int32_t frame_bytes_of(int32_t width, int32_t height) {
    const int64_t bytes = (int64_t{width} * 3 + 3) / 4 * 4 * height;
    return bytes > INT32_MAX ? INT32_MAX : static_cast<int32_t>(bytes);
}
