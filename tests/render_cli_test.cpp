// vemo render: the creation driven from the command line, its progress and
// outcome texts, its usage errors, Ctrl-C as the Abort button, and the example tour.

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/log.h>
}

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "output/tests/writer_fixtures.h"
#include "tests/cli_fixture.h"

namespace {

namespace fs = std::filesystem;

// 30 frames fading in over a still.
constexpr const char* kScenario =
    "SCREEN 64 48\nFRAMERATE 30\nPREVIEWSCALE 4\n"
    "DRAW \"箱\" { SIZE 64 48 COLOR 255 255 255 255 RECT { POINT 0 0 POINT 63 47 FILL } }\n"
    "STILL \"長\" { INPUT \"箱\" FRAMES 30 }\n"
    "FADEIN \"明\" { INPUT \"長\" FRAMES 30 }\nMAIN { INPUT \"明\" }\n";

class RenderCommand : public VemoCommand {
protected:
    void SetUp() override {
        av_log_set_level(AV_LOG_QUIET);
        VemoCommand::SetUp();
        Write("s.txt", kScenario, false);
    }
};

TEST_F(RenderCommand, RendersWithProgressAndTheCompletionText) {
    ProgramResult r = Vemo({"render", "s.txt", "-o", "movie", "--threads", "2", "--debug"});
    ASSERT_EQ(r.status, 0) << r.err;
    // Off a terminal, one progress line per batch of two frames, then the end.
    EXPECT_EQ(r.err.find("2 / 30 : ( 0 秒経過 )\n"), 0u) << r.err;
    EXPECT_NE(r.err.find("\n30 / 30 : ( "), std::string::npos);
    const size_t done = r.err.rfind("作成処理が完了しました。\n処理時間に ");
    ASSERT_NE(done, std::string::npos) << r.err;
    EXPECT_TRUE(r.err.ends_with(" 秒かかりました。\n")) << r.err.substr(done);
    EXPECT_EQ(writer_fixtures::decode_frames((m_dir / "movie.avi").string()).size(), 31u);
    // Each finished batch is shown, the next one handed out, and only then written, in
    // frame order.
    std::vector<std::string> steps;
    std::istringstream log(Read("Vemo_debug.log"));
    for (std::string line; std::getline(log, line) && steps.size() < 10;) {
        if (line.starts_with("+ DRAW") || line.starts_with("+ RENDER INSTRUCTION -> CPU") ||
            line.starts_with("+ OUTPUT"))
            steps.push_back(line.substr(0, std::min(line.find(":CLOCK"), line.find('\r'))));
    }
    EXPECT_EQ(steps, (std::vector<std::string>{
                         "+ DRAW INSTRUCTION -> FRAME(1)",
                         "+ RENDER INSTRUCTION -> CPU(0), FRAME(2)",
                         "+ RENDER INSTRUCTION -> CPU(1), FRAME(3)",
                         "+ OUTPUT INSTRUCTION -> CPU(0):FRAME(0)",
                         "+ OUTPUT INSTRUCTION -> CPU(1):FRAME(1)",
                         "+ DRAW INSTRUCTION -> FRAME(3)",
                         "+ RENDER INSTRUCTION -> CPU(0), FRAME(4)",
                         "+ RENDER INSTRUCTION -> CPU(1), FRAME(5)",
                         "+ OUTPUT INSTRUCTION -> CPU(0):FRAME(2)",
                         "+ OUTPUT INSTRUCTION -> CPU(1):FRAME(3)",
                     }));

    // Preview: 30 / 4 = 7 frames counted, and the text that warns of the missing
    // last frame.
    r = Vemo({"render", "s.txt", "-o", "preview", "--preview", "--format", "mov"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("7 / 7 : ( "), std::string::npos) << r.err;
    EXPECT_NE(
        r.err.find("作成処理が完了しました。\nプレビューモードのため最終フレームが作成されず、"
                   "途中で止まってしまったような映像になっている可能性があります。\n"
                   "処理時間に "),
        std::string::npos)
        << r.err;
    EXPECT_TRUE(fs::exists(m_dir / "preview.mov"));

    // A storyboard is a folder of the output name itself.
    r = Vemo({"render", "s.txt", "-o", "board", "--format", "html", "--html-frames", "interval",
              "--html-style", "3"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(m_dir / "board" / "index.htm"));
    EXPECT_TRUE(fs::exists(m_dir / "board" / "images" / "img-00000.bmp"));

    // An empty MAIN has nothing to render and completes at once.
    Write("empty.txt", "SCREEN 64 48\nMAIN { }\n", false);
    r = Vemo({"render", "empty.txt", "-o", "empty"});
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(RenderCommand, BadRequestsEndWithTheirStatusAndReason) {
    const size_t before = EntryCount();
    // Options of another format, or out of range: usage errors.
    EXPECT_EQ(Vemo({"render", "s.txt", "--skip", "--format", "wmv"}).status, 2);
    ProgramResult r = Vemo({"render", "s.txt", "--codec", "mjpeg", "--format", "html"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--codec applies to --format avi only"), std::string::npos) << r.err;
    EXPECT_EQ(Vemo({"render", "s.txt", "--threads", "0"}).status, 2);
    EXPECT_EQ(Vemo({"render", "s.txt", "--html-style", "5", "--format", "html"}).status, 2);

    // What the writer cannot set up interrupts the creation: exit 12.
    r = Vemo({"render", "s.txt", "--codec", "no-such-codec"});
    EXPECT_EQ(r.status, 12);
    EXPECT_EQ(r.err,
              "vemo: OUTPUT.avi: FFmpeg has no encoder named \"no-such-codec\"\n"
              "作成処理を中断しました。\n");
    EXPECT_EQ(Vemo({"render", "s.txt", "-o", "missing/out"}).status, 12);
    r = Vemo({"render", "s.txt", "--format", "wmv", "--video-bitrate", "0"});
    EXPECT_EQ(r.status, 12);
    EXPECT_NE(r.err.find("vemo: OUTPUT.wmv: the video bit rate is 0\n"), std::string::npos);
    // The scenario as the output: refused, untouched.
    fs::copy_file(m_dir / "s.txt", m_dir / "s.avi");
    r = Vemo({"render", "s.avi", "-o", "s"});
    EXPECT_EQ(r.status, 12);
    EXPECT_NE(r.err.find("vemo: s.avi: it is a file the scenario reads\n"), std::string::npos)
        << r.err;
    EXPECT_EQ(Read("s.avi"), Read("s.txt"));
    fs::remove(m_dir / "s.avi");
    // A scenario that does not load.
    Write("bad.txt", "SCREEN 64 48\nMAIN { INPUT \"nothing\" }\n", false);
    EXPECT_EQ(Vemo({"render", "bad.txt"}).status, 1);
    fs::remove(m_dir / "bad.txt");
    EXPECT_EQ(EntryCount(), before);
}

TEST_F(RenderCommand, CtrlCStopsAfterTheRunningFramesWithAPlayableFile) {
    // Long enough never to finish within the second before the interrupt.
    Write(
        "long.txt",
        "SCREEN 320 240\nFRAMERATE 30\n"
        "DRAW \"箱\" { SIZE 320 240 COLOR 255 255 255 255 RECT { POINT 0 0 POINT 319 239 FILL } }\n"
        "ROTATE \"回\" { INPUT \"箱\" 40 40 279 199 ANGLE 0 360 FRAMES 100000 }\n"
        "MAIN { INPUT \"回\" }\n",
        false);
    ProgramResult r = run_program("/usr/bin/timeout",
                                  {"-s", "INT", "--preserve-status", "1", VEMO_BINARY, "render",
                                   "long.txt", "-o", "long", "--threads", "2"},
                                  m_dir.string());
    EXPECT_EQ(r.status, 11) << r.err;
    EXPECT_NE(r.err.find("処理を中止しています。\n"), std::string::npos) << r.err;
    EXPECT_NE(
        r.err.find("作成処理を中止しました。\n作成された映像ファイルは破損しているおそれがあり"
                   "ます。\n処理時間に "),
        std::string::npos);
    const auto frames = writer_fixtures::decode_frames((m_dir / "long.avi").string());
    EXPECT_GT(frames.size(), 0u);
    EXPECT_LT(frames.size(), 100000u);
}

TEST_F(RenderCommand, TheExampleTourRendersWithItsPicturesAndMusic) {
    // The tour and the media its script makes, in the test's folder.
    const fs::path source = fs::path(VEMO_SOURCE_DIR) / "examples" / "tour";
    fs::copy_file(source / "tour.txt", m_dir / "tour.txt");
    ASSERT_EQ(run_program("/usr/bin/python3", {(source / "make-media.py").string(), m_dir.string()})
                  .status,
              0);
    ProgramResult r = Vemo({"render", "tour.txt", "--preview", "--format", "mov"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto movie = writer_fixtures::read_movie((m_dir / "OUTPUT.mov").string());
    ASSERT_EQ(movie.streams.size(), 2u);
    EXPECT_GT(writer_fixtures::decode_samples((m_dir / "OUTPUT.mov").string()), 0);
}

}  // namespace
