// Output files written under a temporary name and renamed into place.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "base/atomic_file.h"
#include "base/tests/temp_folder.h"

namespace fs = std::filesystem;

namespace {

mode_t mode_of(const std::string& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

TEST(AtomicOutput, WritesNewFilesAndReplacesOldOnesKeepingTheirPermissions) {
    TempFolder dir;
    ReadFileSet none;
    std::string reason;
    std::string out = dir / "out.txt";
    ASSERT_EQ(write_file_atomically(out, "first", none, &reason), 0) << reason;
    EXPECT_EQ(read_bytes(out), "first");
    mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(mode_of(out), 0666 & ~mask);

    ::chmod(out.c_str(), 0600);
    ASSERT_EQ(write_file_atomically(out, "second, longer", none, &reason), 0) << reason;
    EXPECT_EQ(read_bytes(out), "second, longer");
    EXPECT_EQ(mode_of(out), 0600u) << "a private file stays private";
    EXPECT_EQ(dir.EntryCount(), 1u) << "no temporary file is left behind";

    // A link as the target stays a link; the file it leads to gets the bytes.
    std::string real = dir.Write("real.txt", "old");
    fs::create_symlink("real.txt", dir / "link.txt");
    ASSERT_EQ(write_file_atomically(dir / "link.txt", "through the link", none, &reason), 0)
        << reason;
    EXPECT_TRUE(fs::is_symlink(dir / "link.txt"));
    EXPECT_EQ(read_bytes(real), "through the link");
    // A dangling link leads to the file it names, which is created.
    fs::create_symlink("made.txt", dir / "dangling.txt");
    ASSERT_EQ(write_file_atomically(dir / "dangling.txt", "made", none, &reason), 0) << reason;
    EXPECT_TRUE(fs::is_symlink(dir / "dangling.txt"));
    EXPECT_EQ(read_bytes(dir / "made.txt"), "made");
    EXPECT_EQ(dir.EntryCount(), 5u);
}

TEST(AtomicOutput, FailuresCarryTheSystemsReason) {
    TempFolder dir;
    ReadFileSet none;
    std::string reason;
    // A missing folder and /dev/full: vemo dump's tests (tests/scenario_cli_test.cpp).
    fs::create_directory(dir / "folder");
    EXPECT_EQ(write_file_atomically(dir / "folder", "x", none, &reason), kOutputCreateFailed);
    EXPECT_EQ(reason, "Is a directory");
    EXPECT_EQ(write_file_atomically(dir / "folder/", "x", none, &reason), kOutputCreateFailed);
    EXPECT_EQ(reason, "Is a directory");

    // Devices are written directly.
    EXPECT_EQ(write_file_atomically("/dev/null", "x", none, &reason), 0) << reason;

    // A FIFO nobody reads fails at once instead of waiting for a reader.
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(write_file_atomically(dir / "fifo", "x", none, &reason), kOutputCreateFailed);
    EXPECT_EQ(reason, "No such device or address");

    if (::geteuid() != 0) {  // permissions do not bind the superuser
        fs::create_directory(dir / "locked");
        ::chmod((dir / "locked").c_str(), 0555);
        EXPECT_EQ(write_file_atomically(dir / "locked/out.txt", "x", none, &reason),
                  kOutputCreateFailed);
        EXPECT_EQ(reason, "Permission denied");
        ::chmod((dir / "locked").c_str(), 0755);
    }
}

TEST(AtomicOutput, StandardOutputLinksAreWrittenWhereTheyLead) {
    TempFolder dir;
    ReadFileSet none;
    std::string reason;
    // /dev/fd/N leads through /proc to a file opened for appending, as a shell's ">>"
    // opens it: the bytes are appended, nothing is renamed over anything.
    std::string log = dir.Write("log.txt", "earlier\n");
    int fd = ::open(log.c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(fd, 0);
    std::string through = "/dev/fd/" + std::to_string(fd);
    EXPECT_EQ(write_file_atomically(through, "later\n", none, &reason), 0) << reason;
    EXPECT_EQ(read_bytes(log), "earlier\nlater\n");
    // ... unless it leads to a file the scenario read.
    ReadFileSet read;
    read.Add(log);
    EXPECT_EQ(write_file_atomically(through, "x", read, &reason), kOutputRefused);
    ::close(fd);
    EXPECT_EQ(read_bytes(log), "earlier\nlater\n");
    EXPECT_EQ(dir.EntryCount(), 1u);

    // A pipe behind /dev/fd/N is written directly too.
    int pipe_fds[2];
    ASSERT_EQ(::pipe(pipe_fds), 0);
    EXPECT_EQ(
        write_file_atomically("/dev/fd/" + std::to_string(pipe_fds[1]), "piped", none, &reason), 0)
        << reason;
    ::close(pipe_fds[1]);
    char buffer[16] = {};
    EXPECT_EQ(::read(pipe_fds[0], buffer, sizeof buffer), 5);
    EXPECT_STREQ(buffer, "piped");
    ::close(pipe_fds[0]);
}

TEST(AtomicFileObject, WritersOpeningThePathCommitOrLeaveTheOldFile) {
    TempFolder dir;
    ReadFileSet none;
    std::string reason;
    std::string target = dir.Write("frame.bmp", "old frame");

    {
        AtomicFile file;
        ASSERT_EQ(file.Open(target, none, &reason), 0) << reason;
        fs::path temp = file.WritePath();
        EXPECT_EQ(temp.parent_path(), dir.Path());
        EXPECT_EQ(temp.extension(), ".bmp") << "a muxer may choose its format by the name";
        EXPECT_TRUE(fs::is_regular_file(temp)) << "the name is taken at once";

        AtomicFile second;
        ASSERT_EQ(second.Open(target, none, &reason), 0);
        EXPECT_NE(second.WritePath(), file.WritePath());

        // The writer fails half-way and gives up: the object is dropped uncommitted.
        std::FILE* out = std::fopen(file.WritePath().c_str(), "wb");
        ASSERT_NE(out, nullptr);
        std::fputs("half a fr", out);
        std::fclose(out);
    }
    EXPECT_EQ(read_bytes(target), "old frame");
    EXPECT_EQ(dir.EntryCount(), 1u) << "both temporary files are gone";

    AtomicFile file;
    ASSERT_EQ(file.Open(target, none, &reason), 0) << reason;
    std::string temp = file.WritePath();
    std::FILE* out = std::fopen(temp.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fputs("new frame", out);
    ASSERT_EQ(std::fclose(out), 0);
    EXPECT_EQ(read_bytes(target), "old frame") << "nothing shows before Commit";
    ASSERT_EQ(file.Commit(&reason), 0) << reason;
    EXPECT_EQ(read_bytes(target), "new frame");
    EXPECT_FALSE(fs::exists(temp));
    EXPECT_EQ(file.Commit(&reason), kOutputWriteFailed) << "a second Commit has nothing to do";
    EXPECT_EQ(read_bytes(target), "new frame");

    // A target replaced by a folder while the file was written: the rename fails,
    // the temporary file goes, the folder stays.
    std::string later = dir / "later.txt";
    ASSERT_EQ(file.Open(later, none, &reason), 0);
    ASSERT_EQ(write_all(file.Fd(), "text", &reason), 0);
    fs::create_directory(later);
    fs::path made = file.WritePath();
    EXPECT_EQ(file.Commit(&reason), kOutputRenameFailed);
    EXPECT_EQ(reason, "Is a directory");
    EXPECT_FALSE(fs::exists(made));
    EXPECT_TRUE(fs::is_directory(later));

    // Devices give their own path to write into.
    AtomicFile device;
    ASSERT_EQ(device.Open("/dev/null", none, &reason), 0);
    EXPECT_EQ(device.WritePath(), "/dev/null");
    EXPECT_EQ(device.Commit(&reason), 0);
}

}  // namespace
