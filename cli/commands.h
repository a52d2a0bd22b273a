#pragma once
// Subcommands of vemo. Each Add* function registers one subcommand on the
// program and returns the action to run when it was chosen.

#include <CLI/CLI.hpp>

#include <functional>
#include <vector>

struct CommonOptions {
    int imageMode = 32;
    bool debug = false;
    bool yes = false;
    bool verbose = false;
};

struct Command {
    CLI::App* app = nullptr;
    std::function<int()> run;  // returns the exit status
};

using CommandAdder = Command (*)(CLI::App& program, const CommonOptions& common);

// The registry of subcommands, in the order --help lists them.
const std::vector<CommandAdder>& all_commands();
