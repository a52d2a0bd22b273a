#include "render/render_frame.h"

#include "base/clock.h"
#include "base/report.h"
#include "render/render.h"
#include "scenario/scenario.h"

CRenderFrame::~CRenderFrame() {
    m_queue.Close();
    Join();
}

bool CRenderFrame::Start(WorkShare* share) {
    if (share) m_queue.SetIdle([share] { share->Help(); });
    try {
        m_thread = std::thread([this, share] {
            WorkShareScope scope(share, &m_queue);
            Run();
        });
    } catch (const std::system_error&) {
        return false;
    }
    // Only a running worker is a member: the share never nudges a queue nobody reads.
    if (share) share->AddMember(&m_queue);
    return true;
}

void CRenderFrame::Join() {
    if (m_thread.joinable()) m_thread.join();
}

void CRenderFrame::Run() {
    m_queue.Run([this](const ThreadMessage& message) -> intptr_t {
        switch (message.number) {
            case WM_INIT_RENDER_FRAME:
                Initialize(reinterpret_cast<RenderJob*>(message.param));
                break;
            case WM_RENDER_FRAME:
                Render();
                break;
            case WM_TERM_RENDER_FRAME:
                Report("Terminating rendering thread(%d)", m_job ? m_job->index : -1);
                Report("-> OK.");
                m_queue.Quit();
                break;
            default:
                break;
        }
        return 0;
    });
}

void CRenderFrame::Initialize(RenderJob* job) {
    m_job = job;
    m_scenario = job->params->scenario;
    m_frameCount = m_scenario->TotalFrames();
    Report("Initializing rendering thread(%d)", job->index);
    if (!job->control->Queue().Post(WM_DONE_INIT_RENDER_FRAME,
                                    static_cast<uintptr_t>(job->index))) {
        ErrorBox("フレームレンダースレッドの初期化においてエラーが発生しました。");
        Report("-> Error.");
        return;
    }
    Report("-> OK.");
}

int64_t render_job_frame(RenderJob* job, CScenario* scenario, int32_t frameCount) {
    const int64_t started = process_clock_us();
    int32_t run = frameCount;
    job->image = scenario->GetImage(job->frame, &run, &job->context);
    job->runLength = run;
    return (process_clock_us() - started) / 1000;
}

void CRenderFrame::Render() {
    if (!m_job) return;
    const int32_t frame = m_job->frame;
    const uintptr_t index = static_cast<uintptr_t>(m_job->index);
    CScene* main = m_scenario->MainScene();
    if (main && main->TestFrame(FRAME_SERIAL, frame) == 1) {
        // Made on the control thread, in frame order.
        if (!m_job->control->Queue().Post(WM_PROXY_RENDER_FRAME, index)) {
            ErrorBox("フレームレンダースレッドにおいてエラーが発生しました。");
        }
        return;
    }
    const int64_t took = render_job_frame(m_job, m_scenario, m_frameCount);
    if (!m_job->control->Queue().Post(WM_DONE_RENDER_FRAME, index)) {
        ErrorBox("フレームレンダースレッドにおいてエラーが発生しました。");
    }
    Report("Frame(%d) rendered by thread(%d) in %d clocks.", frame, m_job->index,
           static_cast<int32_t>(took));
}
