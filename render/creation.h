#pragma once
// One creation driven from the calling thread, the way a front end without a
// window system drives it: the calling thread is the owner of the settings record
// (it receives the control thread's window messages), starts the control thread,
// answers WM_RENDER_READY with WM_CTRL_START_RENDER, hands each progress message to
// the caller, and returns the outcome once WM_RENDER_FINISHED has arrived and the
// control thread has ended.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "base/message_queue.h"
#include "render/render_param.h"

struct CreationEvents {
    // WM_RENDER_READY: the writer is set up and frames are about to be made.
    std::function<void()> ready;
    // WM_RENDER_PROGRESS: the frame written last and its image (none when the
    // control thread gives none). The image is valid only during the call.
    std::function<void(int32_t frame, const CImageBuffer* image)> progress;
    // WM_OPEN_OUTPUT: the address of the finished page.
    std::function<void(const std::string& url)> open;
};

// One runner drives one creation.
class CreationRunner {
public:
    // Runs the creation described by `params` (its owner is set here); returns the
    // outcome code of WM_RENDER_FINISHED, kOutcomeThreads when the control thread
    // cannot be started.
    int Run(RenderParam& params, const CreationEvents& events);
    // Asks the running creation to stop, as the Abort button does: frames being
    // rendered finish, the file is closed. Safe from any thread and before Run.
    void Stop();
    // Why the last creation failed, in the writer's or the music's words.
    const std::string& FailureReason() const { return m_failureReason; }

private:
    MessageQueue m_owner;
    std::atomic<bool> m_stopRequested{false};
    std::string m_failureReason;
};
