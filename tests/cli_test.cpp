// The vemo program's command line: dispatch, statuses and the usage hint.

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/cli_fixture.h"

namespace {

using CommandLine = VemoCommand;

TEST_F(CommandLine, VersionAndHelpSucceed) {
    ProgramResult version = Vemo({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "Vemo Version 1.1.0 (rev63)\n");

    ProgramResult help = Vemo({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("check"), std::string::npos);

    ProgramResult sub_help = Vemo({"check", "--help"});
    EXPECT_EQ(sub_help.status, 0);
    EXPECT_NE(sub_help.out.find("SCENARIO"), std::string::npos);
}

TEST_F(CommandLine, WrongUsageExitsWithTwoAndAHint) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {},                                        // no subcommand
             {"nonsense"},                              // unknown subcommand
             {"check"},                                 // missing scenario
             {"check", "a.txt", "--bogus"},             // unknown option
             {"--image-mode", "16", "check", "a.txt"},  // value out of range
         }) {
        ProgramResult r = Vemo(args);
        EXPECT_EQ(r.status, 2) << testing::PrintToString(args);
        EXPECT_NE(r.err.find("vemo --help"), std::string::npos) << r.err;
    }
}

TEST_F(CommandLine, AnUnknownSubcommandIsNamedWithTheKnownOnes) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"bogus"},
             {"--image-mode", "24", "bogus", "a.txt"},
             {"--debug", "bogus"},
         }) {
        ProgramResult r = Vemo(args);
        EXPECT_EQ(r.status, 2) << testing::PrintToString(args);
        EXPECT_EQ(r.err,
                  "vemo: unknown subcommand 'bogus' (the subcommands are check, info, dump, frame, "
                  "render)\n"
                  "Run 'vemo --help' for usage.\n");
    }
}

TEST_F(CommandLine, DebugFlagDecidesWhetherTheLogIsWritten) {
    Vemo({"check", "missing.txt"});
    EXPECT_FALSE(std::filesystem::exists(m_dir / "Vemo_debug.log"));
    // Common options may stand after the subcommand too.
    Vemo({"check", "missing.txt", "--debug"});
    ASSERT_TRUE(std::filesystem::exists(m_dir / "Vemo_debug.log"));
    EXPECT_GT(std::filesystem::file_size(m_dir / "Vemo_debug.log"), 240u);  // at least the banner
}

}  // namespace
