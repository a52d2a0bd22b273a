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
    // An unknown subcommand is named with the known ones, wherever it stands.
    const std::string unknown =
        "vemo: unknown subcommand 'bogus' (the subcommands are check, info, dump, frame, render)\n"
        "Run 'vemo --help' for usage.\n";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, ""},                                        // no subcommand
        {{"check"}, ""},                                 // missing scenario
        {{"check", "a.txt", "--bogus"}, ""},             // unknown option
        {{"--image-mode", "16", "check", "a.txt"}, ""},  // value out of range
        {{"bogus"}, unknown},
        {{"--image-mode", "24", "bogus", "a.txt"}, unknown},
        {{"--debug", "bogus"}, unknown},
    };
    for (const auto& [args, err] : cases) {
        ProgramResult r = Vemo(args);
        EXPECT_EQ(r.status, 2) << testing::PrintToString(args);
        EXPECT_NE(r.err.find("vemo --help"), std::string::npos) << r.err;
        if (!err.empty()) {
            EXPECT_EQ(r.err, err);
        }
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
