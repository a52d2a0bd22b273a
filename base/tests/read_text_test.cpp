// Reading whole texts from files and streams, with the size question and the limit.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "base/file_check.h"
#include "base/read_text.h"
#include "base/tests/temp_folder.h"

namespace fs = std::filesystem;

namespace {

// Counts the questions and answers each with `answer`.
struct Question {
    explicit Question(bool yes) : answer(yes) {}
    TextSizeQuestion Callback() {
        return [this] {
            ++asked;
            return answer;
        };
    }
    bool answer;
    int asked = 0;
};

// A pipe holding `bytes` with its writing end closed, read through /dev/fd/N as a
// process substitution is. Small enough to fit the pipe's buffer.
class FilledPipe {
public:
    explicit FilledPipe(const std::string& bytes) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        m_read = fds[0];
        if (::write(fds[1], bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
            m_read = -1;
        ::close(fds[1]);
    }
    ~FilledPipe() {
        if (m_read >= 0) ::close(m_read);
    }
    FilledPipe(const FilledPipe&) = delete;
    FilledPipe& operator=(const FilledPipe&) = delete;
    std::string Path() const { return "/dev/fd/" + std::to_string(m_read); }

private:
    int m_read = -1;
};

TEST(ReadWholeText, FilesAndStreamsAskOnlyPastTheThresholdAndStopAtTheLimit) {
    // Every case on a file and on a pipe holding the same text (it fits the pipe).
    const std::string bytes = std::string(50000, 'x') + "end";
    const int64_t n = static_cast<int64_t>(bytes.size());
    TempFolder dir;
    const std::string file = dir.Write("text.txt", bytes);
    const struct {
        int64_t threshold;
        int answer;  // -1: no one to ask
        int64_t limit;
        int code;
        int asked;
    } cases[] = {
        {0, 0, kMaxTextBytes, 0, 0},  // 0: never ask
        {n, 0, kMaxTextBytes, 0, 0},  // exactly the threshold
        {n - 1, 0, kMaxTextBytes, kReadDeclined, 1},
        {n - 1, -1, kMaxTextBytes, kReadDeclined, 0},  // no one to ask is a No
        {n - 1, 1, kMaxTextBytes, 0, 1},               // asked only once
        {0, -1, n - 1, kReadTooLarge, 0},
        {0, -1, n, 0, 0},  // exactly the limit is accepted
        // The limit is judged before anything is asked.
        {100, 1, n - 1, kReadTooLarge, 0},
    };
    for (const auto& c : cases) {
        for (int stream : {0, 1}) {
            SCOPED_TRACE(testing::Message() << (stream ? "stream " : "file ") << c.threshold << " "
                                            << c.answer << " " << c.limit);
            Question question(c.answer == 1);
            FilledPipe pipe(stream ? bytes : "");
            std::string text = "stale", reason;
            EXPECT_EQ(read_whole_text(stream ? pipe.Path() : file, c.threshold,
                                      c.answer < 0 ? nullptr : question.Callback(), &text, &reason,
                                      c.limit),
                      c.code)
                << reason;
            EXPECT_EQ(text, c.code == 0 ? bytes : "");
            EXPECT_EQ(question.asked, c.asked);
        }
    }

    // Past the hard limit nothing is asked and nothing is read: a sparse file of
    // the real limit plus one byte is refused at once.
    std::string huge = dir / "huge.txt";
    {
        int fd = ::open(huge.c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, kMaxTextBytes + 1), 0);
        ::close(fd);
    }
    Question yes(true);
    std::string text = "stale", reason;
    EXPECT_EQ(read_whole_text(huge, kTextSizeQuestionBytes, yes.Callback(), &text, &reason),
              kReadTooLarge);
    EXPECT_EQ(yes.asked, 0);
    ASSERT_EQ(read_whole_text(dir.Write("empty.txt", ""), 10, nullptr, &text, &reason), 0);
    EXPECT_EQ(text, "");
}

TEST(ReadWholeText, AFifoWithoutWriterOpensForBlockingReads) {
    // Read as an empty text, not a hang: the INCLUDE and AUDIO of a pipe in
    // scenario/tests/document_test.cpp.
    TempFolder dir;
    std::string fifo = dir / "fifo", reason;
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    UniqueFd fd = open_for_reading(fifo, &reason);
    ASSERT_TRUE(fd.Valid()) << reason;
    EXPECT_EQ(::fcntl(fd.Get(), F_GETFL) & O_NONBLOCK, 0);
    EXPECT_TRUE(file_opens_for_reading(fifo));
}

TEST(ReadWholeText, FailuresCarryTheSystemsReason) {
    TempFolder dir;
    // A missing file and a folder read as a scenario: the INCLUDE tests of
    // scenario/tests/document_test.cpp and vemo's (tests/scenario_cli_test.cpp).
    std::string text, reason;
    EXPECT_FALSE(file_opens_for_reading(dir.Path().string()));
    if (::geteuid() != 0) {  // permissions do not bind the superuser
        std::string locked = dir.Write("locked.txt", "x");
        ::chmod(locked.c_str(), 0);
        EXPECT_EQ(read_whole_text(locked, 0, nullptr, &text, &reason), kReadOpenFailed);
        EXPECT_EQ(reason, "Permission denied");
    }
}

}  // namespace
