// SHADE: one input blurred more and more, from START passes to END passes.

#include "scene/scene_composition.h"

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
