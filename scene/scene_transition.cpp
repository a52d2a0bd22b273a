// Transition scenes: counting, frame questions, describing, validation and dump.

#include "scene/scene_transition.h"

#include "base/cp932.h"

namespace {

const char* direction_line(int32_t direction) {
    switch (direction) {
        case DIRECTION_UP:
            return "\tUP";
        case DIRECTION_DOWN:
            return "\tDOWN";
        case DIRECTION_LEFT:
            return "\tLEFT";
        case DIRECTION_RIGHT:
            return "\tRIGHT";
        default:
            return nullptr;
    }
}

void dump_direction(CDumpWriter& out, int32_t direction) {
    if (const char* line = direction_line(direction)) out.WriteText(line);
}

// The answer of the first input for the same frame (0 without an input).
int ask_first_input(CSceneLink* input, int kind, int32_t frame) {
    return input ? input->TestFrame(kind, frame) : 0;
}

// Describes the first input at the same frame, one level deeper.
int describe_through_first(CSceneLink* input, int32_t frame, int depth, FrameDescription& list) {
    return input ? input->DescribeFrame(frame, depth + 1, list) : 0;
}

}  // namespace

// ---- FADE ----

int CSceneFade::TestFrame(int kind, int32_t frame) {
    if (kind == FRAME_SERIAL) return ask_first_input(FirstInput(), kind, frame);
    if (IsEdgeFrame(frame, false)) return 1;
    const int64_t fade = m_frames;
    const int64_t count = GetFrameCount();
    if (m_fadeMode == FADE_IN || m_fadeMode == FADE_INOUT) {
        if (frame == fade || frame == fade / 2) return 1;
    }
    if (m_fadeMode == FADE_OUT || m_fadeMode == FADE_INOUT) {
        if (frame == count - 1 - fade / 2) return 1;
    }
    return ask_first_input(FirstInput(), kind, frame);
}

int CSceneFade::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    return describe_through_first(FirstInput(), frame, depth, list);
}

int CSceneFade::Validate(const SceneReport& report) {
    const std::string name = cp932_to_utf8(m_name);
    if (m_fadeMode == 0) {
        if (report) {
            report(format_string("ブロック %s に、( IN | OUT | INOUT ) が定義されていません。",
                                 name.c_str()));
        }
        return -1;
    }
    const int64_t count = FirstInputFrames();
    const int64_t needed = m_fadeMode == FADE_INOUT ? 2 * int64_t{m_frames} : m_frames;
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
    out.WriteLine("\tINPUT\t\t\"%s\"", InputName(0));
    if (m_fadeMode == FADE_IN) out.WriteText("\tIN");
    if (m_fadeMode == FADE_OUT) out.WriteText("\tOUT");
    if (m_fadeMode == FADE_INOUT) out.WriteText("\tINOUT");
    out.WriteLine("\tCOLOR\t\t%d\t%d\t%d", m_bgcolor.red, m_bgcolor.green, m_bgcolor.blue);
    out.WriteLine("\tFRAMES\t\t%d", m_frames);
    out.WriteText("}");
    return 0;
}

// ---- CROSSFADE ----

// Input i + 1 starts FRAMES frames before input i ends. Starts are kept in 64 bits:
// before validation an input may be shorter than the overlap and starts may fall.

int64_t CSceneCrossfade::InputStart(size_t index) {
    int64_t start = 0;
    for (size_t i = 0; i < index && i < m_inputs.size(); ++i) {
        start += int64_t{m_inputs[i]->GetFrameCount()} - m_frames;
    }
    return start;
}

int32_t CSceneCrossfade::ComputeFrameCount() {
    if (m_inputs.empty()) return 0;
    return saturating_frames(InputStart(m_inputs.size()) + m_frames);
}

