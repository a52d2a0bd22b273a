// vemo check / info / dump: load and link a scenario and show what it holds.

#include <cstdint>
#include <string>

#include "base/cp932.h"
#include "base/file_identity.h"
#include "base/format.h"
#include "base/version.h"
#include "cli/commands.h"
#include "cli/document.h"
#include "cli/exit_codes.h"
#include "cli/output.h"
#include "scenario/block_frame.h"
#include "scenario/scenario.h"

namespace {

// One line per node of the block tree: the scene, then each of its inputs below it.
// A block used by several blocks is listed under each of them; Link has refused a
// graph whose tree would be too large to list.
void list_tree(CScene& scene, int depth, bool root, std::string* out) {
    out->append(static_cast<size_t>(depth) * 2, ' ');
    *out += root ? std::string("MAIN") : cp932_to_utf8(scene.Name());
    *out += format_string("\t%s\t%d\n", scene.TypeName(),
                          is_picture_block(scene) ? 0 : scene.GetFrameCount());
    for (const auto& input : scene.Inputs()) {
        if (input->Target()) list_tree(*input->Target(), depth + 1, false, out);
    }
}

}  // namespace

Command add_check_command(CLI::App& program, const CommonOptions&) {
    auto* app =
        program.add_subcommand("check", "Load and link a scenario; print a one-line summary");
    auto path = std::make_shared<std::string>();
    app->add_option("SCENARIO", *path, "Scenario file (code page 932)")->required();
    return {app, [path] {
                CScenario doc;
                if (!load_and_link(doc, *path)) return kExitScenarioFailed;
                double seconds =
                    static_cast<double>(doc.TotalFrames()) * doc.Scale() / doc.FrameRate();
                return write_standard_output(format_string(
                    "SCREEN %d x %d, %d frames, %.3f s, %d key frames\n", doc.GetScreenWidth(),
                    doc.GetScreenHeight(), doc.TotalFrames(), seconds, doc.KeyFrames()));
            }};
}

Command add_info_command(CLI::App& program, const CommonOptions&) {
    auto* app =
        program.add_subcommand("info", "Print the block tree from MAIN with kinds and lengths");
    auto path = std::make_shared<std::string>();
    app->add_option("SCENARIO", *path, "Scenario file (code page 932)")->required();
    return {app, [path] {
                CScenario doc;
                if (!load_and_link(doc, *path)) return kExitScenarioFailed;
                std::string tree;
                list_tree(*doc.MainScene(), 0, true, &tree);
                return write_standard_output(tree);
            }};
}

Command add_dump_command(CLI::App& program, const CommonOptions&) {
    auto* app = program.add_subcommand("dump", "Write the canonical scenario text");
    auto path = std::make_shared<std::string>();
    auto out = std::make_shared<std::string>();
    app->add_option("SCENARIO", *path, "Scenario file (code page 932)")->required();
    app->add_option("OUT", *out, "Output text file")->required();
    return {app, [path, out] {
                CScenario doc;
                if (!load_and_link(doc, *path)) return kExitScenarioFailed;
                return write_output_file(*out, doc.DumpScenario(*out), files_read(doc, *path));
            }};
}
