#pragma once
// A frame worker: one thread of its own that waits for a frame number, asks the
// scenario for the image of that frame of MAIN, leaves it in its job record and
// tells the control thread. Frames the scene graph wants made on the control
// thread (a clip decoded in order) are handed back there instead.

#include <cstdint>
#include <thread>

#include "base/message_queue.h"
#include "base/work_share.h"
#include "render/render_param.h"
#include "scene/render_context.h"

class CRender;

// One worker's job, shared with the control thread: the worker writes image and
// run length while the job's state is 1 (rendering); the control thread reads
// them after WM_DONE_RENDER_FRAME and keeps its own copies (output image, done
// frame) while the worker goes on with the next frame.
struct RenderJob {
    RenderParam* params = nullptr;
    CRender* control = nullptr;
    CImageBuffer* image = nullptr;        // what the worker got for frame
    CImageBuffer* outputImage = nullptr;  // image, taken when the job was done
    int32_t frame = 0;
    int32_t doneFrame = 0;  // frame, taken when the job was done
    int32_t state = -1;     // -1 never started, 1 rendering, 0 done
    int32_t runLength = 0;  // the scene graph's answer for frame
    int32_t index = 0;
    RenderContext context;
};

class CRenderFrame {
public:
    CRenderFrame() = default;
    ~CRenderFrame();
    CRenderFrame(const CRenderFrame&) = delete;
    CRenderFrame& operator=(const CRenderFrame&) = delete;

    // Starts the worker's thread, a member of `share` (when given) whose loops it helps
    // with while it waits for a frame; false when it cannot be started.
    bool Start(WorkShare* share = nullptr);
    MessageQueue& Queue() { return m_queue; }
    // Waits for the thread to end (after WM_TERM_RENDER_FRAME).
    void Join();

private:
    void Run();
    void Initialize(RenderJob* job);
    void Render();

    MessageQueue m_queue;
    std::thread m_thread;
    RenderJob* m_job = nullptr;
    CScenario* m_scenario = nullptr;
    int32_t m_frameCount = 0;
};

// Renders job's frame on the calling thread: the run length preset to the frame
// count, the image, the run length and the time taken stored in the job. The
// milliseconds taken.
int64_t render_job_frame(RenderJob* job, CScenario* scenario, int32_t frameCount);
