// FILM: pictures running past the screen on a film strip.

#include "scene/scene_transition.h"

#include "scene/keywords.h"

namespace {

void dump_direction(CDumpWriter& out, int32_t direction) {
    if (const char* word = keyword_word(kDirectionWords, direction)) out.WriteLine("\t%s", word);
}

}  // namespace

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
