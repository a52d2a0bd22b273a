// vemo check, info and dump on scenario files written by the test.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/cp932.h"
#include "tests/cli_fixture.h"

namespace {

namespace fs = std::filesystem;

using ScenarioCommands = VemoCommand;

const char* kShow =
    "SCREEN 320 240\n"
    "DRAW \"表紙\" { SIZE 8 6 }\n"
    "STILL \"a\" { INPUT \"表紙\" FRAMES 10 }\n"
    "STILL \"b\" { INPUT \"表紙\" FRAMES 50 }\n"
    "SERIES \"pair\" { INPUT \"a\" INPUT \"b\" }\n"
    "MAIN { INPUT \"pair\" INPUT \"a\" }\n";

TEST_F(ScenarioCommands, CheckInfoAndDumpPrintWhatTheyRead) {
    Write("show.txt", kShow);
    ProgramResult r = Vemo({"check", "show.txt"});
    EXPECT_EQ(r.status, 0) << r.err;
    // Key frames: 0 and 69 (the ends of MAIN), 59 (the end of "pair"), 10 and 60 (the
    // first frames of the STILLs "b" and "a").
    EXPECT_EQ(r.out, "SCREEN 320 x 240, 70 frames, 2.333 s, 5 key frames\n");
    EXPECT_EQ(r.err, "");

    r = Vemo({"info", "show.txt"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "MAIN\tMAIN\t70\n"
              "  pair\tSERIES\t60\n"
              "    a\tSTILL\t10\n"
              "      表紙\tDRAW\t0\n"
              "    b\tSTILL\t50\n"
              "      表紙\tDRAW\t0\n"
              "  a\tSTILL\t10\n"
              "    表紙\tDRAW\t0\n");

    r = Vemo({"dump", "show.txt", "out.txt"});
    EXPECT_EQ(r.status, 0) << r.err;
    // The layout of the dump: scenario/tests/dump_test.cpp.
    std::string text = cp932_to_utf8(Read("out.txt"));
    EXPECT_NE(text.find("#     Vemo version \t: 1.1.0.0\r\n#     File name \t: \"out.txt\"\r\n"
                        "#     Total frames \t: 70\r\n"),
              std::string::npos)
        << text;

    // The standard output is no file to replace: the dump is written into it.
    r = Vemo({"dump", "show.txt", "/dev/stdout"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(cp932_to_utf8(r.out).find("# RefCount = 2\r\n"), std::string::npos);
    EXPECT_TRUE(fs::is_symlink("/dev/stdout"));
}

TEST_F(ScenarioCommands, InfoListsSharedBlocksUnderEveryUser) {
    // Every block uses the one below it twice: the tree of 10 levels has 3 * 2^10
    // lines with MAIN's own.
    std::string text =
        "SCREEN 4 4\nDRAW \"p\" { SIZE 1 1 }\nSTILL \"c0\" { INPUT \"p\" FRAMES 3 }\n";
    for (int i = 1; i <= 10; ++i) {
        std::string below = "\"c" + std::to_string(i - 1) + "\"";
        text +=
            "SERIES \"c" + std::to_string(i) + "\" { INPUT " + below + " INPUT " + below + " }\n";
    }
    Write("double.txt", text + "MAIN { INPUT \"c10\" }\n");
    ProgramResult r = Vemo({"info", "double.txt"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3 * 1024);
    const std::string head = "MAIN\tMAIN\t3072\n  c10\tSERIES\t3072\n";
    EXPECT_EQ(r.out.substr(0, head.size()), head);
}

TEST_F(ScenarioCommands, DumpNeverOverwritesAnyFileTheScenarioRead) {
    // The scenario through any of its names, and the files it includes or uses.
    Write("part.txt", "DRAW \"p\" { SIZE 1 1 }\n");
    std::ofstream(m_dir / "photo.jpg") << "not read as a picture before it is drawn";
    std::ofstream(m_dir / "music.wav") << "RIFF";
    Write("show.txt",
          "SCREEN 4 4\nAUDIO \"music.wav\"\nINCLUDE \"part.txt\"\n"
          "TEXT \"t\" { SIZE 2 2 STRING \"x\" FILE \"photo.jpg\" }\n"
          "STILL \"s\" { INPUT \"p\" INPUT \"t\" FRAMES 2 }\nMAIN { INPUT \"s\" }\n");
    fs::create_symlink("show.txt", m_dir / "link.txt");
    fs::create_hard_link(m_dir / "show.txt", m_dir / "hard.txt");
    const size_t entries = EntryCount();
    for (const std::string& out :
         std::vector<std::string>{"show.txt", "./show.txt", m_folder / "show.txt", "link.txt",
                                  "hard.txt", "part.txt", "photo.jpg", "music.wav"}) {
        const std::string before = Read(out);
        ProgramResult r = Vemo({"dump", "show.txt", out});
        EXPECT_EQ(r.status, 3) << out;
        EXPECT_EQ(r.err, "vemo: cannot write " + out + ": it is a file the scenario reads\n");
        EXPECT_EQ(Read(out), before) << out;
    }
    // The scenario named through its link is protected the same way.
    const std::string before = Read("show.txt");
    EXPECT_EQ(Vemo({"dump", "link.txt", "show.txt"}).status, 3);
    EXPECT_EQ(Read("show.txt"), before);
    EXPECT_EQ(EntryCount(), entries) << "no temporary file is left behind";
    EXPECT_TRUE(fs::is_symlink(m_dir / "link.txt"));
    EXPECT_EQ(Vemo({"dump", "show.txt", "out.txt"}).status, 0);
}

TEST_F(ScenarioCommands, ScenariosAreReadFromPipes) {
    // A pipe has no size to look at: it is read to its end. Relative names in it
    // are taken from the current folder.
    Write("part.txt", "DRAW \"p\" { SIZE 1 1 }\n");
    Write("show.txt",
          "SCREEN 4 4\nINCLUDE \"part.txt\"\nSTILL \"s\" { INPUT \"p\" FRAMES 2 }\n"
          "MAIN { INPUT \"s\" }\n");
    ProgramResult piped = run_program(
        "/bin/sh", {"-c", std::string("cat show.txt | '") + VEMO_BINARY + "' check /dev/stdin"},
        m_dir.string());
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.out, "SCREEN 4 x 4, 2 frames, 0.067 s, 2 key frames\n");
}

TEST_F(ScenarioCommands, UnicodeTextWithoutAByteOrderMarkIsReadAsUtf8) {
    // The same scenario saved in code page 932 and in UTF-8 (as editors on Linux
    // save it) reads the same; only the code page 932 file is valid in both.
    const std::string text =
        "SCREEN 4 4\nDRAW \"絵\" { SIZE 1 1 }\nSTILL \"静止\" { INPUT \"絵\" FRAMES 2 }\n"
        "MAIN { INPUT \"静止\" }\n";
    Write("cp932.txt", text);
    std::ofstream(m_dir / "utf8.txt", std::ios::binary) << text;
    ProgramResult a = Vemo({"info", "cp932.txt"});
    ProgramResult b = Vemo({"info", "utf8.txt"});
    EXPECT_EQ(a.status, 0) << a.err;
    EXPECT_EQ(b.status, 0) << b.err;
    EXPECT_EQ(a.out, "MAIN\tMAIN\t2\n  静止\tSTILL\t2\n    絵\tDRAW\t0\n");
    EXPECT_EQ(b.out, a.out);
    // The dump is code page 932 whichever way the scenario was written.
    ASSERT_EQ(Vemo({"dump", "utf8.txt", "out.txt"}).status, 0);
    std::string cp932;
    ASSERT_EQ(utf8_to_cp932("STILL\t\"静止\"", &cp932), 0);
    EXPECT_NE(Read("out.txt").find(cp932), std::string::npos);
}

TEST_F(ScenarioCommands, FailedWritesEndWithTheReasonAndStatusThree) {
    Write("show.txt", kShow);
    ProgramResult full = Vemo({"dump", "show.txt", "/dev/full"});
    EXPECT_EQ(full.status, 3);
    EXPECT_EQ(full.err, "vemo: cannot write /dev/full: No space left on device\n");
    ProgramResult missing = Vemo({"dump", "show.txt", "missing/out.txt"});
    EXPECT_EQ(missing.status, 3);
    EXPECT_EQ(missing.err, "vemo: cannot write missing/out.txt: No such file or directory\n");

    for (const char* command : {"check", "info"}) {
        ProgramResult r = Vemo({command, "show.txt"}, "/dev/full");
        EXPECT_EQ(r.status, 3) << command;
        EXPECT_EQ(r.err, "vemo: cannot write the standard output: No space left on device\n")
            << command;
        EXPECT_EQ(Vemo({command, "show.txt"}, "/dev/null").status, 0) << command;
    }
    EXPECT_EQ(Vemo({"--help"}, "/dev/full").status, 3);

    // Started without a standard output: the summary must not land in a file opened
    // later under the free descriptor number (the debug log here).
    ProgramResult closed = Vemo({"check", "--debug", "show.txt"}, kClosedOutput);
    EXPECT_EQ(closed.status, 3);
    EXPECT_EQ(closed.err, "vemo: cannot write the standard output: Bad file descriptor\n");
    EXPECT_EQ(Read("Vemo_debug.log").find("SCREEN"), std::string::npos);
}

TEST_F(ScenarioCommands, FailuresPrintTheReportAndExitWithOne) {
    Write("broken.txt", "SCREEN 320 240\n\nSTILL \"s\" {\n  FRAMES 0\n}\n");
    ProgramResult r = Vemo({"check", "broken.txt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "シナリオ読み込み時にエラーが発生しました。\nbroken.txt : 4行目 :\n"
              "フレーム数の下限値を超えています。\n");

    Write("nomain.txt", "SCREEN 320 240\n");
    for (const char* command : {"check", "info"}) {
        ProgramResult link = Vemo({command, "nomain.txt"});
        EXPECT_EQ(link.status, 1) << command;
        EXPECT_EQ(
            link.err,
            "シナリオ読み込み時にエラーが発生しました。\nMAINブロックが定義されていません。\n")
            << command;
    }

    ProgramResult missing = Vemo({"dump", "none.txt", "out.txt"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(
        missing.err,
        "シナリオ読み込み時にエラーが発生しました。\nシナリオファイルのオープンに失敗しました。\n"
        "none.txt (" +
            (m_dir / "none.txt").string() + "): No such file or directory\n");
    EXPECT_FALSE(fs::exists(m_dir / "out.txt"));
}

TEST_F(ScenarioCommands, OversizedScenarioNeedsYes) {
    std::string big(10485761, ' ');
    big +=
        "SCREEN 4 4\nDRAW \"p\" { SIZE 1 1 }\nSTILL \"s\" { INPUT \"p\" FRAMES 2 }\n"
        "MAIN { INPUT \"s\" }\n";
    std::ofstream(m_dir / "big.txt", std::ios::binary) << big;
    ProgramResult no = Vemo({"check", "big.txt"});
    EXPECT_EQ(no.status, 1) << "a question on a non-interactive input is answered No";
    EXPECT_EQ(no.out, "");
    EXPECT_NE(no.err.find("は、ファイルサイズが異常に大きいと思われます。続けますか？\n"
                          "vemo: answered No, since the standard input is not a terminal; "
                          "--yes answers Yes\n"),
              std::string::npos)
        << no.err;
    ProgramResult yes = Vemo({"check", "--yes", "big.txt"});
    EXPECT_EQ(yes.status, 0) << yes.err;
    EXPECT_EQ(yes.out, "SCREEN 4 x 4, 2 frames, 0.067 s, 2 key frames\n");
}

}  // namespace
