// WriteScenario: the canonical text, byte for byte.

#include <gtest/gtest.h>

#include <regex>

#include "scenario/tests/scenario_fixture.h"

namespace {

class DumpTest : public ScenarioTest {
protected:
    // Loads and links `utf8`, writes the dump and returns its bytes as UTF-8, with
    // the date of the second line replaced by "DATE".
    std::string Dump(const std::string& utf8) {
        EXPECT_EQ(LoadText(utf8), 0) << OnlyError();
        EXPECT_EQ(m_doc.Link(), 0) << OnlyError();
        std::string out = (m_dir / "dump.txt").string();
        EXPECT_EQ(m_doc.WriteScenario(out), 0);
        std::ifstream file(out, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        static const std::regex date(
            "# Vemo Scenario file - \\d{4}/\\d{2}/\\d{2}\\([A-Z][a-z]{2}\\) \\d{2}:\\d{2}:\\d{2} ");
        return std::regex_replace(cp932_to_utf8(bytes), date, "# Vemo Scenario file - DATE ",
                                  std::regex_constants::format_first_only);
    }
};

const std::string kSep(80, '#');

TEST_F(DumpTest, CanonicalLayout) {
    std::string out = (m_dir / "dump.txt").string();
    std::string text = Dump(
        "SCREEN 320 240\n"
        "DRAW \"絵\" { SIZE 8 6 COLOR 1 2 3 4 }\n"
        "STILL \"hold\" { INPUT \"絵\" MAX_CUT FRAMES (5*2) }\n"
        "FADEIN \"in\" { INPUT \"hold\" OUT FRAMES 4 }\n"
        "MAIN { INPUT \"in\" INPUT \"hold\" }\n"
        "CHECKPOINT { CT 1000 CF 3 10 20 30 }\n");
    const std::string expected = kSep +
                                 "\r\n"
                                 "# Vemo Scenario file - DATE \r\n"
                                 "#     File name \t: \"" +
                                 out +
                                 "\"\r\n"
                                 "#     Total frames \t: 20\r\n"
                                 "#     Total time \t: 0.667 [sec]\r\n" +
                                 kSep +
                                 "\r\n"
                                 "\r\n"
                                 "VERSION\t\t1\r\n"
                                 "SCREEN\t\t320\t240\r\n"
                                 "FRAMERATE\t30\r\n"
                                 "SCALE\t\t1\r\n"
                                 "PREVIEWSCALE\t4\r\n"
                                 "BOARDBREAK\t1000\r\n"
                                 "STARTFRAME\t0\r\n"
                                 "\r\n" +
                                 kSep +
                                 "\r\n"
                                 "\r\n"
                                 "DRAW\t\"絵\"\r\n"
                                 "{\r\n"
                                 "\t# RefCount = 1\r\n"
                                 "\tSIZE\t\t8\t6\r\n"
                                 "\tCOLOR\t\t1\t2\t3\t4\r\n"
                                 "}\r\n"
                                 "\r\n"
                                 "STILL\t\"hold\"\r\n"
                                 "{\r\n"
                                 "\t# RefCount = 2\r\n"
                                 "\tINPUT\t\t\"絵\"\t0\t0\t319\t239\tMAX_CUT\r\n"
                                 "\tBGCOLOR\t\t0\t0\t0\r\n"
                                 "\tFRAMES\t\t10\r\n"
                                 "}\r\n"
                                 "\r\n"
                                 "FADE\t\"in\"\r\n"
                                 "{\r\n"
                                 "\t# RefCount = 1\r\n"
                                 "\tINPUT\t\t\"hold\"\r\n"
                                 "\tIN\r\n"
                                 "\tCOLOR\t\t0\t0\t0\r\n"
                                 "\tFRAMES\t\t4\r\n"
                                 "}\r\n"
                                 "\r\n"
                                 "MAIN\r\n"
                                 "{\r\n"
                                 "\t# RefCount = 0\r\n"
                                 "\tINPUT\t\t\"in\"\r\n"
                                 "\tINPUT\t\t\"hold\"\r\n"
                                 "}\r\n"
                                 "\r\n" +
                                 kSep +
                                 "\r\n"
                                 "\r\n"
                                 "CHECKPOINT\r\n"
                                 "{\r\n"
                                 "\tCF\t30\t255\t255\t255\r\n"
                                 "\tCF\t3\t10\t20\t30\r\n"
                                 "}\r\n"
                                 "\r\n" +
                                 kSep + "\r\n";
    EXPECT_EQ(text, expected);
}

TEST_F(DumpTest, OptionalHeaderLines) {
    WriteBytes("music.wav", "RIFF");
    m_doc.SetVersionText("Vemo Version 1.1.0 (rev63)");
    std::string text = Dump(
        "SCREEN 2 2\nFRAMERATE 24\nSCALE 2\nAUDIO \"music.wav\"\n"
        "DRAW \"p\" { SIZE 1 1 }\nSTILL \"s\" { INPUT \"p\" FRAMES 3 }\n"
        "MAIN { INPUT \"s\" }\n");
    EXPECT_NE(text.find("# Vemo Scenario file - DATE \r\n"
                        "#     Vemo version \t: Vemo Version 1.1.0 (rev63)\r\n"
                        "#     File name \t: \""),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("#     Total frames \t: 3\r\n#     Total time \t: 0.250 [sec]\r\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("SCREEN\t\t2\t2\r\nAUDIO\t\t\"" + (m_dir / "music.wav").string() +
                        "\"\r\nFRAMERATE\t24\r\nSCALE\t\t2\r\n"),
              std::string::npos)
        << text;
    // Without checkpoints the file ends right after the last block.
    EXPECT_NE(text.find("\tINPUT\t\t\"s\"\r\n}\r\n\r\n" + kSep + "\r\n"), std::string::npos)
        << text;
    EXPECT_EQ(text.find("CHECKPOINT"), std::string::npos);

    EXPECT_EQ(m_doc.WriteScenario((m_dir / "no-such-folder" / "x.txt").string()), -1);
}

}  // namespace
