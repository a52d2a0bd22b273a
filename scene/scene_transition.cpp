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

int32_t CSceneFade::NextKeyFrame(int32_t after) {
    const int32_t count = GetFrameCount();
    const int32_t mode = Settings().fadeMode;
    const int64_t fade = Settings().frames;
    const int64_t last = int64_t{count} - 1;
    const bool in = mode == FADE_IN || mode == FADE_INOUT;
    const bool out = mode == FADE_OUT || mode == FADE_INOUT;
    const int32_t own = first_after(
        {0, last, in ? fade : -1, in ? fade / 2 : -1, out ? last - fade / 2 : -1}, after, count);
    CSceneLink* input = FirstInput();
    return input ? std::min(own, input->NextKeyFrame(after)) : own;
}

int32_t CSceneFade::PrevKeyFrame(int32_t before) {
    const int32_t count = GetFrameCount();
    const int32_t mode = Settings().fadeMode;
    const int64_t fade = Settings().frames;
    const int64_t last = int64_t{count} - 1;
    const bool in = mode == FADE_IN || mode == FADE_INOUT;
    const bool out = mode == FADE_OUT || mode == FADE_INOUT;
    const int32_t own = last_before(
        {0, last, in ? fade : -1, in ? fade / 2 : -1, out ? last - fade / 2 : -1}, before, count);
    CSceneLink* input = FirstInput();
    return input ? std::max(own, input->PrevKeyFrame(std::min(before, count))) : own;
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

int32_t CSceneCrossfade::ComputeFrameCount() {
    const int64_t fade = Settings().frames;
    const size_t n = Inputs().size();
    m_starts.assign(1, 0);
    m_monotone = true;
    for (size_t i = 0; i < n; ++i) {
        const int64_t count = Inputs()[i]->GetFrameCount();
        if (i + 1 < n && count < fade) m_monotone = false;
        m_starts.push_back(m_starts.back() + count - fade);
    }
    if (n == 0) return 0;
    return saturating_frames(m_starts.back() + fade);
}

int CSceneCrossfade::FindActive(int32_t frame, int64_t* start) {
    GetFrameCount();  // the starts are made with the count
    const size_t n = Inputs().size();
    auto holds = [&](size_t i) {
        return m_starts[i] <= frame && frame < m_starts[i] + Inputs()[i]->GetFrameCount();
    };
    size_t found = n;
    if (m_monotone) {
        // The last input starting at or before the frame, then back over the earlier
        // ones whose overlap still holds it: the first of those is active.
        size_t i = static_cast<size_t>(
            std::upper_bound(m_starts.begin(), m_starts.begin() + static_cast<std::ptrdiff_t>(n),
                             int64_t{frame}) -
            m_starts.begin());
        if (i > 0) {
            --i;
            while (i > 0 && holds(i - 1)) --i;
            if (holds(i)) found = i;
        }
    } else {
        for (size_t i = 0; i < n && found == n; ++i) {
            if (holds(i)) found = i;
        }
    }
    if (found == n) return -1;
    if (start) *start = m_starts[found];
    return static_cast<int>(found);
}

void CSceneCrossfade::ActiveRange(size_t a, int64_t* lo, int64_t* hi) {
    // The input before covers the first FRAMES frames of this one.
    *lo = a == 0 ? 0 : m_starts[a] + Settings().frames;
    *hi = m_starts[a] + Inputs()[a]->GetFrameCount() - 1;
}

int32_t CSceneCrossfade::NextKeyFrame(int32_t after) {
    const int32_t count = GetFrameCount();
    if (!m_monotone) return CScene::NextKeyFrame(after);
    const int64_t fade = Settings().frames;
    const int64_t from = std::max<int64_t>(int64_t{after} + 1, 0);
    int64_t best = first_after({0, int64_t{count} - 1}, after, count);
    const size_t n = Inputs().size();
    int64_t ignored = 0;
    const int first = from < count ? FindActive(static_cast<int32_t>(from), &ignored) : -1;
    // Each input is active over frames of its own, in timeline order: the first
    // input that has a key frame from `from` on holds the earliest one.
    for (size_t a = first < 0 ? n : static_cast<size_t>(first); a < n; ++a) {
        int64_t lo = 0, hi = 0;
        ActiveRange(a, &lo, &hi);
        lo = std::max(lo, from);
        if (lo >= best) break;
        if (lo > hi) continue;
        const int64_t s = m_starts[a];
        int64_t found = hi + 1;
        if (a > 0 && s + fade >= lo) found = s + fade;  // the dissolve into it has ended
        found = std::min(found, s + Inputs()[a]->NextKeyFrame(static_cast<int32_t>(lo - s - 1)));
        if (a + 1 < n) {
            // The next input overlapping the end of this one.
            const int64_t sb = m_starts[a + 1];
            const int64_t rlo = std::max(sb, lo);
            const int64_t rhi = std::min(sb + Inputs()[a + 1]->GetFrameCount() - 1, hi);
            if (rlo <= rhi) {
                for (int64_t mark : {sb, sb + fade / 2, sb + fade}) {
                    if (mark >= rlo && mark <= rhi) found = std::min(found, mark);
                }
                const int64_t lb =
                    Inputs()[a + 1]->NextKeyFrame(static_cast<int32_t>(rlo - sb - 1));
                if (sb + lb <= rhi) found = std::min(found, sb + lb);
            }
        }
        if (found <= hi) {
            best = std::min(best, found);
            break;
        }
    }
    return static_cast<int32_t>(best);
}

int32_t CSceneCrossfade::PrevKeyFrame(int32_t before) {
    const int32_t count = GetFrameCount();
    if (!m_monotone) return CScene::PrevKeyFrame(before);
    const int64_t fade = Settings().frames;
    const int64_t to = std::min<int64_t>(before, count) - 1;
    int64_t best = last_before({0, int64_t{count} - 1}, before, count);
    int64_t ignored = 0;
    const int first = to >= 0 ? FindActive(static_cast<int32_t>(to), &ignored) : -1;
    const size_t n = Inputs().size();
    for (int a = first; a >= 0; --a) {
        const size_t i = static_cast<size_t>(a);
        int64_t lo = 0, hi = 0;
        ActiveRange(i, &lo, &hi);
        hi = std::min(hi, to);
        if (hi <= best) break;
        if (lo > hi) continue;
        const int64_t s = m_starts[i];
        int64_t found = lo - 1;
        if (a > 0 && s + fade <= hi) found = s + fade;
        found = std::max(found, s + Inputs()[i]->PrevKeyFrame(static_cast<int32_t>(hi - s + 1)));
        if (i + 1 < n) {
            const int64_t sb = m_starts[i + 1];
            const int64_t rlo = std::max(sb, lo);
            const int64_t rhi = std::min(sb + Inputs()[i + 1]->GetFrameCount() - 1, hi);
            if (rlo <= rhi) {
                for (int64_t mark : {sb, sb + fade / 2, sb + fade}) {
                    if (mark >= rlo && mark <= rhi) found = std::max(found, mark);
                }
                const int64_t lb =
                    Inputs()[i + 1]->PrevKeyFrame(static_cast<int32_t>(rhi - sb + 1));
                if (lb >= 0 && sb + lb >= rlo) found = std::max(found, sb + lb);
            }
        }
        if (found >= lo) {
            best = std::max(best, found);
            break;
        }
    }
    return static_cast<int32_t>(best);
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

// Every half picture distance is marked (see TestFrame); 0 when nothing is.
static int64_t film_step(size_t pictures, int32_t frames) {
    if (pictures < 2) return 0;
    return std::max<int64_t>((frames / (static_cast<int64_t>(pictures) - 1)) / 2, 0);
}

int32_t CSceneFilm::NextKeyFrame(int32_t after) {
    const int32_t count = GetFrameCount();
    const int64_t step = film_step(Inputs().size(), Settings().frames);
    const int64_t from = std::max<int64_t>(int64_t{after} + 1, 0);
    const int64_t marked = step > 0 ? (from + step - 1) / step * step : -1;
    return first_after({0, int64_t{count} - 1, marked}, after, count);
}

int32_t CSceneFilm::PrevKeyFrame(int32_t before) {
    const int32_t count = GetFrameCount();
    const int64_t step = film_step(Inputs().size(), Settings().frames);
    const int64_t to = std::min<int64_t>(before, count) - 1;
    const int64_t marked = step > 0 && to >= 0 ? to / step * step : -1;
    return last_before({0, int64_t{count} - 1, marked}, before, count);
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

int32_t CSceneExpand::NextKeyFrame(int32_t after) {
    return NextEdgeFrame(after, true);
}

int32_t CSceneExpand::PrevKeyFrame(int32_t before) {
    return PrevEdgeFrame(before, true);
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

int32_t CSceneMosaic::NextKeyFrame(int32_t after) {
    return NextEdgeFrame(after, true);
}

int32_t CSceneMosaic::PrevKeyFrame(int32_t before) {
    return PrevEdgeFrame(before, true);
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

int32_t CSceneShake::NextKeyFrame(int32_t after) {
    return NextEdgeFrame(after, false);
}

int32_t CSceneShake::PrevKeyFrame(int32_t before) {
    return PrevEdgeFrame(before, false);
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
