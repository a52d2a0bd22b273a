#include "cli/commands.h"

Command AddCheckCommand(CLI::App& program, const CommonOptions& common);
Command AddInfoCommand(CLI::App& program, const CommonOptions& common);
Command AddDumpCommand(CLI::App& program, const CommonOptions& common);

const std::vector<CommandAdder>& AllCommands() {
    static const std::vector<CommandAdder> commands = {
        AddCheckCommand,
        AddInfoCommand,
        AddDumpCommand,
    };
    return commands;
}
