// CUT: a stretch of one input, forwards or backwards, each shown frame held for
// SKIP frames.

#include <algorithm>

#include "base/cp932.h"
#include "scene/scene_composition.h"

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

CImageBuffer* CSceneCut::GetImage(int32_t frame, int32_t mode, int32_t* runLength,
                                  RenderContext* context) {
    CSceneLink* input = FirstInput();
    const int32_t count = GetFrameCount();
    if (!input || frame < 0 || frame >= count) return nullptr;
    CImageBuffer* image = input->GetImage(MapFrame(frame), mode, runLength, context);
    if (runLength) {
        *runLength = frame == count - 1 ? 0 : std::min(*runLength, count - frame - 2);
        // Played backwards, the input's promise is about the frames after its own,
        // which this CUT shows before.
        if (Settings().start > Settings().end) *runLength = 0;
    }
    return image;
}

void CSceneCut::ReleaseImage(CImageBuffer* image, int32_t frame) {
    CSceneLink* input = FirstInput();
    if (!input || frame < 0 || frame >= GetFrameCount()) return;  // nothing was handed out
    input->ReleaseImage(image, MapFrame(frame));
}
