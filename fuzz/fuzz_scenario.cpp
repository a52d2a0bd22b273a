// libFuzzer target: any bytes as a scenario file, through Load, Link, the dump,
// the description of MAIN's first frames and its first marked frames, and, for small
// screens, the images of a few of MAIN's frames. Every input must end in success or
// a reported failure.

#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "image/image_buffer.h"
#include "scenario/scenario.h"
#include "scene/render_context.h"
#include "scene/scene_composition.h"
#include "scene/scene_motion.h"
#include "scene/scene_source.h"

namespace {

// Frames are drawn only on screens up to this many pixels (96 x 96), so that one run
// stays quick; larger screens are checked without drawing.
constexpr int64_t kMaxDrawnPixels = 96 * 96;
// Some work of a frame grows with a number the scenario writes, by design: the size
// of a caption, a drawing or a clipped picture, SHADE's blur passes, the afterimages
// of a camera move, the growth of a picture turned by IMAGE after IMAGE. Inputs that
// ask for more than this are checked without drawing too.
constexpr int64_t kMaxPicturePixels = 512 * 512;
constexpr int32_t kMaxRepeats = 32;
constexpr int kMaxTurnedPictures = 4;

const std::filesystem::path& WorkFolder() {
    static const std::filesystem::path folder = [] {
        std::filesystem::path path = std::filesystem::temp_directory_path() /
                                     ("vemo-fuzz-scenario-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

// FNV-1a of the input: the same input always draws the same frames in the same
// image mode, so that a finding replays from its file alone.
uint64_t input_hash(const uint8_t* data, size_t size) {
    uint64_t hash = 14695981039346656037ull;
    for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 1099511628211ull;
    return hash;
}

bool small_picture(int64_t width, int64_t height) {
    return width <= kMaxPicturePixels && height <= kMaxPicturePixels &&
           width * height <= kMaxPicturePixels;
}

// Whether drawing a frame could ask for more work than kMaxPicturePixels,
// kMaxRepeats and kMaxTurnedPictures allow.
bool asks_heavy_work(const CScenario& doc) {
    int turned = 0;
    for (const auto& scene : doc.Scenes()) {
        if (const auto* text = dynamic_cast<const CSceneText*>(scene.get())) {
            if (!small_picture(text->Settings().width, text->Settings().height)) return true;
        } else if (const auto* draw = dynamic_cast<const CSceneDraw*>(scene.get())) {
            if (!small_picture(draw->Settings().width, draw->Settings().height)) return true;
        } else if (const auto* image = dynamic_cast<const CSceneImage*>(scene.get())) {
            const ImageSettings& s = image->Settings();
            const SceneRect& c = s.clip;
            if ((s.effects & IMAGE_CLIP) &&
                !small_picture(int64_t{c.right} - c.left + 1, int64_t{c.bottom} - c.top + 1)) {
                return true;
            }
            if ((s.effects & IMAGE_ANGLE) && ++turned > kMaxTurnedPictures) return true;
        } else if (const auto* shade = dynamic_cast<const CSceneShade*>(scene.get())) {
            if (std::max(shade->Settings().start, shade->Settings().end) > kMaxRepeats) return true;
        } else if (const auto* move = dynamic_cast<const CSceneAction*>(scene.get())) {
            if (move->Settings().afterimage > kMaxRepeats) return true;
        }
    }
    return false;
}

// Draws the first, middle and last frame of MAIN and one chosen by the hash, each
// handed back as a render worker does, in the image mode the hash picks.
void draw_frames(CScenario& doc, uint64_t hash) {
    const int64_t width = doc.GetScreenWidth();
    const int64_t height = doc.GetScreenHeight();
    const int32_t total = doc.TotalFrames();
    if (width < 1 || height < 1 || width * height > kMaxDrawnPixels || total < 1) return;
    if (asks_heavy_work(doc)) return;
    const int previous = set_image_mode((hash & 1) != 0 ? 24 : 32);
    doc.ResetScenes();
    RenderContext context;
    for (int32_t frame : {0, total / 2, total - 1, static_cast<int32_t>((hash >> 1) % total)}) {
        int32_t run = total;
        CImageBuffer* image = doc.GetImage(frame, &run, &context);
        doc.ReleaseImage(image, frame);
    }
    set_image_mode(previous);
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
    draw_frames(doc, input_hash(data, size));
    return 0;
}
