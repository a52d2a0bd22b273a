#include "cli/commands.h"

Command add_check_command(CLI::App& program, const CommonOptions& common);
Command add_info_command(CLI::App& program, const CommonOptions& common);
Command add_dump_command(CLI::App& program, const CommonOptions& common);
Command add_frame_command(CLI::App& program, const CommonOptions& common);
Command add_render_command(CLI::App& program, const CommonOptions& common);

const std::vector<CommandAdder>& all_commands() {
    static const std::vector<CommandAdder> commands = {
        add_check_command, add_info_command,   add_dump_command,
        add_frame_command, add_render_command,
    };
    return commands;
}
