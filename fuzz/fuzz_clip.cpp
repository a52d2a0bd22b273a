// The clip reader on arbitrary bytes: opening, describing and reading frames of a
// damaged video must never crash, read outside a buffer, or hand out an image of
// another size than the one the clip declared.

extern "C" {
#include <libavutil/log.h>
}

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "output/avi_in.h"
#include "output/clip_keep.h"

namespace {

// Memory-backed where the system has it: every input becomes a file first. The file
// goes when the fuzzer ends.
struct WorkFile {
    WorkFile() {
        const std::filesystem::path shm = "/dev/shm";
        const auto folder =
            std::filesystem::is_directory(shm) ? shm : std::filesystem::temp_directory_path();
        path = (folder / ("vemo-fuzz-clip-" + std::to_string(::getpid()) + ".bin")).string();
    }
    ~WorkFile() {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
    std::string path;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    av_log_set_level(AV_LOG_QUIET);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const WorkFile work;
    const std::string& path = work.path;
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    CAVIIn reader;
    reader.SetFileName(path);
    if (reader.Initialize() == 0) {
        reader.PrepareReader();
        int32_t width = 0, height = 0, count = 0;
        reader.GetVideo(&width, &height, nullptr, nullptr, nullptr, &count);
        // In order, then back to the start, then far away, as a shot would ask.
        for (int32_t frame : {0, 1, 2, 0, count / 2, count - 1, count, -1}) {
            ImagePtr image = reader.DoVideoReader(frame);
            if (image && (image->width != width || image->height != height || image->bpp != 24)) {
                __builtin_trap();
            }
        }
        reader.Finish();
    }
    // The next input is another file under the same name: nothing may be kept.
    drop_parked_clips();
    return 0;
}
