#pragma once
// The fixture of the render tests: scenarios written on the spot (code page 932),
// one creation run through the same loop the command-line program uses, and what
// the creation told its front end (progress frames, status lines).

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/log.h>
}

#include <algorithm>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "base/report.h"
#include "base/tests/temp_folder.h"
#include "output/tests/writer_fixtures.h"
#include "render/creation.h"
#include "scenario/scenario.h"

// Collects the status lines (and error reports) of every thread of a creation.
class StatusLines : public ReportSink {
public:
    void StatusLine(std::string_view text) override {
        std::lock_guard<std::mutex> hold(m_lock);
        m_lines.emplace_back(text);
    }
    void ShowError(std::string_view text) override { StatusLine(text); }
    AskAnswer Ask(std::string_view) override { return AskAnswer::No; }

    // The lines that start with `prefix`.
    std::vector<std::string> Starting(std::string_view prefix) const {
        std::vector<std::string> found;
        std::copy_if(m_lines.begin(), m_lines.end(), std::back_inserter(found),
                     [prefix](const std::string& line) { return line.starts_with(prefix); });
        return found;
    }
    bool Has(std::string_view line) const {
        return std::find(m_lines.begin(), m_lines.end(), line) != m_lines.end();
    }
    void Clear() {
        std::lock_guard<std::mutex> hold(m_lock);
        m_lines.clear();
    }

private:
    std::mutex m_lock;
    std::vector<std::string> m_lines;
};

// Answers the settings dialogs as the test chose.
class TestChooser : public RenderChooser {
public:
    bool ChooseCompressor(CompressorSettings* settings) override {
        *settings = compressor;
        return !cancel;
    }
    bool ChooseWindowsMedia(WindowsMediaSettings* settings, bool) override {
        *settings = windowsMedia;
        return !cancel;
    }
    bool ChooseHtml(HtmlSettings* settings) override {
        *settings = html;
        return !cancel;
    }
    CompressorSettings compressor;
    WindowsMediaSettings windowsMedia;
    HtmlSettings html;
    bool cancel = false;
};

class RenderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { av_log_set_level(AV_LOG_QUIET); }
    void SetUp() override { set_report_sink(&m_status); }
    void TearDown() override { set_report_sink(nullptr); }

    // Writes `utf8` as a code page 932 scenario and loads and links it into a fresh
    // document.
    bool Load(const std::string& utf8, const std::string& name = "scenario.txt") {
        m_scenario = std::make_unique<CScenario>();
        return m_scenario->Load(m_folder.WriteCp932(name, utf8)) == 0 && m_scenario->Link() == 0;
    }

    // Renders the loaded scenario in `format` to `name` in the folder with
    // `threads` workers; the outcome. Progress frames go to m_progress; `onProgress`
    // (when given) runs on each.
    int Render(int32_t format, const std::string& name, int32_t threads,
               const std::function<void(int32_t)>& onProgress = {}) {
        RenderParam params;
        params.scenario = m_scenario.get();
        params.frameBytes =
            frame_bytes_of(m_scenario->GetScreenWidth(), m_scenario->GetScreenHeight());
        params.skip = m_skip;
        params.format = format;
        params.outputName = m_folder / name;
        params.threadCount = threads;
        params.chooser = &m_chooser;
        m_progress.clear();
        m_status.Clear();
        m_runner = std::make_unique<CreationRunner>();
        if (m_stopAtStart) m_runner->Stop();
        CreationEvents events;
        events.progress = [&](int32_t frame, const CImageBuffer*) {
            m_progress.push_back(frame);
            if (onProgress) onProgress(frame);
        };
        events.open = [&](const std::string& url) { m_opened = url; };
        const int outcome = m_runner->Run(params, events);
        m_reason = m_runner->FailureReason();
        return outcome;
    }

    // Frame f of MAIN as top-down BGR24 rows without padding (as a decoder gives it).
    std::vector<uint8_t> Expected(int32_t frame) {
        int32_t run = 0;
        RenderContext context;
        context.frameCount = m_scenario->TotalFrames();
        CImageBuffer* image = m_scenario->GetImage(frame, &run, &context);
        std::vector<uint8_t> rows;
        if (!image) return rows;
        for (int32_t y = 0; y < image->height; ++y) {
            const uint8_t* row = image_row(image, y);
            rows.insert(rows.end(), row, row + 3 * image->width);
        }
        m_scenario->ReleaseImage(image, frame);
        return rows;
    }

    // The frames of the AVI `name` in the folder, which must number `count`: frame k
    // is MAIN's frame first + step k, the last one again past the end.
    std::vector<std::vector<uint8_t>> Decoded(const std::string& name, size_t count,
                                              int32_t first = 0, int32_t step = 1) {
        auto frames = writer_fixtures::decode_frames(m_folder / name);
        EXPECT_EQ(frames.size(), count) << name;
        const int32_t last = m_scenario->TotalFrames() - 1;
        for (size_t k = 0; k < std::min(count, frames.size()); ++k) {
            const int32_t frame = std::min(last, first + step * static_cast<int32_t>(k));
            EXPECT_EQ(frames[k], Expected(frame)) << name << " frame " << k;
        }
        return frames;
    }

    // The frames the workers and the control thread rendered, sorted.
    std::vector<int32_t> Rendered() const {
        std::vector<int32_t> frames;
        for (const auto& line : m_status.Starting("Frame("))
            frames.push_back(std::stoi(line.substr(6)));
        std::sort(frames.begin(), frames.end());
        return frames;
    }

    TempFolder m_folder;
    StatusLines m_status;
    std::unique_ptr<CScenario> m_scenario;  // the last one loaded
    TestChooser m_chooser;
    std::unique_ptr<CreationRunner> m_runner;  // of the last creation
    int32_t m_skip = 0;
    bool m_stopAtStart = false;
    std::vector<int32_t> m_progress;
    std::string m_reason;
    std::string m_opened;  // the address of WM_OPEN_OUTPUT
};
