// Motion scenes: counting, frame questions, describing, validation and dump.

#include "scene/scene_motion.h"

#include "base/cp932.h"

namespace {

void dump_bgcolor(CDumpWriter& out, const CColor& color) {
    out.WriteLine("\tBGCOLOR\t\t%d\t%d\t%d", color.red, color.green, color.blue);
}

void dump_bgimage(CDumpWriter& out, const CSceneLink* link) {
    if (link) out.WriteLine("\tBGIMAGE\t\t\"%s\"", link->m_inputName.c_str());
}

void dump_rect(CDumpWriter& out, const char* head, const SceneRect& rect) {
    out.WriteLine("%s%d\t%d\t%d\t%d", head, rect.left, rect.top, rect.right, rect.bottom);
}

}  // namespace

// ---- STILL ----

int CSceneStill::TestFrame(int kind, int32_t frame) {
    if (kind == FRAME_SERIAL) return 0;
    return frame == 0 ? 1 : 0;
}

int CSceneStill::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    return DescribeInputs(frame, depth, list);
}

int CSceneStill::Dump(CDumpWriter& out) {
    DumpHead(out);
    for (const auto& input : m_inputs) {
        const SceneRect& r = input->m_rect;
        out.WriteLine(input->m_fitMode == 2 ? "\tINPUT\t\t\"%s\"\t%d\t%d\t%d\t%d\tMAX_CUT"
                                            : "\tINPUT\t\t\"%s\"\t%d\t%d\t%d\t%d",
                      input->m_inputName.c_str(), r.left, r.top, r.right, r.bottom);
    }
    dump_bgcolor(out, m_bgcolor);
    out.WriteLine("\tFRAMES\t\t%d", m_frames);
    out.WriteText("}");
    return 0;
}

// ---- ROTATE ----

int CSceneRotate::TestFrame(int kind, int32_t frame) {
    if (kind == FRAME_SERIAL) return 0;
    return IsEdgeFrame(frame, true);
}

int CSceneRotate::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    if (CSceneLink* input = FirstInput()) {
        if (input->DescribeFrame(frame, depth + 1, list) == -1) return -1;
    }
    return DescribeExtra(frame, depth, list);
}

void CSceneRotate::ApplyScreenDefaults(int32_t width, int32_t height) {
    if (m_hasCenter) return;
    m_centerX = width / 2;
    m_centerY = height / 2;
}

int CSceneRotate::Dump(CDumpWriter& out) {
    DumpHead(out);
    if (CSceneLink* input = FirstInput()) {
        const SceneRect& r = input->m_rect;
        out.WriteLine("\tINPUT\t\t\"%s\"\t%d\t%d\t%d\t%d", input->m_inputName.c_str(), r.left,
                      r.top, r.right, r.bottom);
    }
    if (m_hasCenter) out.WriteLine("\tCENTER\t\t%d\t%d", m_centerX, m_centerY);
    out.WriteLine("\tANGLE\t\t%d\t%d", m_angleStart, m_angleEnd);
    dump_bgcolor(out, m_bgcolor);
    dump_bgimage(out, m_extraLink.get());
    out.WriteLine("\tFRAMES\t\t%d", m_frames);
    out.WriteText("}");
    return 0;
}

// ---- ACTION, ZOOM, SLIDE, FOCUS ----

CSceneAction::CSceneAction(uint32_t type) : CScene(type), m_keepAspect(type == SCENE_FOCUS) {}

int CSceneAction::TestFrame(int kind, int32_t frame) {
    if (kind == FRAME_SERIAL) return 0;
    return IsEdgeFrame(frame, true);
}

int CSceneAction::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    if (CSceneLink* input = FirstInput()) {
        if (input->DescribeFrame(frame, depth + 1, list) == -1) return -1;
    }
    return DescribeExtra(frame, depth, list);
}

int CSceneAction::Validate(const SceneReport& report) {
    if (m_afterimage > m_frames) {
        if (report) {
            report(format_string("ブロック %s では、不正な残像フレーム数が指定されています。",
                                 cp932_to_utf8(m_name).c_str()));
        }
        return -1;
    }
    return 0;
}

void CSceneAction::ApplyScreenDefaults(int32_t width, int32_t height) {
    const SceneRect screen{0, 0, width - 1, height - 1};
    switch (m_type) {
        case SCENE_ZOOM:
            m_dstStart = m_dstEnd = m_dspStart = m_dspEnd = screen;
            break;
        case SCENE_SLIDE:
            m_dspStart = m_dspEnd = screen;
            break;
        case SCENE_FOCUS:
            m_dstStart = m_dstEnd = screen;
            break;
        default:
            break;
    }
}

int CSceneAction::Dump(CDumpWriter& out) {
    DumpHead(out);
    out.WriteLine("\tINPUT\t\t\"%s\"", InputName(0));
    if (m_type == SCENE_ACTION || m_type == SCENE_ZOOM) {
        dump_rect(out, "\tSRC_START\t", m_srcStart);
        dump_rect(out, "\tSRC_END\t\t", m_srcEnd);
    }
    if (m_type == SCENE_ACTION || m_type == SCENE_SLIDE) {
        dump_rect(out, "\tDST_START\t", m_dstStart);
        dump_rect(out, "\tDST_END\t\t", m_dstEnd);
    }
    if (m_type == SCENE_ACTION || m_type == SCENE_FOCUS) {
        dump_rect(out, "\tDSP_START\t", m_dspStart);
        dump_rect(out, "\tDSP_END\t\t", m_dspEnd);
    }
    if (m_keepAspect) out.WriteText("\tKEEP_ASPECT");
    if (m_afterimage != 0) out.WriteLine("\tAFTERIMAGE\t\t%d", m_afterimage);
    dump_bgcolor(out, m_bgcolor);
    dump_bgimage(out, m_extraLink.get());
    out.WriteLine("\tFRAMES\t\t%d", m_frames);
    out.WriteText("}");
    return 0;
}
