// ALPHA: the transparency of one input, faded linearly from START to END.

#include "scene/scene_composition.h"

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
