// vemo render: makes the video (or the HTML storyboard) of a scenario. The program
// plays the main dialog's part: it fills the settings record, answers the settings
// dialogs from its options, shows the progress, turns Ctrl-C into the Abort button
// and reports the outcome.

#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

#include "base/clock.h"
#include "base/report.h"
#include "cli/commands.h"
#include "cli/document.h"
#include "cli/exit_codes.h"
#include "cli/progress.h"
#include "output/encoder_probe.h"
#include "render/creation.h"
#include "render/outcome_text.h"
#include "scenario/scenario.h"

extern char** environ;

namespace {

struct RenderOptions {
    std::string scenario;
    std::string out = "OUTPUT";
    std::string format = "avi";
    bool preview = false;
    bool skip = false;
    int32_t threads = 0;  // 0: the processor count
    bool gentle = false;
    CompressorSettings compressor;
    WindowsMediaSettings windowsMedia;
    std::string htmlFrames = "marked";
    int32_t htmlStyle = 1;
    bool open = false;
};

// The settings dialogs, answered from the options.
class OptionChooser : public RenderChooser {
public:
    explicit OptionChooser(const RenderOptions& options) : m_options(options) {}
    bool ChooseCompressor(CompressorSettings* settings) override {
        *settings = m_options.compressor;
        return true;
    }
    bool ChooseWindowsMedia(WindowsMediaSettings* settings, bool) override {
        *settings = m_options.windowsMedia;
        return true;
    }
    bool ChooseHtml(HtmlSettings* settings) override {
        settings->frameMode =
            m_options.htmlFrames == "interval" ? kHtmlIntervalFrames : kHtmlMarkedFrames;
        settings->style = m_options.htmlStyle;
        settings->openPage = m_options.open;
        return true;
    }

private:
    const RenderOptions& m_options;
};

// Ctrl-C (and a termination request) as the Abort button. The signals are blocked
// in every thread (the creation's threads inherit the mask from this one) and
// taken by one watcher thread, which asks the creation to stop.
class StopOnSignal {
public:
    explicit StopOnSignal(CreationRunner& runner) {
        sigemptyset(&m_signals);
        sigaddset(&m_signals, SIGINT);
        sigaddset(&m_signals, SIGTERM);
        sigaddset(&m_signals, SIGUSR2);  // the watcher's own end
        pthread_sigmask(SIG_BLOCK, &m_signals, &m_saved);
        m_watcher = std::thread([this, &runner] {
            int number = 0;
            while (sigwait(&m_signals, &number) == 0 && number != SIGUSR2) {
                print_above_progress("処理を中止しています。");
                runner.Stop();
            }
        });
    }
    ~StopOnSignal() {
        pthread_kill(m_watcher.native_handle(), SIGUSR2);
        m_watcher.join();
        pthread_sigmask(SIG_SETMASK, &m_saved, nullptr);
    }
    StopOnSignal(const StopOnSignal&) = delete;
    StopOnSignal& operator=(const StopOnSignal&) = delete;

private:
    sigset_t m_signals{};
    sigset_t m_saved{};
    std::thread m_watcher;
};

// Opens the finished page with the desktop's browser; the address is printed
// in any case.
void open_page(const std::string& url) {
    print_above_progress(url);
    const char* argv[] = {"xdg-open", url.c_str(), nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, "xdg-open", nullptr, nullptr, const_cast<char**>(argv), environ) !=
        0) {
        print_above_progress("vemo: the page could not be opened (xdg-open is missing)");
    }
}

int usage_error(const std::string& message) {
    std::cerr << "vemo: " << message << "\nRun 'vemo render --help' for usage.\n";
    return kExitUsage;
}