int CSceneCrossfade::FindActive(int32_t frame, int64_t* start) {
    int64_t s = 0;
    for (size_t i = 0; i < m_inputs.size(); ++i) {
        const int64_t count = m_inputs[i]->GetFrameCount();
        if (s <= frame && frame < s + count) {
            if (start) *start = s;
            return static_cast<int>(i);
        }
        s += count - m_frames;
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
    CSceneLink* active = m_inputs[a].get();
    const int32_t la = static_cast<int32_t>(frame - start);
    const size_t nextIndex = static_cast<size_t>(a) + 1;
    CSceneLink* next = nextIndex < m_inputs.size() ? m_inputs[nextIndex].get() : nullptr;
    const int64_t nextStart = start + active->GetFrameCount() - m_frames;
    int32_t lb = 0;
    const bool overlapping = overlaps(next, nextStart, frame, &lb);
    if (kind == FRAME_SERIAL) {
        if (active->TestFrame(kind, la)) return 1;
        return overlapping && next->TestFrame(kind, lb) ? 1 : 0;
    }
    if (frame == 0 || frame == count - 1) return 1;
    auto marks = [this](int32_t local) {
        return local == 0 || local == m_frames || local == m_frames / 2;
    };
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
    CSceneLink* active = m_inputs[a].get();
    int result = active->DescribeFrame(static_cast<int32_t>(frame - start), depth + 1, list);
    if (result == -1) return -1;
    const size_t nextIndex = static_cast<size_t>(a) + 1;
    CSceneLink* next = nextIndex < m_inputs.size() ? m_inputs[nextIndex].get() : nullptr;
    int32_t lb = 0;
    if (overlaps(next, start + active->GetFrameCount() - m_frames, frame, &lb)) {
        result = next->DescribeFrame(lb, depth + 1, list);
    }
    return result;
}

int CSceneCrossfade::Validate(const SceneReport& report) {
    const size_t n = m_inputs.size();
    for (size_t i = 0; i < n; ++i) {
        const bool end = i == 0 || i + 1 == n;
        const int64_t needed = end ? int64_t{m_frames} : 2 * int64_t{m_frames};
        if (needed <= m_inputs[i]->GetFrameCount()) continue;
        if (report) {
            report(format_string(
                "ブロック %s では、入力ブロック %s に対して不正な対象フレーム数が"
                "指定されています。",
                cp932_to_utf8(m_name).c_str(), cp932_to_utf8(m_inputs[i]->m_inputName).c_str()));
        }
        return -1;
    }
    return 0;
}

int CSceneCrossfade::Dump(CDumpWriter& out) {
    DumpHead(out);
    for (const auto& input : m_inputs)
        out.WriteLine("\tINPUT\t\t\"%s\"", input->m_inputName.c_str());
    out.WriteLine("\tFRAMES\t\t%d", m_frames);
    out.WriteText("}");
    return 0;
}

// ---- FILM ----

CSceneFilm::CSceneFilm() : CScene(SCENE_FILM) {
    m_color = CColor(80, 24, 0);
}

int CSceneFilm::TestFrame(int kind, int32_t frame) {
    if (kind == FRAME_SERIAL) return 0;
    if (IsEdgeFrame(frame, false)) return 1;
    // Every half picture distance is marked; a strip too short for that marks
    // nothing in between.
    const int64_t pictures = static_cast<int64_t>(m_inputs.size());
    if (pictures < 2) return 0;
    const int64_t step = (m_frames / (pictures - 1)) / 2;
    if (step <= 0) return 0;
    return frame % step == 0 ? 1 : 0;
}

int CSceneFilm::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    return DescribeInputs(frame, depth, list);
}

int CSceneFilm::Validate(const SceneReport&) {
    const bool vertical = m_direction == DIRECTION_UP || m_direction == DIRECTION_DOWN;
    const int64_t side = vertical ? ScreenHeight() : ScreenWidth();
    const int64_t pictures = std::max<int64_t>(static_cast<int64_t>(m_inputs.size()), 1);
    const int64_t travel = (side >> 4) * 13 * (pictures - 1);
    m_travel = static_cast<int32_t>(std::clamp<int64_t>(travel, 0, kEndlessFrames));
    return 0;
}

