// Every writer facing outputs it must not or cannot write: a file the scenario
// read, a folder that does not exist, a full disk, a folder that vanished. Each
// ends with a failure result and a clear reason, and leaves nothing behind.

#include <sys/mount.h>

#include "base/atomic_file.h"
#include "output/avi_out.h"
#include "output/html_out.h"
#include "output/qt_out.h"
#include "output/tests/writers/writer_test.h"
#include "output/wm_out.h"

using namespace writer_fixtures;

namespace {

// What one run of a writer gave.
struct Outcome {
    int prepare = 0;
    int frames = 0;  // the first failing DoVideoWriter's result, else 0
    int close = 0;
    std::string error;

    bool Failed() const { return prepare != 0 || frames != 0 || close != 0; }
};

// A writer by its name, and how to make one.
struct Kind {
    const char* name;
    std::unique_ptr<CMovieOut> (*make)();
};
template <typename Writer>
std::unique_ptr<CMovieOut> make_writer() {
    return std::make_unique<Writer>();
}
const Kind kVideoKinds[] = {
    {"avi", make_writer<CAVIOut>}, {"wmv", make_writer<CWMOut>}, {"mov", make_writer<CQTOut>}};
const Kind kHtml{"html", make_writer<CHTMLOut>};

class WriterFailureTest : public WriterTest {
protected:
    // Writes `frames` noise frames of 64 x 48 to `target` as the control thread
    // does; `between` runs after the frames, before CloseWriter.
    Outcome Write(const Kind& kind, const std::string& target, int frames,
                  const ReadFileSet& read = {}, const std::function<void()>& between = nullptr) {
        std::unique_ptr<CMovieOut> writer = kind.make();
        writer->SetReadFiles(read);
        Open(*writer, target, 64, 48, frames, 30, 1, WindowsMediaSettings{}.videoBitrate);
        Outcome run;
        run.prepare = writer->PrepareWriter();
        for (int n = 0; run.prepare == 0 && run.frames == 0 && n < frames; ++n)
            run.frames = Frame(*writer, n, 64, 48, n == 0 ? 1 : 0, int64_t{n} * 10000000 / 30,
                               Pattern::Noise);
        if (between) between();
        if (run.prepare == 0) run.close = writer->CloseWriter();
        writer->Finish();
        run.error = writer->LastError();
        return run;
    }

