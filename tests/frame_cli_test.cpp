// vemo frame: one frame of a block drawn and saved as BMP, in both image modes.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "image/picture_file.h"
#include "tests/cli_fixture.h"

namespace {

namespace fs = std::filesystem;

class FrameCommand : public VemoCommand {
protected:
    void SetUp() override {
        VemoCommand::SetUp();
        Write("s.txt",
              "SCREEN 64 48\n"
              "DRAW \"絵/枠\" { SIZE 10 8 COLOR 0 0 255 128\n"
              "  RECT { POINT 2 2 POINT 5 5 FILL } }\n"
              "SERIES \"a\" { INPUT \"b\" }\nSERIES \"b\" { INPUT \"a\" }\n"
              "MAIN { }\n",
              false);
    }
};

TEST_F(FrameCommand, DrawingsAreSavedOverBlackInBothImageModes) {
    for (int mode : {32, 24}) {
        const std::string out = "d" + std::to_string(mode) + ".bmp";
        ProgramResult r = Vemo({"frame", "s.txt", "--block", "絵/枠", "-o", out, "--image-mode",
                                std::to_string(mode)});
        ASSERT_EQ(r.status, 0) << r.err;
        // The bits per pixel in the BMP header.
        EXPECT_EQ(Read(out).substr(28, 2), std::string({static_cast<char>(mode), '\0'}));
        ImagePtr picture(load_picture((m_dir / out).string()));
        ASSERT_TRUE(picture) << mode;
        EXPECT_EQ(picture->width, 10);
        EXPECT_EQ(picture->height, 8);
        // Half-transparent blue over opaque black: 255 * 128 >> 8 in mode 32,
        // (255 * 128) / 255 + 0.5 in mode 24.
        EXPECT_EQ(get_component(picture.get(), 3, 3, 2), mode == 32 ? 127 : 128) << mode;
        EXPECT_EQ(get_component(picture.get(), 8, 7, 2), 0) << mode;
    }
    // Without -o the block name and frame make the name; "/" cannot lead into a
    // folder.
    ProgramResult r = Vemo({"frame", "s.txt", "--block", "絵/枠"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(m_dir / "絵_枠-00000.bmp"));
}

TEST_F(FrameCommand, BadRequestsWriteNothing) {
    const size_t before = EntryCount();
    ProgramResult unknown = Vemo({"frame", "s.txt", "--block", "nothing"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.err, "vemo: there is no block named nothing\n");
    ProgramResult outside = Vemo({"frame", "s.txt", "--block", "絵/枠", "--frame", "1"});
    EXPECT_EQ(outside.status, 1);
    EXPECT_EQ(outside.err, "vemo: block 絵/枠 has frames 0 to 0; there is no frame 1\n");
    ProgramResult empty = Vemo({"frame", "s.txt"});
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.err, "vemo: block MAIN has no frames\n");
    // A loop MAIN never uses is accepted by Link, but has nothing to draw.
    ProgramResult loop = Vemo({"frame", "s.txt", "--block", "b"});
    EXPECT_EQ(loop.status, 1);
    EXPECT_EQ(loop.err, "vemo: シーン a がループ呼び出しされています。\n");
    ProgramResult onto = Vemo({"frame", "s.txt", "--block", "絵/枠", "-o", "s.txt"});
    EXPECT_EQ(onto.status, 3);
    EXPECT_EQ(EntryCount(), before);
}

}  // namespace
