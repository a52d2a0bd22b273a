// Transition scenes: counting, frame questions, describing, validation and dump.

#include "scene/scene_transition.h"

#include "base/cp932.h"
#include "scene/keywords.h"

namespace {

void dump_direction(CDumpWriter& out, int32_t direction) {
    if (const char* word = keyword_word(kDirectionWords, direction)) out.WriteLine("\t%s", word);
}

}  // namespace

// ---- FADE ----

int CSceneFade::TestFrame(int kind, int32_t frame) {
    if (kind == FRAME_SERIAL) return AskFirstInput(kind, frame);
    if (IsEdgeFrame(frame, false)) return 1;
    const int32_t mode = Settings().fadeMode;
    const int64_t fade = Settings().frames;
    const int64_t count = GetFrameCount();
    if (mode == FADE_IN || mode == FADE_INOUT) {
        if (frame == fade || frame == fade / 2) return 1;
    }
    if (mode == FADE_OUT || mode == FADE_INOUT) {
        if (frame == count - 1 - fade / 2) return 1;
    }
    return AskFirstInput(kind, frame);
}

int CSceneFade::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    return DescribeFirstInput(frame, depth, list);
}

int CSceneFade::Validate(const SceneReport& report) {
    const FadeSettings& s = Settings();
    const std::string name = cp932_to_utf8(Name());
    if (s.fadeMode == 0) {
        if (report) {
            report(format_string("ブロック %s に、( IN | OUT | INOUT ) が定義されていません。",
                                 name.c_str()));
        }
        return -1;
    }
    const int64_t count = FirstInputFrames();
    const int64_t needed = s.fadeMode == FADE_INOUT ? 2 * int64_t{s.frames} : s.frames;
    if (needed > count) {
        if (report) {
            report(format_string("ブロック %s では、不正な対象フレーム数が指定されています。",
                                 name.c_str()));
        }
        return -1;
    }
    return 0;
}

int CSceneFade::Dump(CDumpWriter& out) {
    DumpHead(out);
    const FadeSettings& s = Settings();
    out.WriteLine("\tINPUT\t\t\"%s\"", InputName(0));
    if (const char* word = keyword_word(kFadeModeWords, s.fadeMode)) out.WriteLine("\t%s", word);
    out.WriteLine("\tCOLOR\t\t%d\t%d\t%d", s.color.red, s.color.green, s.color.blue);
    out.WriteLine("\tFRAMES\t\t%d", s.frames);
    out.WriteText("}");
    return 0;
}

// ---- CROSSFADE ----

// Input i + 1 starts FRAMES frames before input i ends. Starts are kept in 64 bits:
// before validation an input may be shorter than the overlap and starts may fall.

int64_t CSceneCrossfade::InputStart(size_t index) {
    int64_t start = 0;
    for (size_t i = 0; i < index && i < Inputs().size(); ++i) {
        start += int64_t{Inputs()[i]->GetFrameCount()} - Settings().frames;
    }
    return start;
}

int32_t CSceneCrossfade::ComputeFrameCount() {
    if (!HasInputs()) return 0;
    return saturating_frames(InputStart(Inputs().size()) + Settings().frames);
}

int CSceneCrossfade::FindActive(int32_t frame, int64_t* start) {
    int64_t s = 0;
    for (size_t i = 0; i < Inputs().size(); ++i) {
        const int64_t count = Inputs()[i]->GetFrameCount();
        if (s <= frame && frame < s + count) {
            if (start) *start = s;
            return static_cast<int>(i);
        }
        s += count - Settings().frames;
    }
    return -1;
}

namespace {

// Whether input `next` (starting at `start`) shows `frame`; its input frame then.
bool overlaps(CSceneLink* next, int64_t start, int32_t frame, int32_t* inputFrame) {
    if (!next || frame < start || frame >= start + next->GetFrameCount()) return false;
    *inputFrame = static_cast<int32_t>(frame - start);
    return true;
}

}  // namespace

int CSceneCrossfade::TestFrame(int kind, int32_t frame) {
    const int32_t count = GetFrameCount();
    if (frame < 0 || frame >= count) return 0;
    int64_t start = 0;
    const int a = FindActive(frame, &start);
    if (a < 0) return 0;
    CSceneLink* active = Inputs()[a].get();
    const int32_t la = static_cast<int32_t>(frame - start);
    const size_t nextIndex = static_cast<size_t>(a) + 1;
    CSceneLink* next = nextIndex < Inputs().size() ? Inputs()[nextIndex].get() : nullptr;
    const int32_t fade = Settings().frames;
    const int64_t nextStart = start + active->GetFrameCount() - fade;
    int32_t lb = 0;
    const bool overlapping = overlaps(next, nextStart, frame, &lb);
    if (kind == FRAME_SERIAL) {
        if (active->TestFrame(kind, la)) return 1;
        return overlapping && next->TestFrame(kind, lb) ? 1 : 0;
    }
    if (frame == 0 || frame == count - 1) return 1;
    auto marks = [fade](int32_t local) { return local == 0 || local == fade || local == fade / 2; };
    if (a > 0 && marks(la)) return 1;
    if (active->TestFrame(kind, la)) return 1;
    if (overlapping) return marks(lb) ? 1 : next->TestFrame(kind, lb);
    return 0;
}

