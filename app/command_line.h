#pragma once
// The command line of vemo-gui: `vemo-gui [-debug|/debug] [SCENARIO]`.

#include <string>
#include <vector>

struct CommandLine {
    std::string scenarioPath;  // empty when none was given
    bool hasFile = false;      // a plain parameter was seen
    bool debug = false;        // write the debug log
};

// Reads the parameters after the program name. A parameter is the debug flag only
// when it is exactly "-debug" or "/debug": on Linux "/" starts absolute paths, so
// "/home/u/a.txt" is a scenario. Every other parameter is a scenario path; the
// last one wins.
CommandLine parse_command_line(const std::vector<std::string>& parameters);
