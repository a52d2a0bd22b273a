// The debug log: no file without the flag, whole lines from many threads.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include "base/log.h"
#include "base/report.h"
#include "base/tests/temp_folder.h"

namespace fs = std::filesystem;

namespace {

// Runs each test in a fresh folder: the log is always written to the current one.
class DebugLog : public testing::Test {
protected:
    void SetUp() override { fs::current_path(m_folder.Path()); }
    void TearDown() override {
        CloseDebugLog();
        OpenDebugLog(false);
        fs::current_path(m_previous);
    }
    static std::string ReadLog() { return read_bytes(kDebugLogName); }
    const fs::path m_previous = fs::current_path();
    TempFolder m_folder;
};

TEST_F(DebugLog, ADisabledLogTouchesNothingAndAnEnabledOneEndsLinesInCrLf) {
    // Without the flag an earlier log is kept (and none is made: tests/cli_test.cpp).
    std::ofstream(kDebugLogName) << "earlier run";
    OpenDebugLog(false);
    LogLine("+ Preview scale = %d.", 2);
    Trace("%s", "traced");
    CloseDebugLog();
    EXPECT_EQ(ReadLog(), "earlier run");

    OpenDebugLog(true);
    WriteBanner();
    LogLine("+ Preview scale = %d.", 3);
    Trace("-> OK.");
    CloseDebugLog();
    LogLine("after close");
    std::string log = ReadLog();
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = log.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(log.substr(start, end - start));
    EXPECT_EQ(start, log.size()) << "every line ends in CR LF";
    // The banner's four lines, then the two logged.
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_TRUE(lines[1].starts_with("* Vemo ")) << lines[1];
    EXPECT_EQ(lines[4], "+ Preview scale = 3.");
    EXPECT_EQ(lines[5], "-> OK.");
}

TEST_F(DebugLog, LinesFromEightThreadsNeverInterleave) {
    OpenDebugLog(true);
    constexpr int kThreads = 8, kLines = 500;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            const std::string filler(40 + t * 7, static_cast<char>('a' + t));
            for (int i = 0; i < kLines; ++i)
                LogLine("+ thread %d line %d %s", t, i, filler.c_str());
        });
    }
    for (std::thread& th : threads) th.join();
    CloseDebugLog();

    std::istringstream in(ReadLog());
    std::set<std::string> seen;
    std::string line;
    int count = 0;
    while (std::getline(in, line)) {
        ASSERT_FALSE(line.empty());
        ASSERT_EQ(line.back(), '\r');
        line.pop_back();
        int t = -1, i = -1;
        char rest[512] = {};
        ASSERT_EQ(std::sscanf(line.c_str(), "+ thread %d line %d %511s", &t, &i, rest), 3) << line;
        EXPECT_EQ(std::string(rest), std::string(40 + t * 7, static_cast<char>('a' + t)));
        EXPECT_TRUE(seen.insert(line).second);
        ++count;
    }
    EXPECT_EQ(count, kThreads * kLines);
}

TEST_F(DebugLog, ALinkUnderTheLogsNameIsReplacedNeverWrittenThrough) {
    std::ofstream("s.txt", std::ios::binary) << "SCREEN 4 4\r\n";
    for (bool symbolic : {true, false}) {
        fs::remove(kDebugLogName);
        if (symbolic)
            fs::create_symlink("s.txt", kDebugLogName);
        else
            fs::create_hard_link("s.txt", kDebugLogName);
        OpenDebugLog(true);
        LogLine("+ linked %d", symbolic ? 1 : 0);
        CloseDebugLog();

        EXPECT_EQ(read_bytes("s.txt"), "SCREEN 4 4\r\n")
            << (symbolic ? "symbolic" : "hard") << " link";
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(kDebugLogName)));
        EXPECT_EQ(fs::hard_link_count(kDebugLogName), 1u);
        EXPECT_EQ(ReadLog(), std::string("+ linked ") + (symbolic ? "1" : "0") + "\r\n");
    }
    // A link that leads nowhere does not make the log create its target.
    fs::remove(kDebugLogName);
    fs::create_symlink("elsewhere.log", kDebugLogName);
    OpenDebugLog(true);
    LogLine("+ dangling");
    CloseDebugLog();
    EXPECT_FALSE(fs::exists("elsewhere.log"));
    EXPECT_EQ(ReadLog(), "+ dangling\r\n");
}

class RecordingSink : public ReportSink {
public:
    void StatusLine(std::string_view text) override { status.emplace_back(text); }
    void ShowError(std::string_view text) override { errors.emplace_back(text); }
    AskAnswer Ask(std::string_view text) override {
        questions.emplace_back(text);
        return AskAnswer::Yes;
    }
    std::vector<std::string> status, errors, questions;
};

TEST_F(DebugLog, ReportingCallsLogFirstThenReachTheSink) {
    OpenDebugLog(true);
    RecordingSink sink;
    set_report_sink(&sink);
    Trace("trace %d", 1);
    Report("report %d", 2);
    ErrorBox("シナリオ読み込み時にエラーが発生しました。\n%s", std::string(400, 'x').c_str());
    EXPECT_EQ(AskBox("続けますか？"), AskAnswer::Yes);
    set_report_sink(nullptr);
    EXPECT_EQ(AskBox("no sink"), AskAnswer::No);
    CloseDebugLog();

    EXPECT_EQ(sink.status, std::vector<std::string>{"report 2"});
    ASSERT_EQ(sink.errors.size(), 1u);
    EXPECT_EQ(sink.errors[0].size(),
              std::string("シナリオ読み込み時にエラーが発生しました。\n").size() + 400)
        << "long texts are not cut";
    EXPECT_EQ(sink.questions, std::vector<std::string>{"続けますか？"});
    std::string log = ReadLog();
    EXPECT_NE(log.find("trace 1\r\nreport 2\r\n"), std::string::npos);
    EXPECT_NE(log.find("no sink\r\n"), std::string::npos);
}

}  // namespace
