// The control thread: set-up, batches of frames, output in frame order, finishing.

#include "render/render.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <utility>

#include "base/clock.h"
#include "base/cp932.h"
#include "base/report.h"
#include "output/qt_out.h"
#include "scenario/scenario.h"

CRender::~CRender() {
    m_queue.Close();
    Join();
    // A creation that never finished (its thread gone before the end) leaves no
    // worker behind.
    for (auto& worker : m_workers) {
        worker->Queue().Close();
        worker->Join();
    }
}

bool CRender::Start() {
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void CRender::Join() {
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) m_thread.join();
}

void CRender::Run() {
    m_queue.Run([this](const ThreadMessage& message) { return Handle(message); });
    Trace("CRender::ExitInstance");
}

intptr_t CRender::Handle(const ThreadMessage& message) {
    const auto index = static_cast<int32_t>(message.param);
    switch (message.number) {
        case WM_CTRL_INIT_RENDER:
            Initialize(reinterpret_cast<RenderParam*>(message.param));
            break;
        case WM_CTRL_START_RENDER:
            StartRendering();
            break;
        case WM_CTRL_STOP_RENDER:
            OnCtrlStopRender();
            break;
        case WM_DONE_INIT_RENDER_FRAME:
            OnDoneInitRenderFrame(index);
            break;
        case WM_DONE_RENDER_FRAME:
            OnDoneRenderFrame(index);
            break;
        case WM_PROXY_RENDER_FRAME:
            ProxyRender(index);
            break;
        default:
            break;
    }
    return 0;
}

// ---- set-up ----

void CRender::Initialize(RenderParam* params) {
    Report("Initializing control thread");
    m_params = params;
    m_scenario = params->scenario;
    m_frameBytes = params->frameBytes;
    m_owner = params->owner;
    m_outputName = params->outputName;
    m_threadCount = std::max(params->threadCount, 1);
    m_format = params->format;
    m_frameRate = m_scenario->FrameRate();
    m_scale = m_scenario->Scale();
    m_scenario->ResetScenes();

    m_step = m_scenario->RenderMode() == 2 ? std::max(m_scenario->PreviewScale(), 1) : 1;
    m_endFrame = m_scenario->TotalFrames() / m_step * m_step;
    m_startFrame = m_format == kFormatHtml ? 0 : m_scenario->StartFrame() / m_step * m_step;
    const int32_t engine = m_scenario->EngineVersion();
    if (engine == 1 || engine == 2) {
        Report("+ Rendering engine version = %d.", engine);
    } else {
        Report("+ Rendering engine version = unknown.");
    }

    // The music reader keeps the do-nothing reporting calls: its own lines and
    // texts are not shown.
    m_musicReader = std::make_unique<CAVIOut>();
    m_musicReader->Initialize();
    const bool music = !m_scenario->AudioPath().empty() && m_format != kFormatHtml;
    if (music && m_music.Prepare(m_musicReader.get(), m_scenario->AudioPath(), m_frameRate, m_scale,
                                 m_startFrame, m_endFrame, m_scenario->TotalFrames()) != 0) {
        m_failureReason = m_musicReader->LastError().empty() ? "the music could not be read"
                                                             : m_musicReader->LastError();
        return EndInitialize(kOutcomeAudio);
    }
    const int outcome = SetUpWriter();
    if (outcome != kOutcomeDone) return EndInitialize(outcome);

    m_owner->Post(WM_RENDER_READY, 0);
    Report("+ Frame rate : %d / %d.", m_frameRate, m_scale);
    Report("+ Output file name : %s.", m_outputName.c_str());
    Report("+ Number of thread : %d.", m_threadCount);
    Report("+ Preview scale : %d.", m_step);
    Report("+ Total frames : %d (%d).", m_endFrame, m_scenario->TotalFrames());
    Report("-> OK");
}

