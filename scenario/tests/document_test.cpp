// Loading a scenario: header statements, values, files, includes and reports.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "scenario/paths.h"
#include "scenario/reader.h"
#include "scenario/tests/scenario_fixture.h"

namespace {

using DocumentTest = ScenarioTest;

TEST_F(DocumentTest, HeaderStatementsTakeTheLastValue) {
    ASSERT_EQ(LoadText("VERSION 2\nSCREEN 640 480\nSCREEN 320 (200+40)\nFRAMERATE 24\n"
                       "SCALE 2\nPREVIEWSCALE 3\nBOARDBREAK 500\nSTARTFRAME 7\nFOLDER 11 12\n"),
              0)
        << OnlyError();
    EXPECT_EQ(m_doc.Version(), 2);
    EXPECT_EQ(m_doc.GetScreenWidth(), 11) << "FOLDER reads a screen size";
    EXPECT_EQ(m_doc.GetScreenHeight(), 12);
    EXPECT_EQ(m_doc.FrameRate(), 24);
    EXPECT_EQ(m_doc.Scale(), 2);
    EXPECT_EQ(m_doc.PreviewScale(), 3);
    EXPECT_EQ(m_doc.BoardBreak(), 500);
    EXPECT_EQ(m_doc.StartFrame(), 7);
}

TEST_F(DocumentTest, LimitsCarryTheLabel) {
    EXPECT_EQ(LoadFailure("SCREEN 1 1\n\nVERSION 3\n"),
              At("scenario.txt", 3, "シナリオバージョンの上限値を超えています。"));
    EXPECT_EQ(LoadFailure("VERSION 0\n"),
              At("scenario.txt", 1, "シナリオバージョンの下限値を超えています。"));
    EXPECT_EQ(LoadFailure("SCREEN 10 -1\n"),
              At("scenario.txt", 1, "スクリーン高の下限値を超えています。"));
}

TEST_F(DocumentTest, LiteralsAndExpressions) {
    ASSERT_EQ(LoadText("SCREEN - 5\n"), 0) << OnlyError();
    EXPECT_EQ(m_doc.GetScreenWidth(), 0) << "a lone minus sign reads as 0";

    for (const char* text : {"FRAMERATE --1\n", "FRAMERATE 1a\n", "FRAMERATE 3)\n"}) {
        EXPECT_EQ(LoadFailure(text),
                  At("scenario.txt", 1, "フレームレート値を正しく記述してください。"))
            << text;
    }
    // The reported line of a failed expression is where it begins.
    EXPECT_EQ(LoadFailure("SCREEN 1 1\nSCALE (1+\n2+\n$(X))\n"),
              At("scenario.txt", 2, "変数または演算式が正しく記述されていません。"));
    EXPECT_EQ(LoadFailure("\nSCALE (4/(2-2))\n"),
              At("scenario.txt", 2, "0 による割り算が発生しました。"));
    // A reference followed by "+1" is only the reference; "+1" is the next word.
    EXPECT_EQ(LoadFailure("$(A) = 5\nSCALE $(A)+1\n"),
              At("scenario.txt", 2, "+1 の記述はできません。"));
}

TEST_F(DocumentTest, VariablesAreDefinedInReadingOrder) {
    ASSERT_EQ(LoadText("$(W) = 320\n$( H )=(240)\n$(W) = ($(W)*2)\nSCREEN $(W) $(H)\n"), 0)
        << OnlyError();
    EXPECT_EQ(m_doc.GetScreenWidth(), 640);
    EXPECT_EQ(m_doc.GetScreenHeight(), 240);

    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"$ (W) = 1\n", {At("scenario.txt", 1, "不正な記述があります。")}},
        {"$(W) 1\n", {At("scenario.txt", 1, "不正な記述があります。")}},
        {"$(W = 1\n", {At("scenario.txt", 1, "不正な記述があります。")}},
        {"SCREEN $(LATER) 1\n$(LATER) = 2\n",
         {At("scenario.txt", 1, "変数または演算式が正しく記述されていません。")}},
        {"$(W) = x\n",
         {At("scenario.txt", 1, "数値を正しく記述してください。"),
          At("scenario.txt", 1, "不正な記述があります。")}},
    };
    for (const auto& [text, expected] : cases) {
        m_errors.clear();
        EXPECT_EQ(LoadText(text), -1) << text;
        EXPECT_EQ(m_errors, expected) << text;
    }
}

