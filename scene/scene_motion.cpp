// Motion scenes: counting, frame questions, describing, validation and dump.

#include "scene/scene_motion.h"

#include "base/cp932.h"

namespace {

void dump_bgcolor(CDumpWriter& out, const CColor& color) {
    out.WriteLine("\tBGCOLOR\t\t%d\t%d\t%d", color.red, color.green, color.blue);
}

void dump_bgimage(CDumpWriter& out, const CSceneLink* link) {
    if (link) out.WriteLine("\tBGIMAGE\t\t\"%s\"", link->InputName().c_str());
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

int32_t CSceneStill::NextKeyFrame(int32_t after) {
    return first_after({0}, after, GetFrameCount());
}

int32_t CSceneStill::PrevKeyFrame(int32_t before) {
    return last_before({0}, before, GetFrameCount());
}

int CSceneStill::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    return DescribeInputs(frame, depth, list);
}

int CSceneStill::Dump(CDumpWriter& out) {
    DumpHead(out);
    for (const auto& input : Inputs()) {
        const SceneRect r = input->Rect();
        out.WriteLine(input->Settings().fitMode == 2 ? "\tINPUT\t\t\"%s\"\t%d\t%d\t%d\t%d\tMAX_CUT"
                                                     : "\tINPUT\t\t\"%s\"\t%d\t%d\t%d\t%d",
                      input->InputName().c_str(), r.left, r.top, r.right, r.bottom);
    }
    dump_bgcolor(out, Settings().bgcolor);
    out.WriteLine("\tFRAMES\t\t%d", Settings().frames);
    out.WriteText("}");
    return 0;
}

// ---- ROTATE ----

int CSceneRotate::TestFrame(int kind, int32_t frame) {
    if (kind == FRAME_SERIAL) return 0;
    return IsEdgeFrame(frame, true);
}

int32_t CSceneRotate::NextKeyFrame(int32_t after) {
    return NextEdgeFrame(after, true);
}

int32_t CSceneRotate::PrevKeyFrame(int32_t before) {
    return PrevEdgeFrame(before, true);
}

int CSceneRotate::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    if (DescribeFirstInput(frame, depth, list) == -1) return -1;
    return DescribeBackground(frame, depth, list);
}

int CSceneRotate::Dump(CDumpWriter& out) {
    const RotateSettings& s = Settings();
    DumpHead(out);
    if (CSceneLink* input = FirstInput()) {
        const SceneRect r = input->Rect();
        out.WriteLine("\tINPUT\t\t\"%s\"\t%d\t%d\t%d\t%d", input->InputName().c_str(), r.left,
                      r.top, r.right, r.bottom);
    }
    if (s.hasCenter) out.WriteLine("\tCENTER\t\t%d\t%d", s.centerX, s.centerY);
    out.WriteLine("\tANGLE\t\t%d\t%d", s.angleStart, s.angleEnd);
    dump_bgcolor(out, s.bgcolor);
    dump_bgimage(out, Background());
    out.WriteLine("\tFRAMES\t\t%d", s.frames);
    out.WriteText("}");
    return 0;
}

// ---- ACTION, ZOOM, SLIDE, FOCUS ----

CSceneAction::CSceneAction(uint32_t type) : CSceneWith(type) {
    EditSettings().keepAspect = type == SCENE_FOCUS;
}

SceneRect CSceneAction::Region(size_t region) const {
    const bool moves = region >= REGION_DST_START;
    if (moves && !action_takes_region(Type(), region)) return Screen();
    return Settings().regions[region];
}

int CSceneAction::TestFrame(int kind, int32_t frame) {
    if (kind == FRAME_SERIAL) return 0;
    return IsEdgeFrame(frame, true);
}

int32_t CSceneAction::NextKeyFrame(int32_t after) {
    return NextEdgeFrame(after, true);
}

int32_t CSceneAction::PrevKeyFrame(int32_t before) {
    return PrevEdgeFrame(before, true);
}

int CSceneAction::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    if (DescribeFirstInput(frame, depth, list) == -1) return -1;
    return DescribeBackground(frame, depth, list);
}

int CSceneAction::Validate(const SceneReport& report) {
    if (Settings().afterimage > Settings().frames) {
        if (report) {
            report(format_string("ブロック %s では、不正な残像フレーム数が指定されています。",
                                 cp932_to_utf8(Name()).c_str()));
        }
        return -1;
    }
    return 0;
}

int CSceneAction::Dump(CDumpWriter& out) {
    const ActionSettings& s = Settings();
    DumpHead(out);
    out.WriteLine("\tINPUT\t\t\"%s\"", InputName(0));
    for (size_t region = 0; region < kActionRegionCount; ++region) {
        if (action_takes_region(Type(), region)) {
            dump_rect(out, kActionRegionWords[region].dumpHead, Region(region));
        }
    }
    if (s.keepAspect) out.WriteText("\tKEEP_ASPECT");
    if (s.afterimage != 0) out.WriteLine("\tAFTERIMAGE\t\t%d", s.afterimage);
    dump_bgcolor(out, s.bgcolor);
    dump_bgimage(out, Background());
    out.WriteLine("\tFRAMES\t\t%d", s.frames);
    out.WriteText("}");
    return 0;
}
