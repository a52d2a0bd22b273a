// SHADE: one input blurred more and more, from START passes to END passes.

#include <algorithm>

#include "image/effects.h"
#include "scene/scene_composition.h"

CImageBuffer* CSceneShade::GetImage(int32_t frame, int32_t mode, int32_t* runLength,
                                    RenderContext* context) {
    CSceneLink* input = FirstInput();
    if (!input) return nullptr;
    const RangeSettings& s = Settings();
    const double rounded = range_at_frame(s, GetFrameCount(), frame) + 0.5;
    const int32_t passes =
        rounded >= 1 ? static_cast<int32_t>(std::min(rounded, static_cast<double>(INT32_MAX))) : 0;

    CImageBuffer* image = input->GetImage(frame, mode, runLength, context);
    // The first pass reads the input's image directly; without passes the frame is
    // a plain copy.
    ImagePtr result(passes > 0 ? blur_image(image) : duplicate_image(image));
    input->ReleaseImage(image, frame);
    for (int32_t pass = 1; pass < passes && result; ++pass) {
        result.reset(blur_image(result.get()));
    }
    if (runLength && s.start != s.end) *runLength = 0;
    return result.release();
}

void CSceneShade::ReleaseImage(CImageBuffer* image, int32_t) {
    delete_image(image);
}

int CSceneShade::TestFrame(int kind, int32_t frame) {
    if (kind == FRAME_SERIAL) return AskFirstInput(kind, frame);
    return IsEdgeFrame(frame, true);
}

int CSceneShade::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    return DescribeFirstInput(frame, depth, list);
}

int CSceneShade::Dump(CDumpWriter& out) {
    DumpHead(out);
    dump_range_block(out, InputName(0), Settings());
    return 0;
}
