// Composition scenes: counting, frame questions, describing, validation and dump.

#include "scene/scene_composition.h"

#include "base/cp932.h"

// ---- SERIES, MAIN ----

int32_t CSceneSeries::ComputeFrameCount() {
    int32_t total = 0;
    for (const auto& input : m_inputs) total = add_frames(total, input->GetFrameCount());
    return total;
}

CSceneLink* CSceneSeries::FindActive(int32_t frame, int32_t* inputFrame) {
    if (frame < 0) return nullptr;
    int64_t start = 0;
    for (const auto& input : m_inputs) {
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
    for (const auto& input : m_inputs) {
        out.WriteLine(
            input->m_volumeAlpha ? "\tINPUT\t\t\"%s\"\t\tALINK_VOLUME_ALPHA" : "\tINPUT\t\t\"%s\"",
            input->m_inputName.c_str());
    }
    out.WriteText("}");
    return 0;
}

// ---- MIX ----

namespace {

// Whether a MIX input shows `frame`; its own frame then.
bool mix_active(CSceneLink& input, int32_t frame, int32_t* local) {
    const int64_t offset = input.m_offset;
    if (frame < offset || frame >= offset + input.GetFrameCount()) return false;
    *local = static_cast<int32_t>(frame - offset);
    return true;
}

}  // namespace

int32_t CSceneMix::ComputeFrameCount() {
    int64_t longest = 0;
    for (const auto& input : m_inputs) {
        longest = std::max(longest, int64_t{input->m_offset} + input->GetFrameCount());
    }
    return saturating_frames(longest);
}

int CSceneMix::TestFrame(int kind, int32_t frame) {
    const int32_t count = GetFrameCount();
    if (frame < 0 || frame >= count) return 0;
    if (kind == FRAME_KEY) {
        if (IsEdgeFrame(frame, false)) return 1;
        for (const auto& input : m_inputs) {
            const int64_t offset = input->m_offset;
            if (frame == offset || frame == offset + input->GetFrameCount() - 1) return 1;
        }
    }
    for (const auto& input : m_inputs) {
        int32_t local = 0;
        if (mix_active(*input, frame, &local) && input->TestFrame(kind, local)) return 1;
    }
    return 0;
}

int CSceneMix::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    if (frame < 0 || frame >= GetFrameCount()) return 0;
    for (const auto& input : m_inputs) {
        int32_t local = 0;
        if (!mix_active(*input, frame, &local)) continue;
        if (input->DescribeFrame(local, depth + 1, list) == -1) return -1;
    }
    return DescribeExtra(frame, depth, list);
}

int CSceneMix::Dump(CDumpWriter& out) {
    DumpHead(out);
    for (const auto& input : m_inputs) {
        const SceneRect& r = input->m_rect;
        out.WriteLine("\tINPUT\t\t\"%s\"\t%d\t%d\t%d\t%d\tOFFSET\t%d", input->m_inputName.c_str(),
                      r.left, r.top, r.right, r.bottom, input->m_offset);
    }
    if (m_composeMode == MIX_COMPOSE_OR) out.WriteText("\tOR");
    if (m_extraLink) out.WriteLine("\tBGIMAGE\t\t\"%s\"", m_extraLink->m_inputName.c_str());
    out.WriteText("}");
    return 0;
}

// ---- CUT ----

int32_t CSceneCut::ComputeFrameCount() {
    const int64_t span = int64_t{m_end} - m_start;
    return saturating_frames((span < 0 ? -span : span) + 1);
}

int32_t CSceneCut::MapFrame(int32_t frame) const {
    // Every SKIP-th input frame is held for SKIP frames; SKIP 0 means every frame.
    const int64_t skip = m_skip > 0 ? m_skip : 1;
    const int64_t step = (int64_t{frame} / skip) * skip;
    const int64_t mapped = m_start >= m_end ? m_start - step : m_start + step;
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
    if (FirstInput() && m_start >= 0 && m_start <= last && m_end >= 0 && m_end <= last) return 0;
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
    if (m_skip != 1) out.WriteLine("\tSKIP\t\t%d", m_skip);
    if (m_start != 0) out.WriteLine("\tSTART\t\t%d", m_start);
    if (m_end != -1) out.WriteLine("\tEND\t\t%d", m_end);
    out.WriteText("}");
    return 0;
}

// ---- ALPHA, SHADE ----

namespace {

int ask_input(CSceneLink* input, int kind, int32_t frame) {
    return input ? input->TestFrame(kind, frame) : 0;
}

int describe_input(CSceneLink* input, int32_t frame, int depth, FrameDescription& list) {
    return input ? input->DescribeFrame(frame, depth + 1, list) : 0;
}

void dump_start_end(CDumpWriter& out, const char* input, int32_t start, int32_t end) {
    out.WriteLine("\tINPUT\t\t\"%s\"", input);
    out.WriteLine("\tSTART\t\t%d", start);
    out.WriteLine("\tEND\t\t%d", end);
    out.WriteText("}");
}

}  // namespace

int CSceneAlpha::TestFrame(int kind, int32_t frame) {
    if (kind == FRAME_SERIAL) return ask_input(FirstInput(), kind, frame);
    return IsEdgeFrame(frame, true);
}

int CSceneAlpha::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    return describe_input(FirstInput(), frame, depth, list);
}

int CSceneAlpha::Dump(CDumpWriter& out) {
    DumpHead(out);
    dump_start_end(out, InputName(0), m_start, m_end);
    return 0;
}

int CSceneShade::TestFrame(int kind, int32_t frame) {
    if (kind == FRAME_SERIAL) return ask_input(FirstInput(), kind, frame);
    return IsEdgeFrame(frame, true);
}

int CSceneShade::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    return describe_input(FirstInput(), frame, depth, list);
}

int CSceneShade::Dump(CDumpWriter& out) {
    DumpHead(out);
    dump_start_end(out, InputName(0), m_start, m_end);
    return 0;
}
