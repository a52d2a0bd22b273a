#pragma once
// The fixture of the tests that run vemo: a private folder for each test, files
// written into it (scenarios in code page 932), and vemo run inside it the way a
// user at a shell would run it.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/tests/temp_folder.h"

struct ProgramResult {
    int status = -1;  // exit status, or -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Standard output target of run_program: the program starts with it closed.
inline constexpr const char* kClosedOutput = "<closed>";

// Runs `program` with `args` in `directory` (empty: the current one), standard
// input from /dev/null, and collects both output streams. With `standard_output`
// the standard output goes to that file instead (e.g. /dev/full), or is closed
// (kClosedOutput); `out` then stays empty.
ProgramResult run_program(const std::string& program, const std::vector<std::string>& args,
                          const std::string& directory = {},
                          const std::string& standard_output = {});

class VemoCommand : public ::testing::Test {
protected:
    // Writes `utf8` as code page 932, with CR LF line ends unless told otherwise.
    void Write(const std::string& name, const std::string& utf8, bool crlf = true) {
        m_folder.WriteCp932(name, utf8, crlf);
    }
    std::string Read(const std::string& name) const { return read_bytes(m_folder / name); }
    size_t EntryCount() const { return m_folder.EntryCount(); }

    // vemo run in the folder; `standard_output` as run_program's (a file such as
    // /dev/full, or kClosedOutput).
    ProgramResult Vemo(const std::vector<std::string>& args,
                       const std::string& standard_output = {}) const {
        return run_program(VEMO_BINARY, args, m_dir.string(), standard_output);
    }

    TempFolder m_folder;
    const std::filesystem::path m_dir = m_folder.Path();
};
