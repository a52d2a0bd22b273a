// STILL: its inputs composed over a coloured screen and held for FRAMES frames.

#include <algorithm>

#include "base/log.h"
#include "scene/scene_motion.h"

CImageBuffer* CSceneStill::GetImage(int32_t frame, int32_t mode, int32_t* runLength,
                                    RenderContext* context) {
    if (is_debug_log_enabled()) LogLine("%s : %5d : START", "CSceneStill::GetImage", 2711);
    const StillSettings& s = Settings();
    // Any input that is not endless changes from frame to frame, and so does the
    // composition.
    const bool changing = std::any_of(Inputs().begin(), Inputs().end(), [](const auto& input) {
        return !motion_input_endless(*input);
    });

    // The whole call holds the lock: a second worker waits and shares the
    // composition the first one made instead of asking the inputs again. Callers
    // only read the images they are given, so the kept composition is handed out
    // itself; the users count keeps it until the last one is back.
    std::lock_guard<std::mutex> hold(Lock());
    m_users.Take(frame, int64_t{Settings().frames} - 1, context);
    CImageBuffer* shared = m_cache.get();
    ImagePtr result;
    if (!shared) {
        ImagePtr composition(create_filled_image(ScreenWidth(), ScreenHeight(), s.bgcolor.red,
                                                 s.bgcolor.green, s.bgcolor.blue, 0));
        if (composition) {
            int times = 2;  // the first input is composed twice
            for (const auto& input : Inputs()) {
                compose_motion_input(composition.get(), *input, frame, mode, context,
                                     motion_fit_flags(input->Settings().fitMode, mode), times);
                times = 1;
            }
        }
        if (changing) {
            // Made for this frame only: the caller gets it and nothing is kept.
            result = std::move(composition);
        } else if (composition) {
            m_cache = std::move(composition);
            shared = m_cache.get();
        }
    }

    if (runLength) {
        // The frames up to the one before the last look the same as this one.
        const int64_t count = GetFrameCount();
        const int64_t run =
            changing || int64_t{frame} >= count - 1 ? 0 : std::max<int64_t>(count - frame - 2, 0);
        *runLength = static_cast<int32_t>(std::min<int64_t>(*runLength, run));
    }
    return shared ? shared : result.release();
}

void CSceneStill::ReleaseImage(CImageBuffer* image, int32_t frame) {
    std::lock_guard<std::mutex> hold(Lock());
    if (image != m_cache.get()) delete_image(image);
    if (m_users.GiveBack(frame, int64_t{Settings().frames} - 1)) m_cache.reset();
}

void CSceneStill::ResetCache() {
    std::lock_guard<std::mutex> hold(Lock());
    m_users.Reset();
    m_cache.reset();
}

int CSceneStill::TestFrame(int kind, int32_t frame) {
    if (kind == FRAME_SERIAL) return 0;
    return frame == 0 ? 1 : 0;
}

int32_t CSceneStill::NextKeyFrame(int32_t after) {
    return first_after({0}, after, GetFrameCount());
}

int32_t CSceneStill::PrevKeyFrame(int32_t before) {
    return last_before({0}, before, GetFrameCount());
}

int CSceneStill::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    return DescribeInputs(frame, depth, list);
}

int CSceneStill::Dump(CDumpWriter& out) {
    DumpHead(out);
    for (const auto& input : Inputs()) {
        const SceneRect r = input->Rect();
        out.WriteLine(input->Settings().fitMode == 2 ? "\tINPUT\t\t\"%s\"\t%d\t%d\t%d\t%d\tMAX_CUT"
                                                     : "\tINPUT\t\t\"%s\"\t%d\t%d\t%d\t%d",
                      input->InputName().c_str(), r.left, r.top, r.right, r.bottom);
    }
    dump_motion_bgcolor(out, Settings().bgcolor);
    out.WriteLine("\tFRAMES\t\t%d", Settings().frames);
    out.WriteText("}");
    return 0;
}
