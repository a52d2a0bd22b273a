// SHAKE: the input jittered sideways.

#include "scene/scene_transition.h"

#include "image/effects.h"

CImageBuffer* CSceneShake::GetImage(int32_t frame, int32_t mode, int32_t* runLength,
                                    RenderContext* context) {
    CSceneLink* input = FirstInput();
    if (!input) return nullptr;
    CImageBuffer* source = input->GetImage(frame, mode, runLength, context);
    CImageBuffer* result = source ? jitter_image(source, frame) : nullptr;
    input->ReleaseImage(source, frame);
    if (runLength) *runLength = std::min(*runLength, 0);
    return result;
}

void CSceneShake::ReleaseImage(CImageBuffer* image, int32_t) {
    delete_image(image);
}

int CSceneShake::TestFrame(int kind, int32_t frame) {
    if (kind == FRAME_SERIAL) return AskFirstInput(kind, frame);
    return IsEdgeFrame(frame, false);
}

int CSceneShake::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    return DescribeFirstInput(frame, depth, list);
}

int CSceneShake::Dump(CDumpWriter& out) {
    DumpHead(out);
    out.WriteLine("\tINPUT\t\t\"%s\"", InputName(0));
    out.WriteText("}");
    return 0;
}