int CRender::SetUpWriter() {
    const bool music = !m_scenario->AudioPath().empty();
    RenderChooser* chooser = m_params->chooser;
    switch (m_format) {
        case kFormatWindowsMedia: {
            if (!chooser || !chooser->ChooseWindowsMedia(&m_windowsMedia, music)) {
                return kOutcomeInterrupted;
            }
            if (music) m_audioFlag = m_windowsMedia.audioBitrate;
            m_writer = std::make_unique<CWMOut>();
            break;
        }
        case kFormatQuickTime:
            if (music) m_audioFlag = 1;
            m_writer = std::make_unique<CQTOut>();
            break;
        case kFormatHtml: {
            if (!chooser || !chooser->ChooseHtml(&m_html)) return kOutcomeInterrupted;
            auto html = std::make_unique<CHTMLOut>();
            html->SetScenario(m_scenario);
            html->SetImageCount(m_html.frameMode == kHtmlMarkedFrames
                                    ? m_scenario->KeyFrames()
                                    : m_scenario->TotalFrames() / 30);
            html->SetFrameMode(m_html.frameMode);
            html->SetStyle(m_html.style);
            m_writer = std::move(html);
            break;
        }
        default: {
            auto avi = std::make_unique<CAVIOut>();
            if (chooser && !chooser->ChooseCompressor(&m_compressor)) return kOutcomeInterrupted;
            avi->SetCompressor(m_compressor);
            avi->SetSkipsPositions(m_params->skip == 1);
            m_writer = std::move(avi);
            break;
        }
    }
    if (!m_music.Prepared()) m_audioFlag = 0;
    m_writer->UseReportingCalls();
    m_writer->SetFileName(m_outputName);
    m_writer->SetTitle(m_scenario->ScenarioPath());
    ReadFileSet read = m_scenario->FilesRead();
    read.Add(m_scenario->ScenarioPath());
    m_writer->SetReadFiles(read);
    if (m_writer->Initialize() != 0) return kOutcomeInterrupted;
    m_writer->SetVideo(m_scenario->GetScreenWidth(), m_scenario->GetScreenHeight(), m_frameBytes,
                       m_frameRate, m_scale * m_step, m_windowsMedia.videoBitrate,
                       m_endFrame / m_step);
    if (m_music.Prepared()) {
        m_writer->SetAudio(m_music.Channels(), m_music.BitsPerSample(), m_music.BufferSize(),
                           m_music.SampleRate(), m_audioFlag);
    } else {
        m_writer->SetAudio(0, 0, 0, 0, 0);
    }
    if (m_writer->PrepareWriter() != 0) {
        m_failureReason = m_writer->LastError();
        return kOutcomeInterrupted;
    }
    return kOutcomeDone;
}

void CRender::EndInitialize(int outcome) {
    if (m_musicReader) m_musicReader->Finish();
    if (m_writer) m_writer->Finish();
    m_writer.reset();
    m_musicReader.reset();
    m_outcome = outcome;
    m_owner->Post(WM_RENDER_FINISHED, static_cast<uintptr_t>(outcome));
    m_queue.Quit();
}

void CRender::StartRendering() {
    Trace("Starting rendering");
    if (m_format == kFormatAvi && m_music.Prepared()) {
        const int64_t offset = int64_t{m_startFrame} * m_music.SampleRate() * m_scale / m_frameRate;
        auto* avi = static_cast<CAVIOut*>(m_writer.get());
        if (avi->AppendWave(m_scenario->AudioPath(), offset) != 0) {
            m_failureReason = avi->LastError();
            return Finish(kOutcomeAudio);
        }
    }
    m_started = true;
    // Stills of an HTML storyboard lie far apart: nothing is worth making ahead.
    if (m_format != kFormatHtml) m_ahead.Start(m_scenario);
    for (int32_t i = 0; i < m_threadCount; ++i) {
        auto job = std::make_unique<RenderJob>();
        job->params = m_params;
        job->control = this;
        job->index = i;
        job->context.frameCount = m_endFrame;
        job->context.levelTrack = m_music.LevelTrack();
        // How far apart the frames asked lie, so that scenes let go of a shot's work
        // when the last frame asked of it comes back (marked stills lie irregularly).
        job->context.frameStep = m_format != kFormatHtml                   ? m_step
                                 : m_html.frameMode == kHtmlIntervalFrames ? 30
                                                                           : 1;
        auto worker = std::make_unique<CRenderFrame>();
        const bool started = worker->Start(&m_share);
        RenderJob* raw = job.get();
        m_jobs.push_back(std::move(job));
        if (!started) return Finish(kOutcomeThreads);
        m_workers.push_back(std::move(worker));
        if (!m_workers.back()->Queue().Post(WM_INIT_RENDER_FRAME,
                                            reinterpret_cast<uintptr_t>(raw))) {
            ErrorBox("フレームレンダースレッドの初期化指示においてエラーが発生しました。");
            return Finish(kOutcomeThreads);
        }
    }
}

