// FILM: pictures running past the screen on a film strip.

#include "scene/scene_transition.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "image/compose.h"
#include "image/effects.h"
#include "image/film_strip.h"
#include "image/transform.h"
#include "scene/keywords.h"

namespace {

// Sets the colour bytes of every pixel to 0, alpha kept.
void clear_colour(CImageBuffer* image) {
    const int64_t bytes = image->bpp / 8;
    for (int32_t y = 0; y < image->height; ++y) {
        uint8_t* row = image_row(image, y);
        if (bytes == 3) {
            std::memset(row, 0, 3 * static_cast<size_t>(image->width));
            continue;
        }
        for (int64_t x = 0; x < image->width; ++x) std::memset(row + bytes * x, 0, 3);
    }
}

// The film strip as it is drawn: opaque in its colour, transparent where the strip
// leaves black (the sprocket holes and the windows the pictures show through). A
// black strip is painted in (1, 0, 0), so that it can be told from the holes, and
// made black once they are transparent.
ImagePtr make_strip(size_t pictures, bool horizontal, int32_t offset, int32_t width, int32_t height,
                    const CColor& color) {
    const bool black = color.red == 0 && color.green == 0 && color.blue == 0;
    ImagePtr strip(render_film_strip_image(
        static_cast<int32_t>(std::min<size_t>(pictures, INT32_MAX)), horizontal, offset, width,
        height, black ? 1 : color.red, black ? 0 : color.green, black ? 0 : color.blue));
    if (!strip) return nullptr;
    if (!strip->alpha && attach_alpha_plane(strip.get()) != 0) return nullptr;
    for (int32_t y = 0; y < strip->height; ++y) {
        std::fill_n(image_alpha_row(strip.get(), y), strip->width, uint8_t{255});
    }
    if (get_image_mode() == 32) {
        strip.reset(image24_to_32(strip.get()));
        if (!strip) return nullptr;
    }
    if (through_color_image(strip.get(), 0, 0, 0) != 0) return nullptr;
    if (black) clear_colour(strip.get());
    return strip;
}

// One picture as a frame draws it: the fitted image and, for a picture of an input
// that changes from frame to frame, its owner for this frame alone.
struct FilmPicture {
    const CImageBuffer* image = nullptr;
    ImagePtr own;
};

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

// The strip and the pictures are drawn onto a canvas of this frame alone. The pictures
// of endless inputs are the same in every frame: they are fitted once into the
// scene's array and kept there while any frame drawn from them is out. Pictures of
// the other inputs change from frame to frame and are fitted by each frame for
// itself.
CImageBuffer* CSceneFilm::GetImage(int32_t frame, int32_t mode, int32_t* runLength,
                                   RenderContext* context) {
    if (runLength) *runLength = std::min(*runLength, 0);
    {
        // Counted before anything can fail: the caller gives every frame back, made
        // or not.
        std::lock_guard<std::mutex> hold(Lock());
        m_users.Take(frame, int64_t{Settings().frames} - 1, context);
    }
    const FilmSettings& s = Settings();
    const size_t n = Inputs().size();
    const int64_t w = ScreenWidth();
    const int64_t h = ScreenHeight();
    if (w < 1 || h < 1 || (w + 1) * kSubPixel > INT32_MAX || (h + 1) * kSubPixel > INT32_MAX) {
        return nullptr;
    }
    const bool vertical = s.direction == DIRECTION_UP || s.direction == DIRECTION_DOWN;
    const bool forward = s.direction == DIRECTION_UP || s.direction == DIRECTION_LEFT;
    const bool preview = mode == 2;

    // How far the strip has moved: o in pixels, q the 1/1024 pixel beyond o. A strip
    // of one frame stands at its start.
    const int64_t count = GetFrameCount();
    const int64_t travel = m_travel;
    int64_t o = forward ? 0 : travel;
    int64_t q = 0;
    if (count > 1) {
        // UP and LEFT move by the frames gone, DOWN and RIGHT by the frames to come.
        const int64_t f = std::clamp<int64_t>(frame, 0, count - 1);
        const int64_t step = forward ? f : count - 1 - f;
        o = transition_between(0, travel, step, count);
        q = transition_between(0, travel * kSubPixel, step, count) & (kSubPixel - 1);
    }

    ImagePtr strip = make_strip(n, !vertical, static_cast<int32_t>(o), static_cast<int32_t>(w),
                                static_cast<int32_t>(h), s.color);
    if (!strip) return nullptr;
    const int32_t cw = static_cast<int32_t>(preview ? w : w + 1);
    const int32_t ch = static_cast<int32_t>(preview ? h : h + 1);
    ImagePtr canvas(create_filled_image(cw, ch, s.bgcolor.red, s.bgcolor.green, s.bgcolor.blue, 0));
    if (!canvas) return nullptr;
    compose_image(canvas.get(), strip.get(), 0, 0, COMPOSE_ALPHA);
    strip.reset();

    std::unique_ptr<FilmPicture[]> pictures(new (std::nothrow) FilmPicture[n]);
    if (!pictures) return nullptr;
    const int32_t fitWidth = static_cast<int32_t>(w * 3 / 4);
    const int32_t fitHeight = static_cast<int32_t>(h * 3 / 4);
    auto fit = [&](CSceneLink* input) {
        CImageBuffer* image = input->GetImage(frame, mode, nullptr, context);
        ImagePtr fitted(image ? fit_image(image, fitWidth, fitHeight, FIT_INSIDE) : nullptr);
        input->ReleaseImage(image, frame);
        return fitted;
    };
    {
        std::lock_guard<std::mutex> hold(Lock());
        if (!m_pictures) {
            m_pictures.reset(new (std::nothrow) ImagePtr[n]);
            if (!m_pictures) return nullptr;
        }
        for (size_t i = 0; i < n; ++i) {
            CSceneLink* input = Inputs()[i].get();
            if (input->GetFrameCount() != kEndlessFrames) continue;
            if (!m_pictures[i]) m_pictures[i] = fit(input);
            // Never replaced while a frame is out, so it can be drawn after the lock.
            pictures[i].image = m_pictures[i].get();
        }
    }
    for (size_t i = 0; i < n; ++i) {
        CSceneLink* input = Inputs()[i].get();
        if (input->GetFrameCount() == kEndlessFrames) continue;
        pictures[i].own = fit(input);
        pictures[i].image = pictures[i].own.get();
    }

    // Picture k sits 13/16 of the screen after picture k - 1, the first 1/8 of the
    // screen in; DOWN and RIGHT run the row the other way.
    const int64_t spacing = vertical ? h * 13 / 16 : w * 13 / 16;
    for (size_t k = 0; k < n; ++k) {
        const CImageBuffer* picture = pictures[forward ? k : n - 1 - k].image;
        if (!picture) continue;
        const int64_t along = spacing * static_cast<int64_t>(k) - o;
        const int64_t x = vertical ? w / 8 : along + w / 8;
        const int64_t y = vertical ? along + h / 8 : h / 8;
        if (x >= cw || y >= ch || x + picture->width <= 0 || y + picture->height <= 0) continue;
        compose_image(canvas.get(), picture, static_cast<int32_t>(x), static_cast<int32_t>(y),
                      COMPOSE_ALPHA);
    }
    if (preview) return canvas.release();

    // The part of the move finer than a pixel: the screen read from the canvas q/1024
    // of a pixel further along.
    const int32_t sw = static_cast<int32_t>(w * kSubPixel);
    const int32_t sh = static_cast<int32_t>(h * kSubPixel);
    const int32_t sx = vertical ? 0 : static_cast<int32_t>(q);
    const int32_t sy = vertical ? static_cast<int32_t>(q) : 0;
    return scale_image(canvas.get(), 0, 0, sw, sh, sx, sy, sw, sh);
}

void CSceneFilm::ReleaseImage(CImageBuffer* image, int32_t frame) {
    delete_image(image);
    std::unique_ptr<ImagePtr[]> dropped;
    {
        std::lock_guard<std::mutex> hold(Lock());
        // The last frame back with none out ends the run: the pictures go.
        if (m_users.GiveBack(frame, int64_t{Settings().frames} - 1)) {
            dropped = std::move(m_pictures);
        }
    }
}

void CSceneFilm::ResetCache() {
    std::unique_ptr<ImagePtr[]> dropped;
    std::lock_guard<std::mutex> hold(Lock());
    m_users.Reset();
    dropped = std::move(m_pictures);
}
