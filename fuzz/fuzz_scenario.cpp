// libFuzzer target: any bytes as a scenario file, through Load, Link, the dump,
// the description of MAIN's first frames and its first marked frames. Every input
// must end in success or a reported failure.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "scenario/scenario.h"

namespace {

const std::filesystem::path& WorkFolder() {
    static const std::filesystem::path folder = [] {
        std::filesystem::path path = std::filesystem::temp_directory_path() /
                                     ("vemo-fuzz-scenario-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = (WorkFolder() / "scenario.txt").string();
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    CScenario doc;
    doc.SetErrorCallback([](const std::string&) {});
    doc.SetQuestionCallback([](const std::string&) { return AskAnswer::No; });
    // Key frames are counted one frame at a time; keep each run short.
    doc.SetFrameLimit(20000);
    if (doc.Load(path) != 0 || doc.Link() != 0) return 0;
    (void)doc.DumpScenario("fuzz.txt");
    for (int32_t frame = 0; frame < doc.TotalFrames() && frame < 4; ++frame) {
        FrameDescription rows;
        doc.Describe(frame, rows);
    }
    // The marked frames the renderer steps through: key frames and checkpoints.
    for (int32_t frame = -1, steps = 0; frame < doc.TotalFrames() && steps < 8; ++steps) {
        frame = doc.NextMarkedFrame(frame);
    }
    return 0;
}
