// Composition scenes: counting, frame questions, describing, validation and dump.

#include "scene/scene_composition.h"

#include <algorithm>

#include "base/cp932.h"

// ---- SERIES, MAIN ----

int32_t CSceneSeries::ComputeFrameCount() {
    m_starts.assign(1, 0);
    for (const auto& input : Inputs()) m_starts.push_back(m_starts.back() + input->GetFrameCount());
    return saturating_frames(m_starts.back());
}

size_t CSceneSeries::ActiveIndex(int64_t frame) {
    GetFrameCount();  // the starts are made with the count
    const size_t n = Inputs().size();
    if (frame < 0 || frame >= m_starts[n]) return n;
    // The last input starting at or before the frame; inputs of 0 frames start where
    // the next one does, so they are passed over.
    const auto last = std::upper_bound(m_starts.begin(),
                                       m_starts.begin() + static_cast<std::ptrdiff_t>(n), frame);
    return static_cast<size_t>(last - m_starts.begin()) - 1;
}

CSceneLink* CSceneSeries::FindActive(int32_t frame, int32_t* inputFrame) {
    const size_t i = ActiveIndex(frame);
    if (i >= Inputs().size()) return nullptr;
    if (inputFrame) *inputFrame = static_cast<int32_t>(frame - m_starts[i]);
    return Inputs()[i].get();
}

int CSceneSeries::TestFrame(int kind, int32_t frame) {
    int32_t local = 0;
    CSceneLink* active = FindActive(frame, &local);
    if (!active) return 0;
    if (kind == FRAME_KEY && IsEdgeFrame(frame, false)) return 1;
    return active->TestFrame(kind, local);
}

int32_t CSceneSeries::NextKeyFrame(int32_t after) {
    const int32_t count = GetFrameCount();
    int64_t best = first_after({0, int64_t{count} - 1}, after, count);
    // Every input that plays has key frames of its own, each within its stretch of
    // the series: the first input holding one after `after` holds the earliest.
    const size_t n = Inputs().size();
    for (size_t i = ActiveIndex(std::max<int64_t>(int64_t{after} + 1, 0));
         i < n && m_starts[i] < best; ++i) {
        const int64_t local = Inputs()[i]->NextKeyFrame(
            static_cast<int32_t>(std::max<int64_t>(after - m_starts[i], -1)));
        if (m_starts[i] + local < m_starts[i + 1]) {
            best = std::min(best, m_starts[i] + local);
            break;
        }
    }
    return static_cast<int32_t>(best);
}

