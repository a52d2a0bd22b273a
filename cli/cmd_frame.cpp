// vemo frame: one frame of one block, drawn at full size and saved as a BMP file.

#include <cstdint>
#include <iostream>
#include <string>

#include "base/cp932.h"
#include "base/format.h"
#include "cli/commands.h"
#include "cli/document.h"
#include "cli/exit_codes.h"
#include "cli/output.h"
#include "image/picture_file.h"
#include "scenario/block_frame.h"
#include "scenario/scenario.h"

namespace {

int fail(const std::string& message) {
    std::cerr << "vemo: " << message << std::endl;
    return kExitScenarioFailed;
}

struct FrameOptions {
    std::string scenario;
    std::string block = "MAIN";
    int32_t frame = 0;
    std::string out;
};

int draw_frame(const FrameOptions& options) {
    CScenario doc;
    if (!load_and_link(doc, options.scenario)) return kExitScenarioFailed;
    CScene* scene = nullptr;
    if (options.block == "MAIN") {
        scene = doc.MainScene();
    } else {
        std::string name;
        if (utf8_to_cp932(options.block, &name) == 0) scene = doc.FindScene(name);
    }
    if (!scene) return fail("there is no block named " + options.block);
    if (CScene* loop = doc.LoopOf(scene)) {
        // Such a block has no length; Link left it alone because MAIN never uses it.
        return fail(format_string("シーン %s がループ呼び出しされています。",
                                  cp932_to_utf8(loop->Name()).c_str()));
    }
    // Pictures have no length of their own and show one frame.
    const int32_t count = drawable_frames(*scene);
    if (options.frame < 0 || options.frame >= count) {
        return fail(count > 0 ? format_string("block %s has frames 0 to %d; there is no frame %d",
                                              options.block.c_str(), count - 1, options.frame)
                              : format_string("block %s has no frames", options.block.c_str()));
    }
    const ImagePtr image = draw_block_frame(doc, *scene, options.frame);
    const std::string bytes = bmp_file_bytes(image.get());
    if (bytes.empty()) {
        return fail(format_string("frame %d of block %s could not be drawn", options.frame,
                                  options.block.c_str()));
    }
    const std::string out =
        options.out.empty() ? block_frame_file_name(options.block, options.frame) : options.out;
    return write_output_file(out, bytes, files_read(doc, options.scenario));
}

}  // namespace

Command add_frame_command(CLI::App& program, const CommonOptions&) {
    auto* app = program.add_subcommand("frame", "Draw one frame of a block and save it as BMP");
    auto options = std::make_shared<FrameOptions>();
    app->add_option("SCENARIO", options->scenario, "Scenario file (code page 932)")->required();
    app->add_option("--block", options->block, "Block to draw (default MAIN)");
    app->add_option("--frame", options->frame, "Frame of the block (default 0)");
    app->add_option("-o,--output", options->out,
                    "BMP file (default BLOCK-NNNNN.bmp in the current folder)");
    return {app, [options] { return draw_frame(*options); }};
}
