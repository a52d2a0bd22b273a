#include "scenario/block_frame.h"

#include "base/format.h"
#include "image/compose.h"
#include "scenario/scenario.h"

bool is_picture_block(const CScene& scene) {
    return scene.Type() == SCENE_IMAGE || scene.Type() == SCENE_TEXT || scene.Type() == SCENE_DRAW;
}

int32_t drawable_frames(CScene& scene) {
    return is_picture_block(scene) ? 1 : scene.GetFrameCount();
}

ImagePtr draw_block_frame(const CScenario& doc, CScene& scene, int32_t frame) {
    CImageBuffer* image = scene.GetImage(frame, doc.RenderMode(), nullptr, nullptr);
    if (!image) return nullptr;
    ImagePtr drawn;
    if (scene.Type() == SCENE_TEXT || scene.Type() == SCENE_DRAW) {
        drawn.reset(create_filled_image(image->width, image->height, 0, 0, 0, 255));
        if (drawn) compose_image(drawn.get(), image, 0, 0, COMPOSE_ALPHA);
    } else {
        drawn.reset(duplicate_image(image));
    }
    scene.ReleaseImage(image, frame);
    return drawn;
}

std::string block_frame_file_name(const std::string& block, int32_t frame) {
    std::string name = block;
    for (char& c : name) {
        if (c == '/' || c == '\\') c = '_';
    }
    if (name.empty() || name == "." || name == "..") name = "_" + name;
    return format_string("%s-%05d.bmp", name.c_str(), frame);
}
