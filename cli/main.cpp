// vemo: the headless command-line front end.

#include <CLI/CLI.hpp>

extern "C" {
#include <libavutil/log.h>
}

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "base/log.h"
#include "base/report.h"
#include "base/version.h"
#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/output.h"
#include "cli/terminal.h"
#include "image/cpu_features.h"
#include "image/image_buffer.h"

namespace {

// The word standing where a subcommand belongs when it names none: the first
// plain argument left over while no subcommand was chosen. Empty when there is none.
std::string unknown_subcommand(CLI::App& program) {
    if (!program.get_subcommands().empty()) return {};
    for (const std::string& word : program.remaining()) {
        if (!word.empty() && word[0] != '-') return word;
    }
    return {};
}

std::string subcommand_names(CLI::App& program) {
    std::string names;
    for (const CLI::App* command : program.get_subcommands([](CLI::App*) { return true; })) {
        if (!names.empty()) names += ", ";
        names += command->get_name();
    }
    return names;
}

// Usage errors exit with status 2 and a hint; --help and --version with 0.
int exit_for_parse_error(CLI::App& program, const CLI::ParseError& error) {
    if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
        // Composed first, so that a failed write keeps the system's reason.
        std::ostringstream text;
        program.exit(error, text, std::cerr);
        return write_standard_output(text.str());
    }
    std::string unknown = unknown_subcommand(program);
    if (!unknown.empty()) {
        std::cerr << "vemo: unknown subcommand '" << unknown << "' (the subcommands are "
                  << subcommand_names(program) << ")\n";
    } else {
        std::cerr << "vemo: " << error.what() << "\n";
    }
    std::cerr << "Run 'vemo --help' for usage.\n";
    return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    hold_standard_streams();
    CLI::App program{"Vemo: turns a slideshow scenario into a finished video.", "vemo"};
    program.set_version_flag("--version",
                             format_string("%s (rev%s)", kVersionTitle, kVersionRevision));
    program.require_subcommand(1);
    program.fallthrough();

    CommonOptions common;
    program.add_option("--image-mode", common.imageMode, "Working image layout: 32 or 24 bits")
        ->check(CLI::IsMember({32, 24}))
        ->default_val(32);
    program.add_flag("--debug", common.debug, "Write Vemo_debug.log in the current directory");
    program.add_flag("--yes", common.yes, "Answer Yes to the engine's questions");
    program.add_flag("--verbose", common.verbose, "Print status lines on standard error");

    std::vector<Command> commands;
    for (CommandAdder add : all_commands()) commands.push_back(add(program, common));

    try {
        program.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return exit_for_parse_error(program, error);
    }

    // Decoder warnings about odd tags are noise on the terminal; real failures
    // reach the user through the engine's own messages.
    av_log_set_level(common.debug ? AV_LOG_WARNING : AV_LOG_ERROR);

    TerminalReportSink sink(common.yes, common.verbose);
    set_report_sink(&sink);
    set_image_mode(common.imageMode);
    OpenDebugLog(common.debug);
    WriteBanner();
    detect_cpu_features();  // chooses the SSE2 kernels where the processor has them

    int status = kExitUsage;
    for (const Command& command : commands) {
        if (command.app->parsed()) status = command.run();
    }

    CloseDebugLog();
    set_report_sink(nullptr);
    if (flush_standard_output() != kExitOk && status == kExitOk) status = kExitOutputFailed;
    return status;
}
