// MOSAIC: a moving rectangle of the input pixelated with a changing cell size.

#include "scene/scene_transition.h"

#include <algorithm>
#include <climits>

#include "image/compose.h"
#include "image/transform.h"

// A copy of the input whose target rectangle shows the picture shrunk to whole cells
// and blown up again.
CImageBuffer* CSceneMosaic::GetImage(int32_t frame, int32_t mode, int32_t* runLength,
                                     RenderContext* context) {
    CSceneLink* input = FirstInput();
    if (!input) return nullptr;
    const MosaicSettings& s = Settings();
    const int64_t count = GetFrameCount();
    // The cell size in 1/1024 pixel, at least a pixel.
    const int64_t cell =
        std::max<int64_t>(transition_between(int64_t{s.sizeStart} * kSubPixel,
                                             int64_t{s.sizeEnd} * kSubPixel, frame, count),
                          kSubPixel);

    CImageBuffer* source = input->GetImage(frame, mode, runLength, context);
    if (runLength) *runLength = std::min(*runLength, 0);
    ImagePtr out(source ? duplicate_image(source) : nullptr);
    if (!out) {
        input->ReleaseImage(source, frame);
        return nullptr;
    }
    // Whole cells across and down, in 1/1024 pixel. A picture smaller than one cell
    // has none and is shown as it is.
    const int64_t w = int64_t{source->width} * kSubPixel;
    const int64_t h = int64_t{source->height} * kSubPixel;
    const int64_t cw = w / cell * kSubPixel;
    const int64_t ch = h / cell * kSubPixel;
    if (cw == 0 || ch == 0 || w > INT32_MAX || h > INT32_MAX) {
        input->ReleaseImage(source, frame);
        return cw == 0 || ch == 0 ? out.release() : nullptr;
    }
    auto scale = mode == 2 ? scale_image_nearest : scale_image;
    ImagePtr small(scale(source, 0, 0, static_cast<int32_t>(cw), static_cast<int32_t>(ch), 0, 0,
                         static_cast<int32_t>(w - 1), static_cast<int32_t>(h - 1)));
    input->ReleaseImage(source, frame);
    if (!small) return nullptr;
    ImagePtr big(scale(small.get(), 0, 0, static_cast<int32_t>(w - 1), static_cast<int32_t>(h - 1),
                       0, 0, static_cast<int32_t>(cw), static_cast<int32_t>(ch)));
    small.reset();
    if (!big) return nullptr;

    // The target rectangle moves from TGT_START to TGT_END.
    const SceneRect a = TargetStart();
    const SceneRect b = TargetEnd();
    const int64_t left = transition_between(a.left, b.left, frame, count);
    const int64_t top = transition_between(a.top, b.top, frame, count);
    const int64_t right = transition_between(a.right, b.right, frame, count);
    const int64_t bottom = transition_between(a.bottom, b.bottom, frame, count);
    const int64_t pw = right - left + 1;
    const int64_t ph = bottom - top + 1;
    if (pw < 1 || ph < 1) return out.release();  // an empty target changes nothing
    if (pw > INT32_MAX || ph > INT32_MAX) return nullptr;
    ImagePtr patch(create_work_image(static_cast<int32_t>(pw), static_cast<int32_t>(ph)));
    if (!patch) return nullptr;
    auto at = [](int64_t v) {
        return static_cast<int32_t>(std::clamp<int64_t>(v, -INT32_MAX, INT32_MAX));
    };
    compose_image(patch.get(), big.get(), at(-left), at(-top), COMPOSE_ALPHA);
    big.reset();
    compose_image(out.get(), patch.get(), at(left), at(top), COMPOSE_ALPHA);
    return out.release();
}

void CSceneMosaic::ReleaseImage(CImageBuffer* image, int32_t) {
    delete_image(image);
}

int CSceneMosaic::TestFrame(int kind, int32_t frame) {
    if (kind == FRAME_SERIAL) return AskFirstInput(kind, frame);
    return IsEdgeFrame(frame, true);
}

int CSceneMosaic::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    return DescribeFirstInput(frame, depth, list);
}

int CSceneMosaic::Dump(CDumpWriter& out) {
    DumpHead(out);
    out.WriteLine("\tINPUT\t\t\"%s\"", InputName(0));
    const MosaicSettings& s = Settings();
    out.WriteLine("\tSIZE_START\t%d", s.sizeStart);
    out.WriteLine("\tSIZE_END\t%d", s.sizeEnd);
    if (s.hasTgtStart) {
        out.WriteLine("\tTGT_START\t%d\t%d\t%d\t%d", s.tgtStart.left, s.tgtStart.top,
                      s.tgtStart.right, s.tgtStart.bottom);
    }
    if (s.hasTgtEnd) {
        out.WriteLine("\tTGT_END\t\t%d\t%d\t%d\t%d", s.tgtEnd.left, s.tgtEnd.top, s.tgtEnd.right,
                      s.tgtEnd.bottom);
    }
    out.WriteText("}");
    return 0;
}
