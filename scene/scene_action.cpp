// ACTION, ZOOM, SLIDE and FOCUS: a camera moving over an input picture.

#include <algorithm>

#include "base/cp932.h"
#include "image/effects.h"
#include "image/transform.h"
#include "scene/scene_motion.h"

namespace {

// A rectangle with exclusive right and bottom, in 64 bits: a side of a written
// rectangle reaches 2^32 and a picture's side stays below 2^30 (an image holds less
// than 2 GiB), so the products of the aspect arithmetic stay below 2^62.
struct Box {
    int64_t left = 0;
    int64_t top = 0;
    int64_t right = 0;
    int64_t bottom = 0;

    int64_t Width() const { return right - left; }
    int64_t Height() const { return bottom - top; }
    bool Empty() const { return Width() <= 0 || Height() <= 0; }
};

Box box_of(const SceneRect& r) {
    return {r.left, r.top, int64_t{r.right} + 1, int64_t{r.bottom} + 1};
}

// SLIDE: the destination takes the source's aspect, centred where it was.
void fit_destination(const Box& src, Box* dst) {
    const int64_t sw = src.Width(), sh = src.Height();
    const int64_t dw = dst->Width(), dh = dst->Height();
    if (dw * sh == dh * sw) return;
    if (dw * sh < dh * sw) {
        const int64_t h = dw * sh / sw;
        const int64_t m = dst->top + dst->bottom;
        dst->top = (m - h) / 2;
        dst->bottom = (m + h) / 2;
    } else {
        const int64_t w = dh * sw / sh;
        const int64_t m = dst->left + dst->right;
        dst->left = (m - w) / 2;
        dst->right = (m + w) / 2;
    }
}

// FOCUS: the same about the integer middle of the destination.
void centre_destination(const Box& src, Box* dst) {
    const int64_t sw = src.Width(), sh = src.Height();
    const int64_t dw = dst->Width(), dh = dst->Height();
    if (dw * sh < dh * sw) {
        const int64_t h = dw * sh / sw;
        const int64_t m = (dst->top + dst->bottom) / 2;
        dst->top = m - h / 2;
        dst->bottom = h / 2 + m;
    } else {
        const int64_t w = dh * sw / sh;
        const int64_t m = (dst->left + dst->right) / 2;
        dst->left = m - w / 2;
        dst->right = w / 2 + m;
    }
}

// ACTION and ZOOM: the source is cropped to the destination's aspect.
void crop_source(const Box& dst, Box* src) {
    const int64_t sw = src->Width(), sh = src->Height();
    const int64_t dw = dst.Width(), dh = dst.Height();
    if (dw * sh <= dh * sw) {
        const int64_t w = sh * dw / dh;
        const int64_t e = (sw - w) / 2;
        src->left += e;
        src->right -= e;
    } else {
        const int64_t h = sw * dh / dw;
        const int64_t e = (sh - h) / 2;
        src->top += e;
        src->bottom -= e;
    }
}

bool to_rect(const Box& box, ImageRect* rect) {
    for (int64_t v : {box.left, box.top, box.right, box.bottom}) {
        if (v < INT32_MIN || v > INT32_MAX) return false;
    }
    *rect = {static_cast<int32_t>(box.left), static_cast<int32_t>(box.top),
             static_cast<int32_t>(box.right), static_cast<int32_t>(box.bottom)};
    return true;
}

bool to_pair(const Box (&boxes)[2], RegionPair* pair) {
    return to_rect(boxes[0], &pair->start) && to_rect(boxes[1], &pair->end);
}

}  // namespace

CSceneAction::CSceneAction(uint32_t type) : CSceneWith(type) {
    EditSettings().keepAspect = type == SCENE_FOCUS;
}

SceneRect CSceneAction::Region(size_t region) const {
    const bool moves = region >= REGION_DST_START;
    if (moves && !action_takes_region(Type(), region)) return Screen();
    return Settings().regions[region];
}

CImageBuffer* CSceneAction::GetImage(int32_t frame, int32_t mode, int32_t* runLength,
                                     RenderContext* context) {
    const ActionSettings& s = Settings();
    CSceneLink* input = FirstInput();
    SharedMotionImage picture;
    SharedMotionImage background;
    {
        std::lock_guard<std::mutex> hold(Lock());
        m_users.Take(frame, int64_t{Settings().frames} - 1, context);
        if (!m_cache && input) {
            CImageBuffer* image = input->GetImage(frame, mode, nullptr, context);
            if (image) {
                m_cache = borrow_motion_input(*input, image, frame);
            } else {
                input->ReleaseImage(image, frame);
            }
        }
        picture = m_cache;
        if (input && !motion_input_endless(*input)) m_cache.reset();
        if (!m_background) {
            m_background = share_motion_image(make_motion_background(
                ScreenWidth(), ScreenHeight(), s.bgcolor, Background(), frame, mode, context));
        }
        background = m_background;
        if (Background() && !motion_input_endless(*Background())) m_background.reset();
    }

    // Each call draws on its own copy of the background. Made at once in the hand-over
    // layout when the document takes this frame as it is.
    ImagePtr result;
    if (background && picture) {
        const bool handOver = context && context->handOverScene == this;
        result.reset(DrawFrame(*background, *picture, frame, mode, handOver));
    } else if (background) {
        result.reset(duplicate_image(background.get()));
    }
    if (runLength) *runLength = 0;
    return result.release();
}