TEST_F(DocumentTest, WordsAndLinesAsWritten) {
    // CR LF and LF files report the same line.
    for (bool crlf : {true, false}) {
        EXPECT_EQ(LoadFailure("# comment\nSCREEN 1 1\n\nSCREAM 2 2\n", crlf),
                  At("scenario.txt", 4, "SCREAM の記述はできません。"));
    }
    // Keywords are case-sensitive.
    EXPECT_EQ(LoadFailure("screen 1 1\n"), At("scenario.txt", 1, "screen の記述はできません。"));
    // The last word of a file needs a blank after it.
    EXPECT_EQ(LoadFailure("SCREEN 1 1\nSCALE 2", false),
              At("scenario.txt", 2, "シナリオ解析時に問題が発生しました。"));
    EXPECT_EQ(LoadFailure("SCREEN 1 1\nVERSION", false),
              At("scenario.txt", 2, "不明なエラーが発生しました。"));
    // A word of 256 bytes does not fit its buffer; 255 bytes does.
    EXPECT_EQ(LoadFailure(std::string(256, 'W') + "\n"),
              At("scenario.txt", 1, "一時バッファをオーバーフローしました。"));
    EXPECT_EQ(LoadFailure(std::string(255, 'W') + "\n"),
              At("scenario.txt", 1, std::string(255, 'W') + " の記述はできません。"));
    // A misspelt word in Japanese is shown in UTF-8.
    EXPECT_EQ(LoadFailure("\n画面 1 1\n"), At("scenario.txt", 2, "画面 の記述はできません。"));
}

TEST_F(DocumentTest, QuotedStrings) {
    // "#" between quotes is no comment; two-byte characters ending in 0x5C ("表")
    // or 0x7B ("＋") neither end nor split the name.
    WriteBytes("a#b.wav", "RIFF");
    WriteBytes("表＋.wav", "RIFF");
    ASSERT_EQ(LoadText("AUDIO \"a#b.wav\" # the comment starts here\n"), 0) << OnlyError();
    EXPECT_EQ(m_doc.AudioPath(), (m_dir / "a#b.wav").string());
    ASSERT_EQ(LoadText("AUDIO\t\"表＋.wav\"\n"), 0) << OnlyError();
    EXPECT_EQ(m_doc.AudioPath(), (m_dir / "表＋.wav").string());

    const std::string quote =
        "オーディオファイル名は正しくダブルクォーテーション(\")で括って下さい。";
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"AUDIO \"a}b.wav\"\n", {At("scenario.txt", 1, quote)}},
        {"AUDIO a.wav\n", {At("scenario.txt", 1, quote)}},
        {"AUDIO \"a.wav\n\"\n", {At("scenario.txt", 1, quote)}},
        {"AUDIO \"\"\n",
         {At("scenario.txt", 1, "不明なエラーが発生しました。"),
          At("scenario.txt", 1, "シナリオ解析時に問題が発生しました。")}},
    };
    for (const auto& [text, expected] : cases) {
        m_errors.clear();
        EXPECT_EQ(LoadText(text), -1) << text;
        EXPECT_EQ(m_errors, expected) << text;
    }
}

TEST_F(DocumentTest, CheckpointsAreReadWithTheirColours) {
    ASSERT_EQ(LoadText("CHECKPOINT {\n CT 1000\n CF 45 255 0 16\n}\nCHECKPOINT {CF 3}\n"), 0)
        << OnlyError();
    ASSERT_EQ(m_doc.Checkpoints().size(), 3u);
    EXPECT_EQ(m_doc.Checkpoints()[0].time, 1000);
    EXPECT_EQ(m_doc.Checkpoints()[0].frame, -1);
    EXPECT_EQ(m_doc.Checkpoints()[0].color, CColor(255, 255, 255, 255));
    EXPECT_EQ(m_doc.Checkpoints()[1].frame, 45);
    EXPECT_EQ(m_doc.Checkpoints()[1].color, CColor(255, 0, 16, 255));
    EXPECT_EQ(m_doc.Checkpoints()[2].frame, 3);
    int32_t colour = 0;
    EXPECT_EQ(m_doc.CheckpointAt(45, &colour), 2);
    EXPECT_EQ(colour, 0xFF0010);
    EXPECT_EQ(m_doc.CheckpointAt(46, &colour), 0);
    EXPECT_EQ(colour, 0xFFFFFF);

    const std::pair<const char*, std::string> cases[] = {
        {"CHECKPOINT\n{\nCX 1\n}\n",
         At("scenario.txt", 3, "CHECKPOINT ブロック内では、CX の記述はできません。")},
        {"$(R) = 1\nCHECKPOINT {\nCF 1 $(R) 0 0\n}\n",
         At("scenario.txt", 3, "CHECKPOINT ブロック内では、$(R) の記述はできません。")},
        {"CHECKPOINT CF 1\n", At("scenario.txt", 1, "不正な記述があります。")},
        {"CHECKPOINT {\nCF 1 256 0 0\n}\n",
         At("scenario.txt", 2, "赤の輝度の上限値を超えています。")},
        {"CHECKPOINT {\nCT -1\n}\n",
         At("scenario.txt", 2, "チェックポイントの下限値を超えています。")},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(LoadFailure(text), expected) << text;
    }
}

