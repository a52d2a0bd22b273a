#pragma once
// The control thread of one creation: it reads the settings record, prepares the
// music and the writer, starts one frame worker per thread, hands out frames in
// batches of one frame per worker, and writes the finished frames strictly in
// frame order (with their music) while the workers render the next batch. It tells
// the front end through the owner of the settings record: WM_RENDER_READY,
// WM_RENDER_PROGRESS, WM_OPEN_OUTPUT and WM_RENDER_FINISHED.
//
// Use: construct, Start, post WM_CTRL_INIT_RENDER with the record, WM_CTRL_START_RENDER
// on WM_RENDER_READY, WM_CTRL_STOP_RENDER to stop; after WM_RENDER_FINISHED the
// thread ends by itself (Join waits for it). No thread of the creation outlives it.

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/message_queue.h"
#include "base/work_share.h"
#include "output/avi_out.h"
#include "output/html_out.h"
#include "output/movie_out.h"
#include "output/wm_out.h"
#include "render/picture_ahead.h"
#include "render/render_frame.h"
#include "render/render_music.h"
#include "render/render_param.h"

class CRender {
public:
    CRender() = default;
    ~CRender();
    CRender(const CRender&) = delete;
    CRender& operator=(const CRender&) = delete;

    // Starts the control thread; false when it cannot be started.
    bool Start();
    MessageQueue& Queue() { return m_queue; }
    // Waits for the control thread to end.
    void Join();

    // Why the creation failed, in the writer's or the music's words (UTF-8); empty
    // otherwise. Read after WM_RENDER_FINISHED.
    const std::string& FailureReason() const { return m_failureReason; }

private:
    void Run();
    intptr_t Handle(const ThreadMessage& message);

    // WM_CTRL_INIT_RENDER: settings, music, writer. Fails with an outcome.
    void Initialize(RenderParam* params);
    int SetUpWriter();
    void EndInitialize(int outcome);
    // WM_CTRL_START_RENDER: the music of an AVI file, the workers.
    void StartRendering();
    void OnDoneInitRenderFrame(int32_t index);
    void OnDoneRenderFrame(int32_t index);
    void ProxyRender(int32_t index);
    void OnCtrlStopRender();

    // The frame worker `index` starts with, and the frame after f in a batch.
    int32_t FirstFrame(int32_t index);
    int32_t NextFrame(int32_t frame);
    // When every worker has answered and no job is rendering: progress, the next
    // batch, then the finished batch written in frame order (at once with one frame
    // on its way, else when the first frame of the next batch is done).
    void CompleteBatch();
    // A finished frame waiting to be written.
    struct Finished {
        CImageBuffer* image;
        int32_t frame;
        int32_t index;  // the job that made it
    };
    // Writes the unwritten frames in frame order; 0, or the outcome that ends the creation.
    int WriteUnwritten();
    // Writes one finished frame; 0, or the outcome that ends the creation.
    int WriteFrame(const Finished& done);
    // Gives back the frames not written.
    void ReleaseUnwritten();
    // The extra frame that gives the last picture its display time.
    void WriteFinalFrame();
    // Ends the creation with `outcome` once no job is rendering any more.
    void Finish(int outcome);
    void CompleteFinish();
    bool Rendering() const;
    void ReleaseOutput(RenderJob& job);

    MessageQueue m_queue;
    std::thread m_thread;

    RenderParam* m_params = nullptr;
    CScenario* m_scenario = nullptr;
    int32_t m_frameBytes = 0;
    MessageTarget* m_owner = nullptr;
    std::string m_outputName;
    int32_t m_threadCount = 1;
    int32_t m_format = kFormatAvi;
    int32_t m_frameRate = 30;
    int32_t m_scale = 1;
    int32_t m_step = 1;
    int32_t m_endFrame = 0;
    int32_t m_startFrame = 0;
    bool m_stopRequested = false;

    // How many frames of the video past the last one handed out pictures are made:
    // far enough for a decode to fit into the idle moments of the batches before, near
    // enough that the next shot's picture comes only as the shot before the last one
    // ends. A preview asks fewer batches in between, not more pictures.
    static constexpr int32_t kPicturesAhead = 48;
    PictureAhead m_ahead;
    // The workers' loops shared out among them; outlives the workers.
    WorkShare m_share;
    std::vector<std::unique_ptr<CRenderFrame>> m_workers;
    std::vector<std::unique_ptr<RenderJob>> m_jobs;
    int32_t m_issued = 0;  // jobs handed out in the current batch
    // The finished batch's frames, in frame order, while they are written.
    std::deque<Finished> m_unwritten;
    int32_t m_initAnswered = 0;  // workers that answered WM_INIT_RENDER_FRAME
    bool m_started = false;      // the workers were started

    HtmlSettings m_html;
    WindowsMediaSettings m_windowsMedia;
    CompressorSettings m_compressor;
    RenderMusic m_music;
    uint32_t m_audioFlag = 0;
    std::unique_ptr<CMovieOut> m_writer;
    std::unique_ptr<CAVIOut> m_musicReader;

    bool m_finishing = false;
    int m_outcome = kOutcomeDone;
    std::string m_failureReason;
};