// ---- batches ----

int32_t CRender::FirstFrame(int32_t index) {
    if (m_format != kFormatHtml)
        return static_cast<int32_t>(
            std::min<int64_t>(int64_t{m_startFrame} + int64_t{index} * m_step, INT32_MAX));
    if (m_html.frameMode == kHtmlIntervalFrames) {
        return static_cast<int32_t>(
            std::min<int64_t>(int64_t{m_startFrame} + 30 * int64_t{index}, INT32_MAX));
    }
    int32_t frame = m_startFrame - 1;
    for (int32_t i = 0; i <= index && frame < m_endFrame; ++i)
        frame = m_scenario->NextMarkedFrame(frame);
    return frame;
}

int32_t CRender::NextFrame(int32_t frame) {
    if (m_format == kFormatHtml) {
        if (m_html.frameMode == kHtmlMarkedFrames) return m_scenario->NextMarkedFrame(frame);
        return static_cast<int32_t>(std::min<int64_t>(int64_t{frame} + 30, INT32_MAX));
    }
    return static_cast<int32_t>(std::min<int64_t>(int64_t{frame} + m_step, INT32_MAX));
}

bool CRender::Rendering() const {
    for (const auto& job : m_jobs) {
        if (job->state == 1) return true;
    }
    return false;
}

void CRender::OnDoneInitRenderFrame(int32_t index) {
    Trace("CRender::OnDoneInitRenderFrame");
    ++m_initAnswered;
    if (m_finishing) {
        if (!Rendering()) CompleteFinish();
        return;
    }
    RenderJob& job = *m_jobs[static_cast<size_t>(index)];
    const int32_t frame = FirstFrame(index);
    if (!m_stopRequested && frame < m_endFrame) {
        job.frame = frame;
        job.state = 1;
        ++m_issued;
        m_workers[static_cast<size_t>(index)]->Queue().Post(WM_RENDER_FRAME, 0);
        Trace("+ RENDER INSTRUCTION -> THREAD(%d)", index);
    }
    // The first batch is complete only once every worker has answered: a late
    // answer would otherwise hand out a frame of a batch already written.
    if (m_initAnswered == static_cast<int32_t>(m_workers.size()) && !Rendering()) CompleteBatch();
}

void CRender::OnDoneRenderFrame(int32_t index) {
    Trace("CRender::OnDoneRenderFrame");
    RenderJob& job = *m_jobs[static_cast<size_t>(index)];
    job.state = 0;
    job.doneFrame = job.frame;
    job.outputImage = job.image;
    job.image = nullptr;
    const bool complete = !Rendering() && m_initAnswered == static_cast<int32_t>(m_workers.size());
    if (m_finishing) {
        // Nothing more is written: the frame goes back at once.
        ReleaseOutput(job);
        if (complete) CompleteFinish();
        return;
    }
    if (complete) CompleteBatch();
}

void CRender::ProxyRender(int32_t index) {
    RenderJob& job = *m_jobs[static_cast<size_t>(index)];
    if (!m_finishing) {
        const int64_t took = render_job_frame(&job, m_scenario, m_scenario->TotalFrames());
        Report("Frame(%d) rendered by proxy thread in %d clocks.", job.frame,
               static_cast<int32_t>(took));
    }
    if (!m_queue.Post(WM_DONE_RENDER_FRAME, static_cast<uintptr_t>(index))) {
        ErrorBox("フレームレンダースレッドにおいてエラーが発生しました。");
    }
}

void CRender::OnCtrlStopRender() {
    Trace("CRender::OnCtrlStopRender");
    m_stopRequested = true;
    // Between batches nothing would come back to notice the stop.
    if (!m_started) return;
    if (!m_finishing && !Rendering() && m_initAnswered == static_cast<int32_t>(m_workers.size())) {
        CompleteBatch();
    }
}