int render(RenderOptions& options) {
    const bool html = options.format == "html";
    if (options.skip && options.format != "avi") {
        return usage_error("--skip thins AVI output only");
    }
    if (options.format == "mov" && !quicktime_available()) {
        std::cerr << "vemo: this FFmpeg cannot write QuickTime movies (the mov muxer or the "
                     "mpeg4 encoder is missing)\n";
        return kExitCreationBase + kOutcomeInterrupted;
    }

    CScenario doc;
    if (!load_and_link(doc, options.scenario)) return kExitScenarioFailed;

    // The dialog's set-up of the rendering data.
    Report("Setting up rendering data");
    int32_t step = 1;
    if (options.preview) {
        doc.SetRenderMode(2);
        step = std::max(doc.PreviewScale(), 1);
        Report("+ Preview rendering mode : Yes.");
        Report("+ Preview scale = %d.", step);
    } else {
        doc.SetRenderMode(1);
        Report("+ Preview rendering mode : No.");
    }
    RenderParam params;
    params.skip = options.skip ? 1 : 0;
    Report(options.skip ? "+ Skip rendering mode : Yes." : "+ Skip rendering mode : No.");
    params.scenario = &doc;
    params.frameBytes = frame_bytes_of(doc.GetScreenWidth(), doc.GetScreenHeight());
    params.gentle = options.gentle ? 1 : 0;
    params.encoderFlags = probe_encoders();
    if (options.format == "wmv") {
        params.format = kFormatWindowsMedia;
        params.outputName = options.out + ".wmv";
        Report("+ Output format : WindowsMedia.");
    } else if (options.format == "mov") {
        params.format = kFormatQuickTime;
        params.outputName = options.out + ".mov";
        Report("+ Output format : QuickTime.");
    } else if (!html) {
        params.format = kFormatAvi;
        params.outputName = options.out + ".avi";
        Report("+ Output format : AVI.");
    } else {
        params.format = kFormatHtml;
        params.outputName = options.out;
        Report("+ Output format : HTML.");
    }
    const int32_t processors =
        static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
    params.threadCount = options.threads > 0 ? options.threads : processors;
    Report(params.threadCount > 1 ? "+ Multi-thread rendering mode : Yes."
                                  : "+ Multi-thread rendering mode : No.");
    OptionChooser chooser(options);
    params.chooser = &chooser;

    CreationRunner runner;
    const int32_t total = doc.TotalFrames() / step;
    ProgressDisplay progress(total, isatty(STDERR_FILENO) != 0);
    int64_t started = process_clock_ms();
    CreationEvents events;
    events.ready = [&] { started = process_clock_ms(); };
    events.progress = [&](int32_t frame, const CImageBuffer*) {
        progress.Show(frame / step + 1, process_clock_ms() - started);
    };
    events.open = open_page;
    int outcome = kOutcomeDone;
    {
        StopOnSignal stopOnSignal(runner);
        Report("-> OK.");
        outcome = runner.Run(params, events);
    }
    progress.End();
    const double seconds = static_cast<double>(process_clock_ms() - started) / 1000.0;
    if (!runner.FailureReason().empty()) {
        print_above_progress("vemo: " + params.outputName + ": " + runner.FailureReason());
    }
    print_above_progress(outcome_text(outcome, seconds, options.preview));
    Report("-> OK.");
    return outcome == kOutcomeDone ? kExitOk : kExitCreationBase + outcome;
}

}  // namespace

Command add_render_command(CLI::App& program, const CommonOptions&) {
    auto* app = program.add_subcommand("render", "Make the video or the HTML storyboard");
    auto options = std::make_shared<RenderOptions>();
    app->add_option("SCENARIO", options->scenario, "Scenario file (code page 932)")->required();
    app->add_option("-o,--output", options->out,
                    "Output name; the format's extension is added (HTML: the folder)")
        ->default_val("OUTPUT");
    app->add_option("--format", options->format, "avi, wmv, mov or html")
        ->check(CLI::IsMember({"avi", "wmv", "mov", "html"}))
        ->default_val("avi");
    app->add_flag("--preview", options->preview, "Every PREVIEWSCALE-th frame only");
    app->add_flag("--skip", options->skip, "Leave repeated frames unrendered (AVI)");
    app->add_option("--threads", options->threads, "Frame workers (default: the processor count)")
        ->check(CLI::Range(1, 256));
    app->add_flag("--gentle", options->gentle, "Pause BOARDBREAK milliseconds after each batch");
    auto* codec = app->add_option("--codec", options->compressor.codec,
                                  "AVI: FFmpeg video encoder (default: uncompressed)");
    auto* quality = app->add_option("--quality", options->compressor.quality,
                                    "AVI: quality 0 (smallest) to 10000 (best)");
    auto* keys = app->add_option("--keyframes", options->compressor.keyFrames,
                                 "AVI: a key frame at least every N frames");
    auto* rate = app->add_option("--datarate", options->compressor.dataRate,
                                 "AVI: bytes per second the encoder aims at");
    auto* video = app->add_option("--video-bitrate", options->windowsMedia.videoBitrate,
                                  "Windows Media: video bits per second")
                      ->default_val(WindowsMediaSettings{}.videoBitrate);
    auto* audio = app->add_option("--audio-bitrate", options->windowsMedia.audioBitrate,
                                  "Windows Media: audio bits per second")
                      ->default_val(WindowsMediaSettings{}.audioBitrate);
    auto* frames = app->add_option("--html-frames", options->htmlFrames,
                                   "HTML: marked (switching frames) or interval (every 30th)")
                       ->check(CLI::IsMember({"marked", "interval"}))
                       ->default_val("marked");
    auto* style = app->add_option("--html-style", options->htmlStyle,
                                  "HTML: 1 one column, 2 three, 3 five, 4 one with the structure")
                      ->check(CLI::Range(1, 4))
                      ->default_val(1);
    auto* open = app->add_flag("--open", options->open, "HTML: open the finished page");
    return {app, [options, codec, quality, keys, rate, video, audio, frames, style, open] {
                // Options of another format than the one chosen are a mistake.
                struct Belongs {
                    CLI::Option* option;
                    const char* format;
                } belongs[] = {{codec, "avi"},   {quality, "avi"}, {keys, "avi"},
                               {rate, "avi"},    {video, "wmv"},   {audio, "wmv"},
                               {frames, "html"}, {style, "html"},  {open, "html"}};
                for (const Belongs& b : belongs) {
                    if (b.option->count() > 0 && options->format != b.format) {
                        return usage_error(b.option->get_name() + " applies to --format " +
                                           b.format + " only");
                    }
                }
                return render(*options);
            }};
}
