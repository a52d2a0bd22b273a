// MIX: inputs laid over a background, each from its own frame on.

#include <algorithm>

#include "image/compose.h"
#include "image/transform.h"
#include "scene/scene_composition.h"

namespace {

// Whether a MIX input shows `frame`; its own frame then. The end is worked out in
// 64 bits, so an endless input that starts late plays to the end of the MIX.
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

CImageBuffer* CSceneMix::GetImage(int32_t frame, int32_t mode, int32_t* runLength,
                                  RenderContext* context) {
    const int32_t count = GetFrameCount();
    if (frame < 0 || frame >= count) return nullptr;
    const int fitFlags = mode == 2 ? 9 : 1;
    // The background's own run length answer does not count: the canvas made from
    // it serves every frame alike.
    const int32_t entry = runLength ? *runLength : 0;
    const int32_t screenWidth = ScreenWidth();
    const int32_t screenHeight = ScreenHeight();

    ImagePtr result;
    {
        // The background is the same for every frame: the first frame that finds no
        // canvas makes it while the others wait, then each takes a copy.
        std::lock_guard<std::mutex> hold(Lock());
        m_users.Take(frame, int64_t{GetFrameCount()} - 1, context);
        if (!m_canvas) {
            const CColor& bg = Settings().bgcolor;
            m_canvas.reset(
                create_filled_image(screenWidth, screenHeight, bg.red, bg.green, bg.blue, 0));
            if (m_canvas && Background()) {
                CImageBuffer* picture = Background()->GetImage(frame, mode, runLength, context);
                ImagePtr fitted(picture ? fit_image(picture, screenWidth, screenHeight, fitFlags)
                                        : nullptr);
                Background()->ReleaseImage(picture, frame);
                compose_image(m_canvas.get(), fitted.get(), 0, 0, COMPOSE_ALPHA);
            }
        }
        if (m_canvas) result.reset(duplicate_image(m_canvas.get()));
    }
    if (!result) {
        if (runLength) *runLength = 0;
        return nullptr;  // given back like any frame: the user count goes down again
    }

    // Later inputs are drawn over earlier ones; an input that gives no image adds
    // nothing.
    int32_t run = count - frame - 1;
    for (const auto& input : Inputs()) {
        int32_t local = 0;
        if (!mix_active(*input, frame, &local)) {
            const int64_t offset = input->Settings().offset;
            if (frame < offset)
                run = static_cast<int32_t>(std::min<int64_t>(run, offset - frame - 1));
            continue;
        }
        CImageBuffer* image = input->GetImage(local, mode, &run, context);
        if (image) {
            const SceneRect r = input->Rect();
            const int64_t width = int64_t{r.right} - r.left + 1;
            const int64_t height = int64_t{r.bottom} - r.top + 1;
            if (image->width == width && image->height == height) {
                compose_image(result.get(), image, r.left, r.top, Settings().composeMode);
            } else if (width > 0 && height > 0 && width <= INT32_MAX && height <= INT32_MAX) {
                ImagePtr fitted(fit_image(image, static_cast<int32_t>(width),
                                          static_cast<int32_t>(height), fitFlags));
                compose_image(result.get(), fitted.get(), r.left, r.top, Settings().composeMode);
            }
        }
        input->ReleaseImage(image, local);
    }
    if (runLength) *runLength = std::min(entry, run);
    return result.release();
}

void CSceneMix::ReleaseImage(CImageBuffer* image, int32_t frame) {
    const int32_t count = GetFrameCount();
    if (frame < 0 || frame >= count) return;  // nothing was handed out
    delete_image(image);
    std::lock_guard<std::mutex> hold(Lock());
    // The last frame back with none out ends the run: the canvas goes.
    if (m_users.GiveBack(frame, count - 1)) m_canvas.reset();
}

void CSceneMix::ResetCache() {
    std::lock_guard<std::mutex> hold(Lock());
    m_users.Reset();
    m_canvas.reset();
}
