// ALPHA: the transparency of one input, faded linearly from START to END.

#include <algorithm>
#include <cstring>

#include "scene/scene_composition.h"

namespace {

// Multiplies every alpha of the image by factor, rounded to the nearest value. A
// frame past the end of the ramp (asked by a longer shot around the ALPHA) gives
// values beyond 255, which stay at 255. A 24-bit image without a plane is opaque
// and gets one first. false when that plane cannot be made.
bool fade_alpha(CImageBuffer* image, double factor) {
    uint8_t table[256];
    for (int a = 0; a < 256; ++a) {
        table[a] = static_cast<uint8_t>(std::clamp(a * factor + 0.5, 0.0, 255.0));
    }
    if (image->bpp == 32) {
        // Alpha is the fourth byte of every pixel; 32-bit rows have no slack.
        const int64_t bytes = int64_t{image->stride} * image->height;
        for (int64_t i = 3; i < bytes; i += 4) image->pixels[i] = table[image->pixels[i]];
        return true;
    }
    const bool opaque = image->alpha == nullptr;
    if (opaque && attach_alpha_plane(image) != 0) return false;
    const int64_t bytes = int64_t{image->alphaStride} * image->height;
    if (opaque) std::memset(image->alpha, 255, static_cast<size_t>(bytes));
    for (int64_t i = 0; i < bytes; ++i) image->alpha[i] = table[image->alpha[i]];
    return true;
}

}  // namespace

CImageBuffer* CSceneAlpha::GetImage(int32_t frame, int32_t mode, int32_t* runLength,
                                    RenderContext* context) {
    CSceneLink* input = FirstInput();
    if (!input) return nullptr;
    CImageBuffer* image = input->GetImage(frame, mode, runLength, context);
    ImagePtr copy(duplicate_image(image));
    input->ReleaseImage(image, frame);
    const RangeSettings& s = Settings();
    if (runLength && s.start != s.end) *runLength = 0;
    if (!copy) return nullptr;
    if (!fade_alpha(copy.get(), range_at_frame(s, GetFrameCount(), frame) / 255)) return nullptr;
    return copy.release();
}

void CSceneAlpha::ReleaseImage(CImageBuffer* image, int32_t) {
    delete_image(image);
}

int CSceneAlpha::TestFrame(int kind, int32_t frame) {
    if (kind == FRAME_SERIAL) return AskFirstInput(kind, frame);
    return IsEdgeFrame(frame, true);
}

int CSceneAlpha::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    return DescribeFirstInput(frame, depth, list);
}

int CSceneAlpha::Dump(CDumpWriter& out) {
    DumpHead(out);
    dump_range_block(out, InputName(0), Settings());
    return 0;
}
