// ALPHA: the transparency of one input, faded linearly from START to END.

#include "image/effects.h"
#include "scene/scene_composition.h"

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
    // A frame past the end of the ramp (asked by a longer shot around the ALPHA) gives
    // a factor above 1: those alphas stay at 255.
    if (fade_alpha_from(copy.get(), copy.get(), range_at_frame(s, GetFrameCount(), frame) / 255) !=
        0) {
        return nullptr;
    }
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
