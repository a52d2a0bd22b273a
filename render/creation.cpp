#include "render/creation.h"

#include "base/report.h"
#include "render/render.h"

namespace {

// Private to the owner's queue: a stop asked for from another thread, passed on to
// the control thread by the owner's loop.
constexpr uint32_t kStopRequest = kFirstUserMessage + 0x300;

}  // namespace

int CreationRunner::Run(RenderParam& params, const CreationEvents& events) {
    m_failureReason.clear();
    params.owner = &m_owner;
    CRender control;
    if (!control.Start()) return kOutcomeThreads;
    int outcome = kOutcomeDone;
    bool stopPassed = false;
    auto passStop = [&] {
        if (stopPassed) return;
        stopPassed = true;
        Report("Stopping rendering");
        control.Queue().Post(WM_CTRL_STOP_RENDER, 0);
        Report("-> OK.");
    };
    control.Queue().Post(WM_CTRL_INIT_RENDER, reinterpret_cast<uintptr_t>(&params));
    m_owner.Run([&](const ThreadMessage& message) -> intptr_t {
        switch (message.number) {
            case WM_RENDER_READY:
                if (events.ready) events.ready();
                control.Queue().Post(WM_CTRL_START_RENDER, 0);
                break;
            case WM_RENDER_PROGRESS:
                if (events.progress) {
                    events.progress(static_cast<int32_t>(message.param), params.drawImage.load());
                }
                break;
            case WM_OPEN_OUTPUT:
                if (events.open) events.open(params.outputUrl);
                break;
            case kStopRequest:
                passStop();
                break;
            case WM_RENDER_FINISHED:
                Report("Finishing rendering");
                outcome = static_cast<int>(message.param);
                m_owner.Quit();
                break;
            default:
                break;
        }
        return 0;
    });
    control.Join();
    m_failureReason = control.FailureReason();
    // Messages left over (a stop that came too late) are dropped with the loop.
    m_owner.RunPending([](const ThreadMessage&) -> intptr_t { return 0; });
    return outcome;
}

void CreationRunner::Stop() {
    if (m_stopRequested.exchange(true)) return;
    m_owner.Post(kStopRequest, 0);
}