void CRender::CompleteBatch() {
    const int32_t finished = m_issued;
    if (m_stopRequested) {
        // The batches before were written as the next went out; this one is not.
        Trace("+ STOP RENDERING");
        m_writer->MarkAborted();
        return Finish(kOutcomeStopped);
    }
    if (finished == 0) {
        // Nothing to render at all (an empty MAIN, a start past the end).
        Trace("+ RENDER FINISH");
        return Finish(kOutcomeDone);
    }
    if (m_params->gentle.load() == 1) {
        std::this_thread::sleep_for(
            std::chrono::milliseconds(std::max(m_scenario->BoardBreak(), 0)));
    }
    RenderJob& last = *m_jobs[static_cast<size_t>(finished - 1)];
    m_params->drawImage = last.outputImage;
    Trace("+ DRAW INSTRUCTION -> FRAME(%d)", last.doneFrame);
    m_owner->Send(WM_RENDER_PROGRESS, static_cast<uintptr_t>(last.doneFrame));
    m_params->drawImage = nullptr;

    for (int32_t j = 0; j < finished; ++j) {
        RenderJob& job = *m_jobs[static_cast<size_t>(j)];
        m_unwritten.push_back({std::exchange(job.outputImage, nullptr), job.doneFrame, job.index});
    }

    // The next batch renders while this one is written.
    int32_t frame = last.doneFrame;
    if (m_params->skip == 1) {
        frame = static_cast<int32_t>(std::min<int64_t>(int64_t{frame} + last.runLength, INT32_MAX));
    }
    m_issued = 0;
    int32_t issuedLast = frame;
    for (size_t k = 0; k < m_workers.size(); ++k) {
        frame = NextFrame(frame);
        if (m_stopRequested || frame >= m_endFrame) break;
        RenderJob& job = *m_jobs[k];
        job.frame = frame;
        job.state = 1;
        Trace("+ RENDER INSTRUCTION -> CPU(%d), FRAME(%d)", static_cast<int32_t>(k), frame);
        m_workers[k]->Queue().Post(WM_RENDER_FRAME, 0);
        ++m_issued;
        issuedLast = frame;
    }
    if (m_issued != 0) {
        m_ahead.Ask(static_cast<int32_t>(
                        std::min<int64_t>(int64_t{issuedLast} + kPicturesAhead, INT32_MAX)),
                    issuedLast, last.doneFrame);
    }

    // Written now, while the next batch renders: the write takes its share of the cores
    // then, and never holds back a hand-out. Written while a batch renders, a write
    // that is under way when the batch's last frame is done keeps every worker waiting,
    // longer still when the disk is behind. A worker just woken may have been put on
    // this thread's core: it gets the core first (that halved the time from hand-out to
    // the workers' start, to about 0.15 ms, in two-thread zooms).
    if (m_issued != 0) std::this_thread::yield();
    const int outcome = WriteUnwritten();
    if (outcome != kOutcomeDone) return Finish(outcome);
    if (m_issued != 0) return;
    WriteFinalFrame();
    Trace("+ RENDER FINISH");
    Finish(kOutcomeDone);
}

int CRender::WriteUnwritten() {
    while (!m_unwritten.empty()) {
        const Finished done = m_unwritten.front();
        m_unwritten.pop_front();
        const int outcome = WriteFrame(done);
        if (done.image) m_scenario->ReleaseImage(done.image, done.frame);
        if (outcome != kOutcomeDone) return outcome;
    }
    return kOutcomeDone;
}

void CRender::ReleaseUnwritten() {
    for (const Finished& done : m_unwritten) {
        if (done.image) m_scenario->ReleaseImage(done.image, done.frame);
    }
    m_unwritten.clear();
}