bool CSceneAction::MoveRegions(const CImageBuffer& picture, RegionPair* source,
                               RegionPair* destination, RegionPair* display) const {
    const ActionSettings& s = Settings();
    // Start and end of the source, destination and display regions.
    Box src[2], dst[2], dsp[2];
    for (size_t i = 0; i < 2; ++i) {
        src[i] = s.given[REGION_SRC_START + i] ? box_of(s.regions[REGION_SRC_START + i])
                                               : Box{0, 0, picture.width, picture.height};
        src[i].left = std::max<int64_t>(src[i].left, 0);
        src[i].top = std::max<int64_t>(src[i].top, 0);
        src[i].right = std::min<int64_t>(src[i].right, picture.width);
        src[i].bottom = std::min<int64_t>(src[i].bottom, picture.height);
        dst[i] = box_of(Region(REGION_DST_START + i));
        dsp[i] = box_of(Region(REGION_DSP_START + i));
    }
    // A source that has nothing of the picture left shows nothing.
    if (src[0].Empty() || src[1].Empty()) return false;
    if (s.keepAspect) {
        // An empty destination has no aspect to keep.
        if (dst[0].Empty() || dst[1].Empty()) return false;
        if (Type() == SCENE_SLIDE) {
            fit_destination(src[0], &dst[0]);
            fit_destination(src[1], &dst[1]);
        } else if (Type() == SCENE_FOCUS) {
            centre_destination(src[0], &dst[0]);
            dst[1] = dst[0];
        } else {
            crop_source(dst[0], &src[0]);
            crop_source(dst[1], &src[1]);
        }
        // A picture far wider or taller than its frame can lose a whole side.
        if (src[0].Empty() || src[1].Empty() || dst[0].Empty() || dst[1].Empty()) return false;
    }
    return to_pair(src, source) && to_pair(dst, destination) && to_pair(dsp, display);
}

CImageBuffer* CSceneAction::DrawFrame(const CImageBuffer& background, const CImageBuffer& picture,
                                      int32_t frame, int32_t mode, bool handOver) const {
    const ActionSettings& s = Settings();
    RegionPair source, destination, display;
    if (!MoveRegions(picture, &source, &destination, &display)) return duplicate_image(&background);
    // A shot of one frame shows its start position.
    const int32_t frames = std::max(s.frames, 2);
    const int32_t at = s.frames < 2 ? 0 : frame;
    if (mode == 2) {
        return move_image_copy(&background, &picture, source, destination, display, at, frames,
                               MOVE_NEAREST, handOver);
    }
    if (s.afterimage < 1 || at == 0) {
        return move_image_copy(&background, &picture, source, destination, display, at, frames, 0,
                               handOver);
    }
    // The current position first, then the fainter, older ones over it.
    ImagePtr result(move_image_copy(&background, &picture, source, destination, display, at, frames,
                                    MOVE_LIGHTEN, false));
    if (!result) return nullptr;
    // One copy of the picture serves every older position: only its alpha changes.
    const int64_t steps = int64_t{s.afterimage} + 1;
    ImagePtr faint(duplicate_image(&picture));
    if (!faint) return nullptr;
    for (int64_t k = 1; k < steps && at - k >= 0; ++k) {
        const auto position = static_cast<int32_t>(at - k);
        const double factor = static_cast<double>(steps - k) / static_cast<double>(steps);
        if (fade_alpha_from(faint.get(), &picture, factor) != 0) return nullptr;
        move_image(result.get(), faint.get(), source, destination, display, position, frames,
                   MOVE_LIGHTEN);
    }
    return result.release();
}

void CSceneAction::ReleaseImage(CImageBuffer* image, int32_t frame) {
    delete_image(image);
    std::lock_guard<std::mutex> hold(Lock());
    if (m_users.GiveBack(frame, int64_t{Settings().frames} - 1)) {
        m_cache.reset();
        m_background.reset();
    }
}

void CSceneAction::ResetCache() {
    std::lock_guard<std::mutex> hold(Lock());
    m_users.Reset();
    m_cache.reset();
    m_background.reset();
}

int CSceneAction::TestFrame(int kind, int32_t frame) {
    if (kind == FRAME_SERIAL) return 0;
    return IsEdgeFrame(frame, true);
}

int CSceneAction::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    if (DescribeFirstInput(frame, depth, list) == -1) return -1;
    return DescribeBackground(frame, depth, list);
}

int CSceneAction::Validate(const SceneReport& report) {
    if (Settings().afterimage > Settings().frames) {
        if (report) {
            report(format_string("ブロック %s では、不正な残像フレーム数が指定されています。",
                                 cp932_to_utf8(Name()).c_str()));
        }
        return -1;
    }
    return 0;
}

int CSceneAction::Dump(CDumpWriter& out) {
    const ActionSettings& s = Settings();
    DumpHead(out);
    out.WriteLine("\tINPUT\t\t\"%s\"", InputName(0));
    for (size_t region = 0; region < kActionRegionCount; ++region) {
        if (!action_takes_region(Type(), region)) continue;
        const SceneRect r = Region(region);
        out.WriteLine("%s%d\t%d\t%d\t%d", kActionRegionWords[region].dumpHead, r.left, r.top,
                      r.right, r.bottom);
    }
    if (s.keepAspect) out.WriteText("\tKEEP_ASPECT");
    if (s.afterimage != 0) out.WriteLine("\tAFTERIMAGE\t\t%d", s.afterimage);
    dump_motion_bgcolor(out, s.bgcolor);
    dump_motion_bgimage(out, Background());
    out.WriteLine("\tFRAMES\t\t%d", s.frames);
    out.WriteText("}");
    return 0;
}
