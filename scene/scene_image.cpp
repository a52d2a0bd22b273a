// IMAGE: a picture file, or one frame of another block, with its colour effects.

#include "base/cp932.h"
#include "image/compose.h"
#include "image/effects.h"
#include "image/picture_file.h"
#include "image/text_render.h"
#include "image/transform.h"
#include "scene/keywords.h"
#include "scene/scene_source.h"

namespace {

// A picture file, opaque, in the working layout of the image mode.
ImagePtr working_picture(const std::string& path) {
    if (get_image_mode() == 32) return ImagePtr(load_picture32(path));
    ImagePtr picture(load_picture(path));
    if (!picture) return nullptr;
    if (attach_alpha_plane(picture.get()) != 0) return nullptr;
    for (int32_t y = 0; y < picture->height; ++y) {
        std::fill_n(image_alpha_row(picture.get(), y), picture->width, uint8_t{255});
    }
    return picture;
}

// Replaces *picture by what `effect` makes of it; none when the effect fails.
template <typename Effect>
bool apply(ImagePtr* picture, Effect&& effect) {
    picture->reset(effect(picture->get()));
    return *picture != nullptr;
}

// The file name written over a picture in preview: a black shadow, then white.
void label_picture(CImageBuffer* picture, const std::string& file) {
    const int32_t w = picture->width;
    const int32_t h = picture->height;
    const std::string name = cp932_to_utf8(file);
    const std::string face = cp932_to_utf8(kDefaultFontFace);
    struct Pass {
        CColor color;
        int32_t at;
    };
    for (const Pass& pass :
         {Pass{CColor(0, 0, 0, 150), w / 20 + 3}, Pass{CColor(255, 255, 255, 255), w / 20}}) {
        ImagePtr label(render_text_image(name, w * 19 / 20, h / 20, face, w / 60, w / 30,
                                         TEXT_ALIGN_LEFT, TEXT_VALIGN_CENTER, 0, pass.color,
                                         CColor(0, 0, 0, 0)));
        compose_image(picture, label.get(), pass.at, pass.at, COMPOSE_ALPHA);
    }
}

}  // namespace

ImagePtr CSceneImage::MakePicture(int32_t mode, RenderContext* context) {
    const ImageSettings& s = Settings();
    ImagePtr picture;
    if (!s.file.empty()) {
        picture = working_picture(m_path);
    } else if (CSceneLink* block = FirstInput()) {
        CImageBuffer* frame = block->GetImage(s.blockFrame, mode, nullptr, context);
        if (frame) picture.reset(duplicate_image(frame));
        block->ReleaseImage(frame, s.blockFrame);
    }
    if (!picture) return nullptr;

    // The effects, in this order; each but the first makes a new picture.
    const uint32_t fx = s.effects;
    if ((fx & IMAGE_THROUGH_COLOR) &&
        through_color_image(picture.get(), s.throughColor.red, s.throughColor.green,
                            s.throughColor.blue) != 0) {
        return nullptr;
    }
    if (fx & IMAGE_CLIP) {
        const SceneRect& c = s.clip;
        const int64_t w = int64_t{c.right} - c.left + 1;
        const int64_t h = int64_t{c.bottom} - c.top + 1;
        if (w > INT32_MAX || h > INT32_MAX) return nullptr;
        ImagePtr clipped(create_work_image(static_cast<int32_t>(w), static_cast<int32_t>(h)));
        if (!clipped) return nullptr;
        compose_image(clipped.get(), picture.get(), -c.left, -c.top, COMPOSE_ALPHA);
        picture = std::move(clipped);
    }
    const bool ok =
        (!(fx & IMAGE_PHOTO_FRAME) ||
         apply(&picture, [&](auto* p) { return photo_frame_image(p, s.photoFrame); })) &&
        (!(fx & IMAGE_SEPIA) || apply(&picture, sepia_image)) &&
        (!(fx & IMAGE_MONO) || apply(&picture, mono_image)) &&
        (!(fx & IMAGE_NEGA) || apply(&picture, nega_image)) &&
        (!(fx & IMAGE_DISCOLOR) ||
         apply(&picture, [](auto* p) { return discolor_image(p, 0.5); })) &&
        (!(fx & IMAGE_ANGLE) ||
         apply(&picture, [&](auto* p) { return rotate_image(p, s.angle); })) &&
        (!(fx & IMAGE_HIGHPASS) || apply(&picture, highpass_image)) &&
        (!(fx & IMAGE_RED) || apply(&picture, [](auto* p) { return channel_image(p, 0); })) &&
        (!(fx & IMAGE_GREEN) || apply(&picture, [](auto* p) { return channel_image(p, 1); })) &&
        (!(fx & IMAGE_BLUE) || apply(&picture, [](auto* p) { return channel_image(p, 2); }));
    if (!ok) return nullptr;

    if (mode == 2 && !s.file.empty()) label_picture(picture.get(), s.file);
    return picture;
}

int CSceneImage::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    // A FILE picture has no input; a BLOCK_FRAME picture shows one frame of its block.
    if (!Settings().file.empty() || !FirstInput()) return 0;
    return FirstInput()->DescribeFrame(Settings().blockFrame, depth + 1, list);
}

int CSceneImage::Validate(const SceneReport& report) {
    return CheckFile(Settings().file, &m_path, report);
}

int CSceneImage::Dump(CDumpWriter& out) {
    const ImageSettings& s = Settings();
    DumpHead(out);
    if (!s.file.empty()) {
        out.WriteLine("\tFILE\t\t\"%s\"", s.file.c_str());
    } else {
        out.WriteLine("\tBLOCK_FRAME\t\"%s\"\t%d", InputName(0), s.blockFrame);
    }
    for (const KeywordCode& effect : kImageEffectWords) {
        if (s.effects & static_cast<uint32_t>(effect.code)) {
            out.WriteLine("\t%s", effect.word.data());
        }
    }
    if (s.effects & IMAGE_PHOTO_FRAME) out.WriteLine("\tPHOTO_FRAME\t%d", s.photoFrame);
    if (s.effects & IMAGE_CLIP) {
        out.WriteLine("\tCLIP\t\t%d\t%d\t%d\t%d", s.clip.left, s.clip.top, s.clip.right,
                      s.clip.bottom);
    }
    if (s.effects & IMAGE_ANGLE) out.WriteLine("\tANGLE\t\t%d", s.angle);
    if (s.effects & IMAGE_THROUGH_COLOR) {
        out.WriteLine("\tTHROUGH_COLOR\t%d\t%d\t%d", s.throughColor.red, s.throughColor.green,
                      s.throughColor.blue);
    }
    out.WriteText("}");
    return 0;
}