int CSceneFilm::Dump(CDumpWriter& out) {
    DumpHead(out);
    for (const auto& input : m_inputs)
        out.WriteLine("\tINPUT\t\t\"%s\"", input->m_inputName.c_str());
    dump_direction(out, m_direction);
    out.WriteLine("\tCOLOR\t\t%d\t%d\t%d", m_color.red, m_color.green, m_color.blue);
    out.WriteLine("\tBGCOLOR\t\t%d\t%d\t%d", m_bgcolor.red, m_bgcolor.green, m_bgcolor.blue);
    out.WriteLine("\tFRAMES\t\t%d", m_frames);
    out.WriteText("}");
    return 0;
}

// ---- EXPAND ----

int CSceneExpand::TestFrame(int kind, int32_t frame) {
    if (kind == FRAME_SERIAL) return ask_first_input(FirstInput(), kind, frame);
    return IsEdgeFrame(frame, true);
}

int CSceneExpand::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    return describe_through_first(FirstInput(), frame, depth, list);
}

int CSceneExpand::Validate(const SceneReport& report) {
    if (m_inOut != 0) return 0;
    if (report) {
        report(format_string("ブロック %s に、( IN | OUT ) が定義されていません。",
                             cp932_to_utf8(m_name).c_str()));
    }
    return -1;
}

int CSceneExpand::Dump(CDumpWriter& out) {
    DumpHead(out);
    out.WriteLine("\tINPUT\t\t\"%s\"", InputName(0));
    out.WriteText(m_inOut == EXPAND_IN ? "\tIN" : "\tOUT");
    dump_direction(out, m_direction);
    out.WriteText("}");
    return 0;
}

// ---- MOSAIC ----

int CSceneMosaic::TestFrame(int kind, int32_t frame) {
    if (kind == FRAME_SERIAL) return ask_first_input(FirstInput(), kind, frame);
    return IsEdgeFrame(frame, true);
}

int CSceneMosaic::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    return describe_through_first(FirstInput(), frame, depth, list);
}

void CSceneMosaic::ApplyScreenDefaults(int32_t width, int32_t height) {
    const SceneRect screen{0, 0, width - 1, height - 1};
    if (!m_hasTgtStart) m_tgtStart = screen;
    if (!m_hasTgtEnd) m_tgtEnd = screen;
}

int CSceneMosaic::Dump(CDumpWriter& out) {
    DumpHead(out);
    out.WriteLine("\tINPUT\t\t\"%s\"", InputName(0));
    out.WriteLine("\tSIZE_START\t%d", m_sizeStart);
    out.WriteLine("\tSIZE_END\t%d", m_sizeEnd);
    if (m_hasTgtStart) {
        out.WriteLine("\tTGT_START\t%d\t%d\t%d\t%d", m_tgtStart.left, m_tgtStart.top,
                      m_tgtStart.right, m_tgtStart.bottom);
    }
    if (m_hasTgtEnd) {
        out.WriteLine("\tTGT_END\t\t%d\t%d\t%d\t%d", m_tgtEnd.left, m_tgtEnd.top, m_tgtEnd.right,
                      m_tgtEnd.bottom);
    }
    out.WriteText("}");
    return 0;
}

// ---- SHAKE ----

int CSceneShake::TestFrame(int kind, int32_t frame) {
    if (kind == FRAME_SERIAL) return ask_first_input(FirstInput(), kind, frame);
    return IsEdgeFrame(frame, false);
}

int CSceneShake::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    return describe_through_first(FirstInput(), frame, depth, list);
}

int CSceneShake::Dump(CDumpWriter& out) {
    DumpHead(out);
    out.WriteLine("\tINPUT\t\t\"%s\"", InputName(0));
    out.WriteText("}");
    return 0;
}