TEST_F(DocumentTest, IncludedFilesResolveAgainstTheirOwnFolder) {
    WriteBytes("sub/music.wav", "RIFF");
    Write("sub/inner.txt", "AUDIO \"music.wav\"\nMAIN { INPUT \"skipped\" }\nSCALE 5\n");
    const std::filesystem::path working = std::filesystem::current_path();
    ASSERT_EQ(LoadText("INCLUDE \"sub\\inner.txt\"\nSCREEN 1 1\n"), 0) << OnlyError();
    EXPECT_EQ(std::filesystem::current_path(), working) << "the current directory never moves";
    EXPECT_EQ(m_doc.AudioPath(), (m_dir / "sub/music.wav").string());
    EXPECT_EQ(m_doc.Scale(), 5) << "the included MAIN was skipped unread";
    EXPECT_EQ(m_doc.ScenarioPath(), (m_dir / "scenario.txt").string());

    // An error inside an included file names that file and its own line.
    Write("sub/bad.txt", "SCALE 1\n\nBROKEN\n");
    EXPECT_EQ(LoadFailure("\nINCLUDE \"sub/bad.txt\"\n"),
              At("bad.txt", 3, "BROKEN の記述はできません。"));

    // A file that does not open is named as written, where it was looked for, and why.
    EXPECT_EQ(LoadFailure("INCLUDE \"sub\\missing.txt\"\n"),
              NoPlace("シナリオファイルのオープンに失敗しました。\nsub\\missing.txt (" +
                      (m_dir / "sub" / "missing.txt").string() + "): No such file or directory"));

    EXPECT_EQ(LoadFailure("AUDIO \"nothing.wav\"\n"),
              At("scenario.txt", 1, "音楽ファイルを開くことができません。"));

    // Names with a drive letter are kept; a two-byte character ending in 0x5C is
    // not a folder separator.
    EXPECT_EQ(resolve_scenario_name("/base", "C:\\music\\a.wav"), "C:/music/a.wav");
    std::string name;
    ASSERT_EQ(utf8_to_cp932("表\\a.wav", &name), 0);
    EXPECT_EQ(resolve_scenario_name("/base", name), "/base/表/a.wav");
    EXPECT_EQ(resolve_scenario_name("/base/", "/abs/x"), "/abs/x");
}

TEST_F(DocumentTest, SpecialFilesNeverBlockTheReader) {
    // Opening a pipe nobody writes to would wait forever; it reads as an empty file.
    ASSERT_EQ(::mkfifo((m_dir / "pipe").c_str(), 0600), 0);
    ASSERT_EQ(LoadText("INCLUDE \"pipe\"\nAUDIO \"pipe\"\nSCALE 3\n"), 0) << OnlyError();
    EXPECT_EQ(m_doc.Scale(), 3);
    EXPECT_EQ(LoadText("INCLUDE \".\"\n"), -1) << "a folder is no scenario";
    EXPECT_EQ(m_errors.back(), NoPlace("シナリオファイルのオープンに失敗しました。\n. (" +
                                       m_dir.string() + "): Is a directory"));
}

TEST_F(DocumentTest, SelfIncludingFilesStopAtTheDepthLimit) {
    Write("a.txt", "SCALE 1\nINCLUDE \"b.txt\"\n");
    Write("b.txt", "\n\nINCLUDE \"a.txt\"\n");
    EXPECT_EQ(m_doc.Load((m_dir / "a.txt").string()), -1);
    // a (top) includes b, b includes a, ...: the 64th included file is a.txt, and
    // its INCLUDE is the one refused.
    EXPECT_EQ(OnlyError(), At("a.txt", 2, "INCLUDE の入れ子が 64 段を超えています。"));
}

