// MOSAIC: a moving rectangle of the input pixelated with a changing cell size.

#include "scene/scene_transition.h"

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
