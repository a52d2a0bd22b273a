#include "app/command_line.h"

CommandLine parse_command_line(const std::vector<std::string>& parameters) {
    CommandLine line;
    for (const std::string& parameter : parameters) {
        if (parameter == "-debug" || parameter == "/debug") {
            line.debug = true;
        } else {
            line.scenarioPath = parameter;
            line.hasFile = true;
        }
    }
    return line;
}
