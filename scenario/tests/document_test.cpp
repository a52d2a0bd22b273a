// Loading a scenario: header statements, values, files, includes and reports.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "scenario/paths.h"
#include "scenario/reader.h"
#include "scenario/tests/scenario_fixture.h"

namespace {

using DocumentTest = ScenarioTest;

TEST_F(DocumentTest, HeaderStatementsTakeTheLastValue) {
    ASSERT_TRUE(
        Accepts("VERSION 2\nSCREEN 640 480\nSCREEN 320 (200+40)\nFRAMERATE 24\n"
                "SCALE 2\nPREVIEWSCALE 3\nBOARDBREAK 500\nSTARTFRAME 7\nFOLDER 11 12\n"));
    // FOLDER reads a screen size.
    EXPECT_EQ((std::vector<int32_t>{m_doc.Version(), m_doc.GetScreenWidth(),
                                    m_doc.GetScreenHeight(), m_doc.FrameRate(), m_doc.Scale(),
                                    m_doc.PreviewScale(), m_doc.BoardBreak(), m_doc.StartFrame()}),
              (std::vector<int32_t>{2, 11, 12, 24, 2, 3, 500, 7}));

    ASSERT_TRUE(Accepts("SCREEN - 5\n"));
    EXPECT_EQ(m_doc.GetScreenWidth(), 0) << "a lone minus sign reads as 0";
    ASSERT_TRUE(Accepts("$(W) = 320\n$( H )=(240)\n$(W) = ($(W)*2)\nSCREEN $(W) $(H)\n"));
    EXPECT_EQ(m_doc.GetScreenWidth(), 640) << "variables are defined in reading order";
    EXPECT_EQ(m_doc.GetScreenHeight(), 240);
}

TEST_F(DocumentTest, ReportsNameTheLineAndTheWord) {
    const std::string frameRate = "フレームレート値を正しく記述してください。";
    ExpectRefusals({
        // Limits carry the label of the value.
        {"SCREEN 1 1\n\nVERSION 3\n", 3, "シナリオバージョンの上限値を超えています。"},
        {"VERSION 0\n", 1, "シナリオバージョンの下限値を超えています。"},
        {"SCREEN 10 -1\n", 1, "スクリーン高の下限値を超えています。"},
        {"FRAMERATE --1\n", 1, frameRate},
        {"FRAMERATE 1a\n", 1, frameRate},
        {"FRAMERATE 3)\n", 1, frameRate},
        // The reported line of a failed expression is where it begins.
        {"SCREEN 1 1\nSCALE (1+\n2+\n$(X))\n", 2, "変数または演算式が正しく記述されていません。"},
        {"\nSCALE (4/(2-2))\n", 2, "0 による割り算が発生しました。"},
        // A reference followed by "+1" is only the reference; "+1" is the next word.
        {"$(A) = 5\nSCALE $(A)+1\n", 2, "+1 の記述はできません。"},
        {"$ (W) = 1\n", 1, "不正な記述があります。"},
        {"$(W) 1\n", 1, "不正な記述があります。"},
        {"$(W = 1\n", 1, "不正な記述があります。"},
        {"SCREEN $(LATER) 1\n$(LATER) = 2\n", 1, "変数または演算式が正しく記述されていません。"},
        // CR LF and LF files report the same line; keywords are case-sensitive.
        {"# comment\nSCREEN 1 1\n\nSCREAM 2 2\n", 4, "SCREAM の記述はできません。"},
        {"# comment\nSCREEN 1 1\n\nSCREAM 2 2\n", 4, "SCREAM の記述はできません。", false},
        {"screen 1 1\n", 1, "screen の記述はできません。"},
        // The last word of a file needs a blank after it.
        {"SCREEN 1 1\nSCALE 2", 2, "シナリオ解析時に問題が発生しました。", false},
        {"SCREEN 1 1\nVERSION", 2, "不明なエラーが発生しました。", false},
        // A word of 256 bytes does not fit its buffer; 255 bytes does.
        {std::string(256, 'W') + "\n", 1, "一時バッファをオーバーフローしました。"},
        {std::string(255, 'W') + "\n", 1, std::string(255, 'W') + " の記述はできません。"},
        // A misspelt word in Japanese is shown in UTF-8.
        {"\n画面 1 1\n", 2, "画面 の記述はできません。"},
        {"CHECKPOINT\n{\nCX 1\n}\n", 3, "CHECKPOINT ブロック内では、CX の記述はできません。"},
        {"$(R) = 1\nCHECKPOINT {\nCF 1 $(R) 0 0\n}\n", 3,
         "CHECKPOINT ブロック内では、$(R) の記述はできません。"},
        {"CHECKPOINT CF 1\n", 1, "不正な記述があります。"},
        {"CHECKPOINT {\nCF 1 256 0 0\n}\n", 2, "赤の輝度の上限値を超えています。"},
        {"CHECKPOINT {\nCT -1\n}\n", 2, "チェックポイントの下限値を超えています。"},
        {"AUDIO \"nothing.wav\"\n", 1, "音楽ファイルを開くことができません。"},
    });

    // Some failures are reported twice: the value, then the statement.
    const std::pair<const char*, std::vector<std::string>> twice[] = {
        {"$(W) = x\n",
         {At("scenario.txt", 1, "数値を正しく記述してください。"),
          At("scenario.txt", 1, "不正な記述があります。")}},
        {"AUDIO \"\"\n",
         {At("scenario.txt", 1, "不明なエラーが発生しました。"),
          At("scenario.txt", 1, "シナリオ解析時に問題が発生しました。")}},
    };
    for (const auto& [text, expected] : twice) {
        m_errors.clear();
        EXPECT_EQ(LoadText(text), -1) << text;
        EXPECT_EQ(m_errors, expected) << text;
    }
}

TEST_F(DocumentTest, QuotedStrings) {
    // "#" between quotes is no comment; two-byte characters ending in 0x5C ("表")
    // or 0x7B ("＋") neither end nor split the name.
    WriteBytes("a#b.wav", "RIFF");
    WriteBytes("表＋.wav", "RIFF");
    ASSERT_TRUE(Accepts("AUDIO \"a#b.wav\" # the comment starts here\n"));
    EXPECT_EQ(m_doc.AudioPath(), (m_dir / "a#b.wav").string());
    ASSERT_TRUE(Accepts("AUDIO\t\"表＋.wav\"\n"));
    EXPECT_EQ(m_doc.AudioPath(), (m_dir / "表＋.wav").string());

    const std::string quote =
        "オーディオファイル名は正しくダブルクォーテーション(\")で括って下さい。";
    ExpectRefusals({{"AUDIO \"a}b.wav\"\n", 1, quote},
                    {"AUDIO a.wav\n", 1, quote},
                    {"AUDIO \"a.wav\n\"\n", 1, quote}});
}

TEST_F(DocumentTest, CheckpointsAreReadWithTheirColours) {
    ASSERT_TRUE(Accepts("CHECKPOINT {\n CT 1000\n CF 45 255 0 16\n}\nCHECKPOINT {CF 3}\n"));
    // Their times, frames and colours as written back: dump_test.cpp.
    ASSERT_EQ(m_doc.Checkpoints().size(), 3u);
    int32_t colour = 0;
    EXPECT_EQ(m_doc.CheckpointAt(45, &colour), 2);
    EXPECT_EQ(colour, 0xFF0010);
    EXPECT_EQ(m_doc.CheckpointAt(46, &colour), 0);
    EXPECT_EQ(colour, 0xFFFFFF);
}

TEST_F(DocumentTest, IncludedFilesResolveAgainstTheirOwnFolder) {
    WriteBytes("sub/music.wav", "RIFF");
    Write("sub/inner.txt", "AUDIO \"music.wav\"\nMAIN { INPUT \"skipped\" }\nSCALE 5\n");
    const std::filesystem::path working = std::filesystem::current_path();
    ASSERT_TRUE(Accepts("INCLUDE \"sub\\inner.txt\"\nSCREEN 1 1\n"));
    EXPECT_EQ(std::filesystem::current_path(), working) << "the current directory never moves";
    EXPECT_EQ(m_doc.AudioPath(), (m_dir / "sub/music.wav").string());
    EXPECT_EQ(m_doc.Scale(), 5) << "the included MAIN was skipped unread";
    EXPECT_EQ(m_doc.ScenarioPath(), (m_dir / "scenario.txt").string());

    // An error inside an included file names that file and its own line.
    Write("sub/bad.txt", "SCALE 1\n\nBROKEN\n");
    EXPECT_EQ(Refused("\nINCLUDE \"sub/bad.txt\"\n"),
              At("bad.txt", 3, "BROKEN の記述はできません。"));
    // A file that does not open is named as written, where it was looked for, and why.
    EXPECT_EQ(Refused("INCLUDE \"sub\\missing.txt\"\n"),
              NoPlace("シナリオファイルのオープンに失敗しました。\nsub\\missing.txt (" +
                      (m_dir / "sub" / "missing.txt").string() + "): No such file or directory"));

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
    ASSERT_TRUE(Accepts("INCLUDE \"pipe\"\nAUDIO \"pipe\"\nSCALE 3\n"));
    EXPECT_EQ(m_doc.Scale(), 3);
    EXPECT_EQ(Refused("INCLUDE \".\"\n"),
              NoPlace("シナリオファイルのオープンに失敗しました。\n. (" + m_dir.string() +
                      "): Is a directory"))
        << "a folder is no scenario";
}

TEST_F(DocumentTest, IncludesAreLimitedPerDocument) {
    // a (top) includes b, b includes a, ...: the 64th included file is a.txt, and
    // its INCLUDE is the one refused.
    Write("a.txt", "SCALE 1\nINCLUDE \"b.txt\"\n");
    Write("b.txt", "\n\nINCLUDE \"a.txt\"\n");
    EXPECT_EQ(m_doc.Load((m_dir / "a.txt").string()), -1);
    EXPECT_EQ(OnlyError(), At("a.txt", 2, "INCLUDE の入れ子が 64 段を超えています。"));

    // Files including the next one twice each make no loop, but 2^20 readings.
    for (int i = 0; i < 20; ++i) {
        std::string next = "f" + std::to_string(i + 1) + ".txt";
        Write("f" + std::to_string(i) + ".txt",
              "INCLUDE \"" + next + "\"\nINCLUDE \"" + next + "\"\n");
    }
    Write("f20.txt", "SCALE 2\n");
    EXPECT_NE(Refused("SCREEN 1 1\nINCLUDE \"f0.txt\"\n")
                  .find("INCLUDE で読み込むファイルが多すぎます。"),
              std::string::npos);

    // The 10000th INCLUDE is read; the next one is refused where it stands.
    Write("leaf.txt", "SCALE 3\n");
    std::string many;
    for (int i = 0; i < 10000; ++i) many += "INCLUDE \"leaf.txt\"\n";
    CScenario fits;
    Record(fits);
    m_errors.clear();
    EXPECT_EQ(fits.Load(Write("many.txt", many)), 0) << OnlyError();
    EXPECT_EQ(fits.Scale(), 3);
    EXPECT_EQ(Refused(many + "INCLUDE \"leaf.txt\"\n"),
              At("refused.txt", 10001, "INCLUDE で読み込むファイルが多すぎます。"));

    // So is the INCLUDE after 256 MiB of included text.
    WriteBytes("blank.txt", std::string(size_t{4} << 20, '\n'));
    std::string big;
    for (int i = 0; i < 65; ++i) big += "INCLUDE \"blank.txt\"\n";
    EXPECT_EQ(Refused(big), At("refused.txt", 65, "INCLUDE で読み込むファイルが多すぎます。"));
}

TEST_F(DocumentTest, LargeFilesAreLoadedOnlyWhenTheUserAgrees) {
    std::string exact(static_cast<size_t>(kScenarioSizeQuestion), ' ');
    EXPECT_EQ(m_doc.Load(WriteBytes("big.txt", exact)), 0);
    EXPECT_TRUE(m_questions.empty());

    const std::string path = WriteBytes("bigger.txt", exact + " ");
    EXPECT_EQ(m_doc.Load(path), -1);
    EXPECT_EQ(m_questions,
              std::vector<std::string>{
                  path + "\nは、ファイルサイズが異常に大きいと思われます。続けますか？"});
    EXPECT_TRUE(m_errors.empty()) << "answering No fails without a message";
    // Answering Yes: vemo check --yes (tests/scenario_cli_test.cpp).
}

TEST_F(DocumentTest, Utf8FilesWithAByteOrderMarkAreConverted) {
    const std::string bom = "\xEF\xBB\xBF";
    ASSERT_EQ(m_doc.Load(WriteBytes("bom.txt", bom + "# 説明\r\n$(幅) = 12\r\nSCREEN $(幅) 3\r\n")),
              0)
        << OnlyError();
    EXPECT_EQ(m_doc.GetScreenWidth(), 12);
    std::string name;
    utf8_to_cp932("幅", &name);
    ASSERT_TRUE(m_doc.Variables().Find(name));

    // Line numbers stay those of the file; a character outside the code page is an
    // error; a NUL byte is kept, as in any other file, and stops the reading where
    // it stands.
    const std::pair<std::string, std::string> cases[] = {
        {"SCREEN 1 1\n\nX \xF0\x9F\x98\x80\n",
         At("bom.txt", 3, "シフトJIS (コードページ 932) で表せない文字があります。")},
        {"\n\nタイトル 1\n", At("bom.txt", 3, "タイトル の記述はできません。")},
        {std::string("SCALE 2\n\0\nX\n", 12), At("bom.txt", 2, "不明なエラーが発生しました。")},
    };
    for (const auto& [text, expected] : cases) {
        m_errors.clear();
        EXPECT_EQ(m_doc.Load(WriteBytes("bom.txt", bom + text)), -1) << text;
        EXPECT_EQ(OnlyError(), expected) << text;
    }
}

}  // namespace
