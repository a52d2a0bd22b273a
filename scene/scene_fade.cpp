// FADE: an input faded in from a colour, out to it, or both.

#include "scene/scene_transition.h"

#include "base/cp932.h"
#include "image/compose.h"
#include "scene/keywords.h"

namespace {

bool fades_in(int32_t mode) {
    return mode == FADE_IN || mode == FADE_INOUT;
}
bool fades_out(int32_t mode) {
    return mode == FADE_OUT || mode == FADE_INOUT;
}

}  // namespace

// The input's own image outside the fades, handed through untouched; a new mix of the
// input and a screen of COLOR inside them.
CImageBuffer* CSceneFade::GetImage(int32_t frame, int32_t mode, int32_t* runLength,
                                   RenderContext* context) {
    CSceneLink* input = FirstInput();
    if (!input) return nullptr;
    const FadeSettings& s = Settings();
    const int64_t count = GetFrameCount();
    const int64_t fade = s.frames;
    const int32_t w = ScreenWidth();
    const int32_t h = ScreenHeight();
    auto colour = [&] {
        return ImagePtr(create_filled_image(w, h, s.color.red, s.color.green, s.color.blue, 0));
    };

    int32_t local = static_cast<int32_t>(count);
    CImageBuffer* source = input->GetImage(frame, mode, &local, context);
    CImageBuffer* result = source;
    int64_t run = count;
    if (fades_in(s.fadeMode)) {
        if (frame < fade) {
            const int percent = static_cast<int>(int64_t{frame} * 100 / fade);
            ImagePtr from = colour();
            result = crossfade_image(from.get(), source, percent);
            input->ReleaseImage(source, frame);
            run = 0;
        } else {
            run = count - frame - 1;
        }
    }
    if (fades_out(s.fadeMode)) {
        if (frame < count - fade) {
            run = std::min(run, count - fade - frame - 1);
        } else {
            const int percent = static_cast<int>((frame - (count - fade)) * 100 / fade);
            ImagePtr to = colour();
            CImageBuffer* mixed = crossfade_image(result, to.get(), percent);
            // Only a block too short for both fades mixes a mix again.
            if (result == source) {
                input->ReleaseImage(source, frame);
            } else {
                delete_image(result);
            }
            result = mixed;
            run = 0;
        }
    }
    if (runLength) {
        run = std::max<int64_t>(std::min<int64_t>(run, local), 0);
        if (run < *runLength) *runLength = static_cast<int32_t>(run);
    }
    return result;
}

// Inside a fade the image is the scene's own mix; elsewhere it is the input's.
void CSceneFade::ReleaseImage(CImageBuffer* image, int32_t frame) {
    const int64_t count = GetFrameCount();
    const int64_t fade = Settings().frames;
    const int32_t mode = Settings().fadeMode;
    const bool mixed =
        (fades_in(mode) && frame < fade) || (fades_out(mode) && frame >= count - fade);
    CSceneLink* input = FirstInput();
    if (mixed || !input) {
        delete_image(image);
    } else {
        input->ReleaseImage(image, frame);
    }
}

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