TEST_F(DocumentTest, IncludesAreLimitedPerDocument) {
    // Files including the next one twice each make no loop, but 2^20 readings.
    for (int i = 0; i < 20; ++i) {
        std::string next = "f" + std::to_string(i + 1) + ".txt";
        Write("f" + std::to_string(i) + ".txt",
              "INCLUDE \"" + next + "\"\nINCLUDE \"" + next + "\"\n");
    }
    Write("f20.txt", "SCALE 2\n");
    EXPECT_EQ(LoadText("SCREEN 1 1\nINCLUDE \"f0.txt\"\n"), -1);
    ASSERT_EQ(m_errors.size(), 1u);
    EXPECT_NE(m_errors[0].find("INCLUDE で読み込むファイルが多すぎます。"), std::string::npos);

    // The 10000th INCLUDE is read; the next one is refused where it stands.
    Write("leaf.txt", "SCALE 3\n");
    std::string many;
    for (int i = 0; i < 10000; ++i) many += "INCLUDE \"leaf.txt\"\n";
    CScenario fits;
    Record(fits);
    m_errors.clear();
    EXPECT_EQ(fits.Load(Write("many.txt", many)), 0) << OnlyError();
    EXPECT_EQ(fits.Scale(), 3);
    CScenario over;
    Record(over);
    EXPECT_EQ(over.Load(Write("more.txt", many + "INCLUDE \"leaf.txt\"\n")), -1);
    EXPECT_EQ(OnlyError(), At("more.txt", 10001, "INCLUDE で読み込むファイルが多すぎます。"));

    // So is the INCLUDE after 256 MiB of included text.
    WriteBytes("blank.txt", std::string(size_t{4} << 20, '\n'));
    std::string big;
    for (int i = 0; i < 65; ++i) big += "INCLUDE \"blank.txt\"\n";
    CScenario heavy;
    Record(heavy);
    m_errors.clear();
    EXPECT_EQ(heavy.Load(Write("heavy.txt", big)), -1);
    EXPECT_EQ(OnlyError(), At("heavy.txt", 65, "INCLUDE で読み込むファイルが多すぎます。"));
}

TEST_F(DocumentTest, LargeFilesAreLoadedOnlyWhenTheUserAgrees) {
    std::string exact(static_cast<size_t>(kScenarioSizeQuestion), ' ');
    std::string path = WriteBytes("big.txt", exact);
    EXPECT_EQ(m_doc.Load(path), 0);
    EXPECT_TRUE(m_questions.empty());

    path = WriteBytes("bigger.txt", exact + " ");
    EXPECT_EQ(m_doc.Load(path), -1);
    ASSERT_EQ(m_questions.size(), 1u);
    EXPECT_EQ(m_questions[0],
              path + "\nは、ファイルサイズが異常に大きいと思われます。続けますか？");
    EXPECT_TRUE(m_errors.empty()) << "answering No fails without a message";

    m_answer = AskAnswer::Yes;
    EXPECT_EQ(m_doc.Load(path), 0);
}

TEST_F(DocumentTest, Utf8FilesWithAByteOrderMarkAreConverted) {
    ASSERT_EQ(
        m_doc.Load(WriteBytes("bom.txt", "\xEF\xBB\xBF# 説明\r\n$(幅) = 12\r\nSCREEN $(幅) 3\r\n")),
        0)
        << OnlyError();
    EXPECT_EQ(m_doc.GetScreenWidth(), 12);
    std::string name;
    utf8_to_cp932("幅", &name);
    ASSERT_TRUE(m_doc.Variables().Find(name));

    // Line numbers stay those of the file; a character outside the code page is an error.
    EXPECT_EQ(m_doc.Load(WriteBytes("bom2.txt", "\xEF\xBB\xBFSCREEN 1 1\n\nX \xF0\x9F\x98\x80\n")),
              -1);
    EXPECT_EQ(OnlyError(),
              At("bom2.txt", 3, "シフトJIS (コードページ 932) で表せない文字があります。"));
    m_errors.clear();
    EXPECT_EQ(m_doc.Load(WriteBytes("bom3.txt", "\xEF\xBB\xBF\n\nタイトル 1\n")), -1);
    EXPECT_EQ(OnlyError(), At("bom3.txt", 3, "タイトル の記述はできません。"));
    // A NUL byte is kept, as in any other file, and stops the reading where it stands.
    m_errors.clear();
    EXPECT_EQ(m_doc.Load(WriteBytes("bom4.txt", std::string("\xEF\xBB\xBFSCALE 2\n\0\nX\n", 15))),
              -1);
    EXPECT_EQ(OnlyError(), At("bom4.txt", 2, "不明なエラーが発生しました。"));
}

}  // namespace