int CSceneCrossfade::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    if (frame < 0 || frame >= GetFrameCount()) return 0;
    int64_t start = 0;
    const int a = FindActive(frame, &start);
    if (a < 0) return 0;
    CSceneLink* active = Inputs()[a].get();
    int result = active->DescribeFrame(static_cast<int32_t>(frame - start), depth + 1, list);
    if (result == -1) return -1;
    const size_t nextIndex = static_cast<size_t>(a) + 1;
    CSceneLink* next = nextIndex < Inputs().size() ? Inputs()[nextIndex].get() : nullptr;
    int32_t lb = 0;
    if (overlaps(next, start + active->GetFrameCount() - Settings().frames, frame, &lb)) {
        result = next->DescribeFrame(lb, depth + 1, list);
    }
    return result;
}

int CSceneCrossfade::Validate(const SceneReport& report) {
    const size_t n = Inputs().size();
    const int64_t fade = Settings().frames;
    for (size_t i = 0; i < n; ++i) {
        const bool end = i == 0 || i + 1 == n;
        const int64_t needed = end ? fade : 2 * fade;
        if (needed <= Inputs()[i]->GetFrameCount()) continue;
        if (report) {
            report(format_string(
                "ブロック %s では、入力ブロック %s に対して不正な対象フレーム数が"
                "指定されています。",
                cp932_to_utf8(Name()).c_str(), cp932_to_utf8(Inputs()[i]->InputName()).c_str()));
        }
        return -1;
    }
    return 0;
}

int CSceneCrossfade::Dump(CDumpWriter& out) {
    DumpHead(out);
    for (const auto& input : Inputs())
        out.WriteLine("\tINPUT\t\t\"%s\"", input->InputName().c_str());
    out.WriteLine("\tFRAMES\t\t%d", Settings().frames);
    out.WriteText("}");
    return 0;
}

// ---- FILM ----

int CSceneFilm::TestFrame(int kind, int32_t frame) {
    if (kind == FRAME_SERIAL) return 0;
    if (IsEdgeFrame(frame, false)) return 1;
    // Every half picture distance is marked; a strip too short for that marks
    // nothing in between.
    const int64_t pictures = static_cast<int64_t>(Inputs().size());
    if (pictures < 2) return 0;
    const int64_t step = (Settings().frames / (pictures - 1)) / 2;
    if (step <= 0) return 0;
    return frame % step == 0 ? 1 : 0;
}

int CSceneFilm::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    return DescribeInputs(frame, depth, list);
}

int CSceneFilm::Validate(const SceneReport&) {
    const int32_t direction = Settings().direction;
    const bool vertical = direction == DIRECTION_UP || direction == DIRECTION_DOWN;
    const int64_t side = vertical ? ScreenHeight() : ScreenWidth();
    const int64_t pictures = std::max<int64_t>(static_cast<int64_t>(Inputs().size()), 1);
    const int64_t travel = (side >> 4) * 13 * (pictures - 1);
    m_travel = static_cast<int32_t>(std::clamp<int64_t>(travel, 0, kEndlessFrames));
    return 0;
}

int CSceneFilm::Dump(CDumpWriter& out) {
    DumpHead(out);
    const FilmSettings& s = Settings();
    for (const auto& input : Inputs())
        out.WriteLine("\tINPUT\t\t\"%s\"", input->InputName().c_str());
    dump_direction(out, s.direction);
    out.WriteLine("\tCOLOR\t\t%d\t%d\t%d", s.color.red, s.color.green, s.color.blue);
    out.WriteLine("\tBGCOLOR\t\t%d\t%d\t%d", s.bgcolor.red, s.bgcolor.green, s.bgcolor.blue);
    out.WriteLine("\tFRAMES\t\t%d", s.frames);
    out.WriteText("}");
    return 0;
}

// ---- EXPAND ----

int CSceneExpand::TestFrame(int kind, int32_t frame) {
    if (kind == FRAME_SERIAL) return AskFirstInput(kind, frame);
    return IsEdgeFrame(frame, true);
}

int CSceneExpand::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    return DescribeFirstInput(frame, depth, list);
}

int CSceneExpand::Validate(const SceneReport& report) {
    if (Settings().inOut != 0) return 0;
    if (report) {
        report(format_string("ブロック %s に、( IN | OUT ) が定義されていません。",
                             cp932_to_utf8(Name()).c_str()));
    }
    return -1;
}

int CSceneExpand::Dump(CDumpWriter& out) {
    DumpHead(out);
    out.WriteLine("\tINPUT\t\t\"%s\"", InputName(0));
    out.WriteText(Settings().inOut == EXPAND_IN ? "\tIN" : "\tOUT");
    dump_direction(out, Settings().direction);
    out.WriteText("}");
    return 0;
}

// ---- MOSAIC ----

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

// ---- SHAKE ----

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