    // Writes "precious" as `name` in the folder (with its folders); the files read,
    // holding it.
    ReadFileSet Precious(const std::string& name) {
        ReadFileSet read;
        EXPECT_TRUE(read.Add(m_folder.Write(name, "precious"))) << name;
        return read;
    }
};

TEST_F(WriterFailureTest, AFileTheScenarioReadIsNeverTouched) {
    for (const Kind& kind : kVideoKinds) {
        SCOPED_TRACE(kind.name);
        const std::string target = m_folder / "input.bin";
        const ReadFileSet read = Precious("input.bin");
        // Reached through another name: a symbolic link beside it.
        std::filesystem::remove(m_folder.Path() / "link.bin");
        std::filesystem::create_symlink("input.bin", m_folder.Path() / "link.bin");
        for (const std::string& name : {target, m_folder / "link.bin"}) {
            Outcome run = Write(kind, name, 3, read);
            EXPECT_EQ(run.prepare, 1);
            EXPECT_EQ(run.error, kReadFileReason);
            EXPECT_EQ(read_bytes(target), "precious");
            EXPECT_EQ(Entries(), (std::vector<std::string>{"input.bin", "link.bin"}));
        }
    }

    // The page of an HTML folder: refused before any folder is made.
    Outcome run = Write(kHtml, m_folder / "PAGE", 2, Precious("PAGE/index.htm"));
    EXPECT_EQ(run.prepare, 1);
    EXPECT_EQ(run.error, kReadFileReason);
    EXPECT_EQ(Entries("PAGE"), std::vector<std::string>{"index.htm"});
    EXPECT_EQ(read_bytes(m_folder / "PAGE/index.htm"), "precious");

    // A still of an HTML folder: the frame fails, the still stays, and the page
    // is not written.
    m_traces.clear();
    run = Write(kHtml, m_folder / "STILL", 3, Precious("STILL/images/img-00001.bmp"));
    EXPECT_EQ(run.frames, 1);
    EXPECT_EQ(run.close, 1);
    EXPECT_TRUE(Traced("+ save_image_overwrite ... failed."));
    EXPECT_TRUE(Traced(kReadFileReason));
    EXPECT_EQ(read_bytes(m_folder / "STILL/images/img-00001.bmp"), "precious");
    EXPECT_EQ(Entries("STILL"),
              (std::vector<std::string>{"images", "images/img-00000.bmp", "images/img-00001.bmp"}));
}

TEST_F(WriterFailureTest, AMissingFolderAFullDeviceAndAFolderThatVanishes) {
    const std::filesystem::path gone = m_folder.Path() / "gone";
    for (const Kind& kind : kVideoKinds) {
        SCOPED_TRACE(kind.name);
        Outcome run = Write(kind, m_folder / "missing/out.bin", 3);
        EXPECT_EQ(run.prepare, 1);
        EXPECT_EQ(run.error, "No such file or directory");

        // /dev/full takes no byte: every write fails with ENOSPC.
        run = Write(kind, "/dev/full", 10);
        EXPECT_TRUE(run.Failed());
        EXPECT_EQ(run.error, "No space left on device");

        // The folder is removed after the frames, before CloseWriter.
        std::filesystem::create_directory(gone);
        m_traces.clear();
        run = Write(kind, (gone / "out.bin").string(), 3, {},
                    [&]() { std::filesystem::remove_all(gone); });
        EXPECT_EQ(run.prepare, 0);
        EXPECT_EQ(run.frames, 0);
        EXPECT_EQ(run.close, 1);
        EXPECT_EQ(run.error, "No such file or directory");
        EXPECT_TRUE(Traced("+ rename ... failed.") || Traced("+ rename ... failed"));
        EXPECT_TRUE(Entries().empty());
    }
}

TEST_F(WriterFailureTest, AFullDisk) {
    const std::filesystem::path small = m_folder.Path() / "small";
    std::filesystem::create_directory(small);
    if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here";
    struct Unmount {
        std::string path;
        ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
    } unmount{small.string()};

    // A few frames fit, the rest do not; nothing is left over.
    for (const Kind& kind : kVideoKinds) {
        SCOPED_TRACE(kind.name);
        Outcome run = Write(kind, (small / "out.bin").string(), 40);
        EXPECT_TRUE(run.Failed());
        EXPECT_EQ(run.error, "No space left on device");
        EXPECT_TRUE(Entries("small").empty());
    }
    // Stills of 230 kB do not fit at all; the page is not written.
    Outcome run = Write(kHtml, (small / "OUTPUT").string(), 2);
    EXPECT_EQ(run.frames, 1);
    EXPECT_EQ(run.close, 1);
    EXPECT_EQ(run.error, "No space left on device");
    EXPECT_EQ(Entries("small"), (std::vector<std::string>{"OUTPUT", "OUTPUT/images"}));
}

// Threads of this process.
size_t thread_count() {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                                             std::filesystem::directory_iterator()));
}

TEST_F(WriterFailureTest, EncoderThreadsEndWithTheWriter) {
    if (!avcodec_find_encoder_by_name("libx264")) GTEST_SKIP() << "no libx264";
    const size_t before = thread_count();
    for (const std::string& target : {m_folder / "x264.avi", std::string("/dev/full")}) {
        CAVIOut writer;
        writer.SetCompressor({"libx264"});
        Open(writer, target, 320, 240, 30);
        ASSERT_EQ(writer.PrepareWriter(), 0);
        int result = 0;
        for (int n = 0; result == 0 && n < 30; ++n)
            result = Frame(writer, n, 320, 240, 0, 0, Pattern::Noise);
        const int closed = writer.CloseWriter();
        EXPECT_EQ(result != 0 || closed != 0, target == "/dev/full") << target;
        writer.Finish();
        EXPECT_EQ(thread_count(), before) << target;
    }
    EXPECT_EQ(decode_frames(m_folder / "x264.avi").size(), 30u);
}

}  // namespace
