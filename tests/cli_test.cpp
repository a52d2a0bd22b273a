// The vemo program's command line: dispatch, statuses and the usage hint.

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/run_program.h"

namespace {

ProgramResult vemo(const std::vector<std::string>& args, const std::string& dir = {}) {
    return run_program(VEMO_BINARY, args, dir);
}

TEST(CommandLine, VersionAndHelpSucceed) {
    ProgramResult version = vemo({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "Vemo Version 1.1.0 (rev63)\n");

    ProgramResult help = vemo({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("check"), std::string::npos);

    ProgramResult sub_help = vemo({"check", "--help"});
    EXPECT_EQ(sub_help.status, 0);
    EXPECT_NE(sub_help.out.find("SCENARIO"), std::string::npos);
}

TEST(CommandLine, WrongUsageExitsWithTwoAndAHint) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {},                                        // no subcommand
             {"nonsense"},                              // unknown subcommand
             {"check"},                                 // missing scenario
             {"check", "a.txt", "--bogus"},             // unknown option
             {"--image-mode", "16", "check", "a.txt"},  // value out of range
         }) {
        ProgramResult r = vemo(args);
        EXPECT_EQ(r.status, 2) << testing::PrintToString(args);
        EXPECT_NE(r.err.find("vemo --help"), std::string::npos) << r.err;
    }
}

TEST(CommandLine, AnUnknownSubcommandIsNamedWithTheKnownOnes) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"bogus"},
             {"--image-mode", "24", "bogus", "a.txt"},
             {"--debug", "bogus"},
         }) {
        ProgramResult r = vemo(args);
        EXPECT_EQ(r.status, 2) << testing::PrintToString(args);
        EXPECT_EQ(r.err,
                  "vemo: unknown subcommand 'bogus' (the subcommands are check, info, dump, frame, "
                  "render)\n"
                  "Run 'vemo --help' for usage.\n");
    }
}

TEST(CommandLine, DebugFlagDecidesWhetherTheLogIsWritten) {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / "vemo-cli-debug";
    fs::remove_all(dir);
    fs::create_directories(dir);

    vemo({"check", "missing.txt"}, dir.string());
    EXPECT_FALSE(fs::exists(dir / "Vemo_debug.log"));

    // Common options may stand after the subcommand too.
    vemo({"check", "missing.txt", "--debug"}, dir.string());
    ASSERT_TRUE(fs::exists(dir / "Vemo_debug.log"));
    EXPECT_GT(fs::file_size(dir / "Vemo_debug.log"), 240u);  // at least the banner
    fs::remove_all(dir);
}

}  // namespace
