// Composition scenes: counting, frame questions, describing, validation and dump.

#include "scene/scene_composition.h"

#include "base/cp932.h"

// ---- SERIES, MAIN ----

int32_t CSceneSeries::ComputeFrameCount() {
    int32_t total = 0;
    for (const auto& input : Inputs()) total = add_frames(total, input->GetFrameCount());
    return total;
}

CSceneLink* CSceneSeries::FindActive(int32_t frame, int32_t* inputFrame) {
    if (frame < 0) return nullptr;
    int64_t start = 0;
    for (const auto& input : Inputs()) {
        const int64_t count = input->GetFrameCount();
        if (start + count > frame) {
            if (inputFrame) *inputFrame = static_cast<int32_t>(frame - start);
            return input.get();
        }
        start += count;
    }
    return nullptr;
}

int CSceneSeries::TestFrame(int kind, int32_t frame) {
    int32_t local = 0;
    CSceneLink* active = FindActive(frame, &local);
    if (!active) return 0;
    if (kind == FRAME_KEY && IsEdgeFrame(frame, false)) return 1;
    return active->TestFrame(kind, local);
}

int CSceneSeries::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    int32_t local = 0;
    CSceneLink* active = FindActive(frame, &local);
    return active ? active->DescribeFrame(local, depth + 1, list) : 0;
}

int CSceneSeries::Dump(CDumpWriter& out) {
    DumpHead(out);
    for (const auto& input : Inputs()) {
        out.WriteLine(input->Settings().volumeAlpha ? "\tINPUT\t\t\"%s\"\t\tALINK_VOLUME_ALPHA"
                                                    : "\tINPUT\t\t\"%s\"",
                      input->InputName().c_str());
    }
    out.WriteText("}");
    return 0;
}

// ---- MIX ----

namespace {

// Whether a MIX input shows `frame`; its own frame then.
bool mix_active(CSceneLink& input, int32_t frame, int32_t* local) {
    const int64_t offset = input.Settings().offset;
    if (frame < offset || frame >= offset + input.GetFrameCount()) return false;
    *local = static_cast<int32_t>(frame - offset);
    return true;
}

}  // namespace

int32_t CSceneMix::ComputeFrameCount() {
    int64_t longest = 0;
    for (const auto& input : Inputs()) {
        longest = std::max(longest, int64_t{input->Settings().offset} + input->GetFrameCount());
    }
    return saturating_frames(longest);
}

int CSceneMix::TestFrame(int kind, int32_t frame) {
    const int32_t count = GetFrameCount();
    if (frame < 0 || frame >= count) return 0;
    if (kind == FRAME_KEY) {
        if (IsEdgeFrame(frame, false)) return 1;
        for (const auto& input : Inputs()) {
            const int64_t offset = input->Settings().offset;
            if (frame == offset || frame == offset + input->GetFrameCount() - 1) return 1;
        }
    }
    for (const auto& input : Inputs()) {
        int32_t local = 0;
        if (mix_active(*input, frame, &local) && input->TestFrame(kind, local)) return 1;
    }
    return 0;
}

int CSceneMix::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    if (frame < 0 || frame >= GetFrameCount()) return 0;
    for (const auto& input : Inputs()) {
        int32_t local = 0;
        if (!mix_active(*input, frame, &local)) continue;
        if (input->DescribeFrame(local, depth + 1, list) == -1) return -1;
    }
    return DescribeBackground(frame, depth, list);
}

int CSceneMix::Dump(CDumpWriter& out) {
    DumpHead(out);
    for (const auto& input : Inputs()) {
        const SceneRect r = input->Rect();
        out.WriteLine("\tINPUT\t\t\"%s\"\t%d\t%d\t%d\t%d\tOFFSET\t%d", input->InputName().c_str(),
                      r.left, r.top, r.right, r.bottom, input->Settings().offset);
    }
    if (Settings().composeMode == MIX_COMPOSE_OR) out.WriteText("\tOR");
    if (Background()) out.WriteLine("\tBGIMAGE\t\t\"%s\"", Background()->InputName().c_str());
    out.WriteText("}");
    return 0;
}

// ---- CUT ----

int32_t CSceneCut::ComputeFrameCount() {
    const int64_t span = int64_t{Settings().end} - Settings().start;
    return saturating_frames((span < 0 ? -span : span) + 1);
}

int32_t CSceneCut::MapFrame(int32_t frame) const {
    // Every SKIP-th input frame is held for SKIP frames; SKIP 0 means every frame.
    const CutSettings& s = Settings();
    const int64_t skip = s.skip > 0 ? s.skip : 1;
    const int64_t step = (int64_t{frame} / skip) * skip;
    const int64_t mapped = s.start >= s.end ? s.start - step : s.start + step;
    return static_cast<int32_t>(std::clamp<int64_t>(mapped, INT32_MIN, INT32_MAX));
}

int CSceneCut::TestFrame(int kind, int32_t frame) {
    CSceneLink* input = FirstInput();
    if (!input || frame < 0 || frame >= GetFrameCount()) return 0;
    if (kind == FRAME_KEY && IsEdgeFrame(frame, false)) return 1;
    return input->TestFrame(kind, MapFrame(frame));
}

int CSceneCut::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    CSceneLink* input = FirstInput();
    if (!input || frame < 0 || frame >= GetFrameCount()) return 0;
    return input->DescribeFrame(MapFrame(frame), depth + 1, list);
}

int CSceneCut::Validate(const SceneReport& report) {
    const int32_t last = FirstInputFrames() - 1;
    const CutSettings& s = Settings();
    if (FirstInput() && s.start >= 0 && s.start <= last && s.end >= 0 && s.end <= last) return 0;
    if (report) {
        report(format_string(
            "ブロック CUT では、入力ブロック %s に対して不正なフレーム番号が指定されています。",
            cp932_to_utf8(InputName(0)).c_str()));
    }
    return -1;
}

int CSceneCut::Dump(CDumpWriter& out) {
    DumpHead(out);
    out.WriteLine("\tINPUT\t\t\"%s\"", InputName(0));
    const CutSettings& s = Settings();
    if (s.skip != 1) out.WriteLine("\tSKIP\t\t%d", s.skip);
    if (s.start != 0) out.WriteLine("\tSTART\t\t%d", s.start);
    if (s.end != -1) out.WriteLine("\tEND\t\t%d", s.end);
    out.WriteText("}");
    return 0;
}

// ---- ALPHA, SHADE ----

namespace {

void dump_start_end(CDumpWriter& out, const char* input, int32_t start, int32_t end) {
    out.WriteLine("\tINPUT\t\t\"%s\"", input);
    out.WriteLine("\tSTART\t\t%d", start);
    out.WriteLine("\tEND\t\t%d", end);
    out.WriteText("}");
}

}  // namespace

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
    dump_start_end(out, InputName(0), Settings().start, Settings().end);
    return 0;
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
    dump_start_end(out, InputName(0), Settings().start, Settings().end);
    return 0;
}
