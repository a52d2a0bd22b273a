// WriteScenario: the canonical text, byte for byte.

#include <gtest/gtest.h>

#include <regex>

#include "scenario/tests/scenario_fixture.h"

namespace {

class DumpTest : public ScenarioTest {
protected:
    // Loads and links `utf8`, writes the dump and returns its bytes as UTF-8, every
    // line end (which must be CR LF) as "\n" and the date of the second line
    // replaced by "DATE".
    std::string Dump(const std::string& utf8) {
        EXPECT_EQ(LoadText(utf8), 0) << OnlyError();
        EXPECT_EQ(m_doc.Link(), 0) << OnlyError();
        EXPECT_EQ(m_doc.WriteScenario(m_out), 0);
        const std::string bytes = cp932_to_utf8(read_bytes(m_out));
        std::string text;
        bool crlf = true;
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == '\r') {
                crlf &= i + 1 < bytes.size() && bytes[i + 1] == '\n';
            } else {
                crlf &= bytes[i] != '\n' || (i > 0 && bytes[i - 1] == '\r');
                text += bytes[i];
            }
        }
        EXPECT_TRUE(crlf) << "every line ends in CR LF";
        static const std::regex date(
            "# Vemo Scenario file - \\d{4}/\\d{2}/\\d{2}\\([A-Z][a-z]{2}\\) \\d{2}:\\d{2}:\\d{2} ");
        return std::regex_replace(text, date, "# Vemo Scenario file - DATE ",
                                  std::regex_constants::format_first_only);
    }
    const std::string m_out = (m_dir / "dump.txt").string();
};

const std::string kSep(80, '#');

TEST_F(DumpTest, CanonicalLayout) {
    const std::string text = Dump(
        "SCREEN 320 240\n"
        "DRAW \"絵\" { SIZE 8 6 COLOR 1 2 3 4 }\n"
        "STILL \"hold\" { INPUT \"絵\" MAX_CUT FRAMES (5*2) }\n"
        "FADEIN \"in\" { INPUT \"hold\" OUT FRAMES 4 }\n"
        "MAIN { INPUT \"in\" INPUT \"hold\" }\n"
        "CHECKPOINT { CT 1000 CF 3 10 20 30 }\n");
    EXPECT_EQ(text,
              kSep + "\n# Vemo Scenario file - DATE \n#     File name \t: \"" + m_out +
                  "\"\n#     Total frames \t: 20\n#     Total time \t: 0.667 [sec]\n" + kSep +
                  "\n\nVERSION\t\t1\nSCREEN\t\t320\t240\nFRAMERATE\t30\nSCALE\t\t1\n"
                  "PREVIEWSCALE\t4\nBOARDBREAK\t1000\nSTARTFRAME\t0\n\n" +
                  kSep +
                  "\n\n"
                  "DRAW\t\"絵\"\n{\n\t# RefCount = 1\n\tSIZE\t\t8\t6\n\tCOLOR\t\t1\t2\t3\t4\n}\n\n"
                  "STILL\t\"hold\"\n{\n\t# RefCount = 2\n"
                  "\tINPUT\t\t\"絵\"\t0\t0\t319\t239\tMAX_CUT\n\tBGCOLOR\t\t0\t0\t0\n"
                  "\tFRAMES\t\t10\n}\n\n"
                  "FADE\t\"in\"\n{\n\t# RefCount = 1\n\tINPUT\t\t\"hold\"\n\tIN\n"
                  "\tCOLOR\t\t0\t0\t0\n\tFRAMES\t\t4\n}\n\n"
                  "MAIN\n{\n\t# RefCount = 0\n\tINPUT\t\t\"in\"\n\tINPUT\t\t\"hold\"\n}\n\n" +
                  kSep + "\n\nCHECKPOINT\n{\n\tCF\t30\t255\t255\t255\n\tCF\t3\t10\t20\t30\n}\n\n" +
                  kSep + "\n");
}

TEST_F(DumpTest, OptionalHeaderLines) {
    // The version line: vemo dump's (tests/scenario_cli_test.cpp).
    WriteBytes("music.wav", "RIFF");
    const std::string text = Dump(
        "SCREEN 2 2\nFRAMERATE 24\nSCALE 2\nAUDIO \"music.wav\"\n"
        "DRAW \"p\" { SIZE 1 1 }\nSTILL \"s\" { INPUT \"p\" FRAMES 3 }\n"
        "MAIN { INPUT \"s\" }\n");
    for (const std::string& part :
         std::vector<std::string>{"#     Total frames \t: 3\n#     Total time \t: 0.250 [sec]\n",
                                  "SCREEN\t\t2\t2\nAUDIO\t\t\"" + (m_dir / "music.wav").string() +
                                      "\"\nFRAMERATE\t24\nSCALE\t\t2\n",
                                  // Without checkpoints the file ends right after the last block.
                                  "\tINPUT\t\t\"s\"\n}\n\n" + kSep + "\n"}) {
        EXPECT_NE(text.find(part), std::string::npos) << part << "\nnot in\n" << text;
    }
    EXPECT_EQ(text.find("CHECKPOINT"), std::string::npos);
}

}  // namespace
