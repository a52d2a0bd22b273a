// ROTATE: a composition of the inputs turned about a centre from one angle to
// another.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "image/compose.h"
#include "image/transform.h"
#include "scene/scene_motion.h"

int32_t CSceneRotate::TurnAt(int32_t frame) const {
    const RotateSettings& s = Settings();
    // 64 bits: the difference of two angles times a frame number does not fit 32.
    int64_t angle = s.angleStart;
    const int64_t span = int64_t{s.frames} - 1;
    // A shot of one frame shows its start.
    if (span > 0) angle += (int64_t{s.angleEnd} - s.angleStart) * frame / span;
    return static_cast<int32_t>(angle % 360);
}

CImageBuffer* CSceneRotate::GetImage(int32_t frame, int32_t mode, int32_t* runLength,
                                     RenderContext* context) {
    const RotateSettings& s = Settings();
    const int32_t width = ScreenWidth();
    const int32_t height = ScreenHeight();
    const int32_t turn = TurnAt(frame);

    // Where the composition's own centre goes, so that the point CENTER of the
    // composition stays at CENTER on the screen while the picture turns.
    const double theta = static_cast<double>(-turn) * std::numbers::pi / 180.0;
    const auto c = static_cast<int64_t>(std::cos(theta) * 1024 + 0.5);
    const auto sn = static_cast<int64_t>(std::sin(theta) * 1024 + 0.5);
    const int64_t cx = CenterX();
    const int64_t cy = CenterY();
    const int64_t dx = cx - width / 2;
    const int64_t dy = cy - height / 2;
    const int64_t ox = (dx * c - dy * sn) >> 10;
    const int64_t oy = (dx * sn + dy * c) >> 10;

    SharedMotionImage composition;
    SharedMotionImage background;
    {
        std::lock_guard<std::mutex> hold(Lock());
        m_users.Take(frame, int64_t{Settings().frames} - 1, context);
        if (!m_cache) {
            ImagePtr canvas(create_work_image(width, height));
            if (canvas) {
                int times = 2;  // the first input is composed twice
                for (const auto& input : Inputs()) {
                    compose_motion_input(canvas.get(), *input, frame, mode, context,
                                         motion_fit_flags(FIT_INSIDE, mode), times);
                    times = 1;
                }
            }
            m_cache = share_motion_image(std::move(canvas));
        }
        composition = m_cache;
        if (!std::all_of(Inputs().begin(), Inputs().end(),
                         [](const auto& input) { return motion_input_endless(*input); })) {
            m_cache.reset();
        }
        if (!m_background) {
            m_background = share_motion_image(make_motion_background(
                width, height, s.bgcolor, Background(), frame, mode, context));
        }
        background = m_background;
        if (Background() && !motion_input_endless(*Background())) m_background.reset();
    }

    // The turn and the drawing work on this call's own images.
    ImagePtr result(background ? duplicate_image(background.get()) : nullptr);
    if (result && composition) {
        ImagePtr rotated(rotate_image(composition.get(), turn));
        if (rotated) {
            const int64_t x = cx - (rotated->width / 2 + ox);
            const int64_t y = cy - (rotated->height / 2 + oy);
            // Beyond 32 bits the picture lies wholly off the screen.
            if (x >= INT32_MIN && x <= INT32_MAX && y >= INT32_MIN && y <= INT32_MAX) {
                compose_image(result.get(), rotated.get(), static_cast<int32_t>(x),
                              static_cast<int32_t>(y), COMPOSE_ALPHA);
            }
        }
    }
    if (runLength) *runLength = 0;
    return result.release();
}

void CSceneRotate::ReleaseImage(CImageBuffer* image, int32_t frame) {
    delete_image(image);
    std::lock_guard<std::mutex> hold(Lock());
    if (m_users.GiveBack(frame, int64_t{Settings().frames} - 1)) {
        m_cache.reset();
        m_background.reset();
    }
}

void CSceneRotate::ResetCache() {
    std::lock_guard<std::mutex> hold(Lock());
    m_users.Reset();
    m_cache.reset();
    m_background.reset();
}

int CSceneRotate::TestFrame(int kind, int32_t frame) {
    if (kind == FRAME_SERIAL) return 0;
    return IsEdgeFrame(frame, true);
}

int CSceneRotate::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    if (DescribeFirstInput(frame, depth, list) == -1) return -1;
    return DescribeBackground(frame, depth, list);
}

int CSceneRotate::Dump(CDumpWriter& out) {
    const RotateSettings& s = Settings();
    DumpHead(out);
    if (CSceneLink* input = FirstInput()) {
        const SceneRect r = input->Rect();
        out.WriteLine("\tINPUT\t\t\"%s\"\t%d\t%d\t%d\t%d", input->InputName().c_str(), r.left,
                      r.top, r.right, r.bottom);
    }
    if (s.hasCenter) out.WriteLine("\tCENTER\t\t%d\t%d", s.centerX, s.centerY);
    out.WriteLine("\tANGLE\t\t%d\t%d", s.angleStart, s.angleEnd);
    dump_motion_bgcolor(out, s.bgcolor);
    dump_motion_bgimage(out, Background());
    out.WriteLine("\tFRAMES\t\t%d", s.frames);
    out.WriteText("}");
    return 0;
}
