// What the motion scenes share: fitting and composing their inputs, the background
// of ROTATE and the camera moves, and the dump lines they have in common.

#include "scene/scene_motion.h"

#include "image/compose.h"
#include "image/transform.h"

int motion_fit_flags(int32_t fitMode, int32_t mode) {
    return fitMode + (mode == 2 ? FIT_NEAREST : 0);
}

bool motion_input_endless(const CSceneLink& link) {
    return link.GetFrameCount() == kEndlessFrames;
}

void compose_motion_input(CImageBuffer* canvas, CSceneLink& link, int32_t frame, int32_t mode,
                          RenderContext* context, int fitFlags, int times) {
    const SceneRect r = link.Rect();
    const int64_t w = int64_t{r.right} - r.left + 1;
    const int64_t h = int64_t{r.bottom} - r.top + 1;
    CImageBuffer* image = link.GetImage(frame, mode, nullptr, context);
    ImagePtr fitted;
    if (image && w <= INT32_MAX && h <= INT32_MAX) {
        fitted.reset(fit_image(image, static_cast<int32_t>(w), static_cast<int32_t>(h), fitFlags));
    }
    link.ReleaseImage(image, frame);
    if (!fitted) return;
    for (int i = 0; i < times; ++i) {
        compose_image(canvas, fitted.get(), r.left, r.top, COMPOSE_ALPHA);
    }
}

ImagePtr make_motion_background(int32_t width, int32_t height, const CColor& bgcolor,
                                CSceneLink* bgimage, int32_t frame, int32_t mode,
                                RenderContext* context) {
    ImagePtr background(
        create_filled_image(width, height, bgcolor.red, bgcolor.green, bgcolor.blue, 0));
    if (!background || !bgimage) return background;
    CImageBuffer* image = bgimage->GetImage(frame, mode, nullptr, context);
    if (image) {
        ImagePtr fitted(fit_image(image, width, height, motion_fit_flags(FIT_INSIDE, mode)));
        compose_image(background.get(), fitted.get(), 0, 0, COMPOSE_ALPHA);
    }
    bgimage->ReleaseImage(image, frame);
    return background;
}

SharedMotionImage share_motion_image(ImagePtr image) {
    if (!image) return nullptr;
    return SharedMotionImage(image.release(), ImageDeleter());
}

SharedMotionImage borrow_motion_input(CSceneLink& input, CImageBuffer* image, int32_t frame) {
    CSceneLink* link = &input;
    return SharedMotionImage(image, [link, frame](const CImageBuffer* held) {
        link->ReleaseImage(const_cast<CImageBuffer*>(held), frame);
    });
}

void dump_motion_bgcolor(CDumpWriter& out, const CColor& color) {
    out.WriteLine("\tBGCOLOR\t\t%d\t%d\t%d", color.red, color.green, color.blue);
}

void dump_motion_bgimage(CDumpWriter& out, const CSceneLink* link) {
    if (link) out.WriteLine("\tBGIMAGE\t\t\"%s\"", link->InputName().c_str());
}
