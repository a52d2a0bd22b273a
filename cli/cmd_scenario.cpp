// vemo check / info / dump: load and link a scenario and show what it holds.

#include <iostream>
#include <string>

#include "cli/commands.h"
#include "cli/exit_codes.h"

Command AddCheckCommand(CLI::App& program, const CommonOptions&) {
    auto* app = program.add_subcommand("check", "Load and link a scenario; print a one-line summary");
    auto path = std::make_shared<std::string>();
    app->add_option("SCENARIO", *path, "Scenario file (code page 932)")->required();
    return {app, [path] {
                std::cerr << "vemo: the scenario reader is not built yet\n";
                return kExitScenarioFailed;
            }};
}

Command AddInfoCommand(CLI::App& program, const CommonOptions&) {
    auto* app = program.add_subcommand("info", "Print the block tree from MAIN with kinds and lengths");
    auto path = std::make_shared<std::string>();
    app->add_option("SCENARIO", *path, "Scenario file (code page 932)")->required();
    return {app, [path] {
                std::cerr << "vemo: the scenario reader is not built yet\n";
                return kExitScenarioFailed;
            }};
}

Command AddDumpCommand(CLI::App& program, const CommonOptions&) {
    auto* app = program.add_subcommand("dump", "Write the canonical scenario text");
    auto path = std::make_shared<std::string>();
    auto out = std::make_shared<std::string>();
    app->add_option("SCENARIO", *path, "Scenario file (code page 932)")->required();
    app->add_option("OUT", *out, "Output text file")->required();
    return {app, [path, out] {
                std::cerr << "vemo: the scenario reader is not built yet\n";
                return kExitScenarioFailed;
            }};
}