int CRender::WriteFrame(const Finished& done) {
    if (!done.image) return kOutcomeFrame;
    const int64_t started = process_clock_ms();
    const int64_t time = int64_t{done.frame} * 10000000 * m_scale / m_frameRate;
    // A key frame of MAIN starts a new shot: a clean point for the writers that mark them.
    CScene* main = m_scenario->MainScene();
    const int32_t key =
        done.frame == m_startFrame || (main && main->TestFrame(FRAME_KEY, done.frame) == 1) ? 1 : 0;
    const int32_t position =
        m_format == kFormatHtml ? done.frame : (done.frame - m_startFrame) / m_step;
    if (m_writer->DoVideoWriter(done.image, position, m_frameBytes, key, time) != 0) {
        m_failureReason = m_writer->LastError();
        return kOutcomeFrame;
    }
    if ((m_format == kFormatWindowsMedia || m_format == kFormatQuickTime) && m_audioFlag != 0 &&
        m_music.WriteFrame(m_writer.get(), time, m_step) != 0) {
        m_failureReason = m_writer->LastError();
        return kOutcomeAudio;
    }
    Trace("+ OUTPUT INSTRUCTION -> CPU(%d):FRAME(%d):CLOCK(%d)", done.index, done.frame,
          static_cast<int32_t>(process_clock_ms() - started));
    return kOutcomeDone;
}

void CRender::WriteFinalFrame() {
    // In preview the last picture gets no display time of its own (the completion
    // message says so).
    if (m_step != 1 || m_endFrame <= 0) return;
    RenderJob& job = *m_jobs.front();
    int32_t run = 0;
    CImageBuffer* image = m_scenario->GetImage(m_endFrame - 1, &run, &job.context);
    if (image && m_format != kFormatHtml) {
        // Right after the last written frame, also when the creation started late.
        const int32_t position = (m_endFrame - m_startFrame) / m_step;
        const int64_t time = int64_t{m_endFrame} * 10000000 * m_scale / m_frameRate;
        m_writer->DoVideoWriter(image, position, m_frameBytes, 1, time);
    }
    if (image) m_scenario->ReleaseImage(image, m_endFrame - 1);
}

void CRender::ReleaseOutput(RenderJob& job) {
    if (!job.outputImage) return;
    m_scenario->ReleaseImage(job.outputImage, job.doneFrame);
    job.outputImage = nullptr;
}

// ---- the end ----

void CRender::Finish(int outcome) {
    if (!m_finishing) {
        m_finishing = true;
        m_outcome = outcome;
    }
    // Frames not yet written go back; frames still being made are waited for.
    for (auto& job : m_jobs) ReleaseOutput(*job);
    ReleaseUnwritten();
    if (!Rendering() && m_initAnswered == static_cast<int32_t>(m_workers.size())) CompleteFinish();
}

void CRender::CompleteFinish() {
    for (size_t k = 0; k < m_workers.size(); ++k) {
        m_workers[k]->Queue().Post(WM_TERM_RENDER_FRAME, 0);
        Trace("+ DELETE INSTRUCTION -> THREAD(%d)", static_cast<int32_t>(k));
    }
    for (auto& worker : m_workers) worker->Join();
    for (auto& job : m_jobs) ReleaseOutput(*job);
    ReleaseUnwritten();
    m_ahead.Stop();

    if (m_writer) {
        if (m_writer->CloseWriter() != 0 && m_outcome == kOutcomeDone) {
            // The file could not be completed: nothing was left in its place.
            m_failureReason = m_writer->LastError();
            m_outcome = kOutcomeNotCreated;
        }
        m_writer->Finish();
        if (m_format == kFormatHtml && m_html.openPage && m_outcome == kOutcomeDone) {
            const std::string& index = static_cast<CHTMLOut*>(m_writer.get())->IndexPath();
            std::error_code error;
            const std::string folder = std::filesystem::current_path(error).string();
            m_params->outputUrl =
                index.starts_with("/") ? "file://" + index : "file:///" + folder + "/" + index;
            m_owner->Send(WM_OPEN_OUTPUT, 0);
        }
        m_writer.reset();
    }
    if (m_musicReader) m_musicReader->Finish();
    m_musicReader.reset();

    if (!m_stopRequested) {
        m_params->drawImage = nullptr;
        m_owner->Send(WM_RENDER_PROGRESS, static_cast<uintptr_t>(std::max(m_endFrame - 1, 0)));
    }
    Report("Terminating control thread");
    m_owner->Send(WM_RENDER_FINISHED, static_cast<uintptr_t>(m_outcome));
    Report("-> OK.");
    m_queue.Quit();
}