int32_t CSceneSeries::PrevKeyFrame(int32_t before) {
    const int32_t count = GetFrameCount();
    const int64_t to = std::min<int64_t>(before, count) - 1;
    int64_t best = last_before({0, int64_t{count} - 1}, before, count);
    const size_t n = Inputs().size();
    for (size_t i = ActiveIndex(to); i < n && m_starts[i + 1] - 1 > best; --i) {
        const int64_t span = m_starts[i + 1] - m_starts[i];
        const int64_t local = Inputs()[i]->PrevKeyFrame(
            static_cast<int32_t>(std::min<int64_t>(to - m_starts[i] + 1, span)));
        if (local >= 0) {
            best = std::max(best, m_starts[i] + local);
            break;
        }
        if (i == 0) break;
    }
    return static_cast<int32_t>(best);
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

int32_t CSceneMix::NextKeyFrame(int32_t after) {
    const int32_t count = GetFrameCount();
    int32_t best = first_after({0, int64_t{count} - 1}, after, count);
    for (const auto& input : Inputs()) {
        const int64_t offset = input->Settings().offset;
        const int64_t frames = input->GetFrameCount();
        best = std::min(best, first_after({offset, offset + frames - 1}, after, count));
        if (frames > 0 && offset + frames - 1 > after && offset < best) {
            const int64_t local =
                input->NextKeyFrame(static_cast<int32_t>(std::max<int64_t>(after - offset, -1)));
            if (local < frames)
                best = static_cast<int32_t>(std::min<int64_t>(best, offset + local));
        }
    }
    return best;
}

int32_t CSceneMix::PrevKeyFrame(int32_t before) {
    const int32_t count = GetFrameCount();
    const int64_t to = std::min<int64_t>(before, count) - 1;
    int32_t best = last_before({0, int64_t{count} - 1}, before, count);
    for (const auto& input : Inputs()) {
        const int64_t offset = input->Settings().offset;
        const int64_t frames = input->GetFrameCount();
        best = std::max(best, last_before({offset, offset + frames - 1}, before, count));
        if (frames > 0 && offset <= to && offset + frames - 1 > best) {
            const int64_t local =
                input->PrevKeyFrame(static_cast<int32_t>(std::min(to - offset + 1, frames)));
            if (local >= 0) best = static_cast<int32_t>(std::max<int64_t>(best, offset + local));
        }
    }
    return best;
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

// Later frames of a CUT show input frames further along its direction, each input
// frame for SKIP frames; a key frame of the input is one of the CUT's where a group
// of SKIP frames starts on it.
int32_t CSceneCut::NextKeyFrame(int32_t after) {
    const int32_t count = GetFrameCount();
    CSceneLink* input = FirstInput();
    const int64_t from = std::max<int64_t>(int64_t{after} + 1, 0);
    if (!input || from >= count) return count;
    const CutSettings& s = Settings();
    int64_t best = first_after({0, int64_t{count} - 1}, after, count);
    const int32_t shown = MapFrame(static_cast<int32_t>(from));
    if (input->TestFrame(FRAME_KEY, shown) == 1) return static_cast<int32_t>(from);
    const int64_t skip = s.skip > 0 ? s.skip : 1;
    const bool backwards = s.start >= s.end;
    const int64_t reach = (int64_t{count} - 1) / skip * skip;  // the last group's step
    const int64_t last = backwards ? int64_t{s.start} - reach : int64_t{s.start} + reach;
    for (int64_t g = shown;;) {
        g = backwards ? input->PrevKeyFrame(static_cast<int32_t>(g))
                      : input->NextKeyFrame(static_cast<int32_t>(g));
        if (backwards ? (g < 0 || g < last) : (g >= input->GetFrameCount() || g > last)) break;
        const int64_t step = backwards ? s.start - g : g - s.start;
        if (step % skip == 0) {
            best = std::min(best, step);
            break;
        }
    }
    return static_cast<int32_t>(best);
}

int32_t CSceneCut::PrevKeyFrame(int32_t before) {
    const int32_t count = GetFrameCount();
    CSceneLink* input = FirstInput();
    const int64_t to = std::min<int64_t>(before, count) - 1;
    if (!input || to < 0) return -1;
    const CutSettings& s = Settings();
    int64_t best = last_before({0, int64_t{count} - 1}, before, count);
    const int32_t shown = MapFrame(static_cast<int32_t>(to));
    if (input->TestFrame(FRAME_KEY, shown) == 1) return static_cast<int32_t>(to);
    const int64_t skip = s.skip > 0 ? s.skip : 1;
    const bool backwards = s.start >= s.end;
    for (int64_t g = shown;;) {
        g = backwards ? input->NextKeyFrame(static_cast<int32_t>(g))
                      : input->PrevKeyFrame(static_cast<int32_t>(g));
        if (backwards ? (g >= input->GetFrameCount() || g > s.start) : (g < 0 || g < s.start))
            break;
        const int64_t step = backwards ? s.start - g : g - s.start;
        if (step % skip == 0) {
            best = std::max(best, step + skip - 1);  // the group's last frame
            break;
        }
    }
    return static_cast<int32_t>(best);
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

int32_t CSceneAlpha::NextKeyFrame(int32_t after) {
    return NextEdgeFrame(after, true);
}

int32_t CSceneAlpha::PrevKeyFrame(int32_t before) {
    return PrevEdgeFrame(before, true);
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

int32_t CSceneShade::NextKeyFrame(int32_t after) {
    return NextEdgeFrame(after, true);
}

int32_t CSceneShade::PrevKeyFrame(int32_t before) {
    return PrevEdgeFrame(before, true);
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
