#pragma once
// Runs a program the way a user at a shell would, for end-to-end tests.

#include <string>
#include <vector>

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
