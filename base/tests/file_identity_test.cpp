// File identities and the set of files a scenario read.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "base/file_identity.h"
#include "base/tests/temp_folder.h"

namespace fs = std::filesystem;

namespace {

TEST(ReadFileSet, FilesAreKnownByIdentityNotByName) {
    // Its own name, ./, an absolute path, a link and a hard link: vemo dump's tests
    // (tests/scenario_cli_test.cpp).
    TempFolder dir;
    std::string scenario = dir.Write("s.txt", "SCREEN 4 4\n");
    fs::create_symlink("s.txt", dir / "link.txt");
    fs::create_symlink("link.txt", dir / "link2.txt");
    fs::create_hard_link(scenario, dir / "hard.txt");
    fs::create_directory(dir / "sub");
    ReadFileSet read;
    ASSERT_TRUE(read.Add(scenario));
    EXPECT_TRUE(read.Contains(dir / "sub/../s.txt"));
    EXPECT_TRUE(read.Contains(dir / "link2.txt"));
    EXPECT_TRUE(read.Add(dir / "hard.txt"));
    EXPECT_EQ(read.Size(), 1u) << "another name of the same file adds nothing";
    // The same bytes in another file are another file.
    EXPECT_FALSE(read.Contains(dir.Write("copy.txt", "SCREEN 4 4\n")));
    EXPECT_FALSE(read.Contains(dir / "sub"));
}

TEST(ReadFileSet, PathsThatDoNotExistAreNeitherAddedNorContained) {
    TempFolder dir;
    fs::create_symlink("nowhere.txt", dir / "dangling.txt");
    ReadFileSet read;
    EXPECT_FALSE(read.Add(dir / "missing.txt"));
    EXPECT_FALSE(read.Add(dir / "dangling.txt"));
    EXPECT_EQ(read.Size(), 0u);
    EXPECT_FALSE(read.Contains(dir / "dangling.txt"));

    // Identities taken from an open file match those taken from its path.
    std::string file = dir.Write("a.txt", "a");
    FileIdentity by_path, by_fd;
    ASSERT_EQ(file_identity(file, &by_path), 0);
    FILE* open = std::fopen(file.c_str(), "rb");
    ASSERT_NE(open, nullptr);
    ASSERT_EQ(fd_identity(::fileno(open), &by_fd), 0);
    std::fclose(open);
    EXPECT_EQ(by_path, by_fd);
    read.Add(by_fd);
    EXPECT_TRUE(read.Contains(file));
    EXPECT_EQ(file_identity(dir / "missing.txt", &by_path), -1);
}

}  // namespace
