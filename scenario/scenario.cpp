// The document: scenes, checkpoints and the frame calls of MAIN.

#include "scenario/scenario.h"

#include <algorithm>
#include <cstring>

#include "base/format.h"
#include "image/compose.h"

CScenario::CScenario() = default;
CScenario::~CScenario() {
    // Scenes may still hold images of their inputs (a run stopped inside a shot):
    // they give them back while every scene is there. Then the scenes go in
    // declaration order; the links they hold never own their targets.
    ResetScenes();
    for (auto& scene : m_scenes) scene.reset();
}

void CScenario::ReportText(const std::string& text) {
    if (m_errorCallback) {
        m_errorCallback(text);
    } else {
        ErrorBox("%s", text.c_str());
    }
}

void CScenario::ReportError(std::string_view message) {
    std::string text = "シナリオ読み込み時にエラーが発生しました。\n";
    text += message;
    ReportText(text);
}

AskAnswer CScenario::Ask(const std::string& text) {
    if (m_questionCallback) return m_questionCallback(text);
    return AskBox("%s", text.c_str());
}

void CScenario::AddScene(std::unique_ptr<CScene> scene) {
    if (scene->Type() == SCENE_MAIN) m_mainLink.Resolve(this, scene.get());
    m_scenes.push_back(std::move(scene));
}

CScene* CScenario::FindScene(std::string_view name) const {
    for (const auto& scene : m_scenes) {
        if (scene->Name() == name) return scene.get();
    }
    return nullptr;
}

CScene* CScenario::LoopOf(const CScene* scene) const {
    auto found = m_loopOf.find(scene);
    return found == m_loopOf.end() ? nullptr : found->second;
}

int CScenario::CheckpointAt(int32_t frame, int32_t* colour) const {
    for (const CCheckpoint& entry : m_checkpoints) {
        if (entry.frame == frame) {
            *colour = entry.color.red * 65536 + entry.color.green * 256 + entry.color.blue;
            return 2;
        }
    }
    *colour = 0xFFFFFF;
    return 0;
}

int32_t CScenario::NextMarkedFrame(int32_t frame) {
    int32_t next = std::min(m_mainLink.NextKeyFrame(frame), m_totalFrames);
    for (const CCheckpoint& entry : m_checkpoints) {
        if (entry.frame > frame && entry.frame < next) next = entry.frame;
    }
    return next;
}

namespace {

// A 24-bit frame of another size than the screen, placed at the top left of an opaque
// black screen-size image: whoever takes the frame reads a screen's worth of rows.
ImagePtr on_screen(const CImageBuffer* frame, int32_t width, int32_t height) {
    ImagePtr screen(create_image24a(width, height));
    if (!screen) return nullptr;
    std::memset(screen->alpha, 255,
                static_cast<size_t>(int64_t{screen->alphaStride} * screen->height));
    compose_image(screen.get(), frame, 0, 0, COMPOSE_COPY);
    return screen;
}

bool has_size(const CImageBuffer* image, int32_t width, int32_t height) {
    return image->width == width && image->height == height;
}

}  // namespace

CImageBuffer* CScenario::GetImage(int32_t frame, int32_t* runLength, RenderContext* context) {
    const bool mode32 = get_image_mode() == 32;
    RenderContext offer;
    if (mode32 && context) {
        offer = *context;
        offer.handOverScene = m_mainLink.Target();
        context = &offer;
    }
    CImageBuffer* image = m_mainLink.GetImage(frame, m_renderMode, runLength, context);
    if (!image) return nullptr;
    const int32_t width = m_header.screenWidth;
    const int32_t height = m_header.screenHeight;
    if (mode32 && image->bpp == 32) {
        // The document's own 24-bit copy; MAIN has its image back at once.
        ImagePtr copy(image32_to_24a(image));
        m_mainLink.ReleaseImage(image, frame);
        if (copy && !has_size(copy.get(), width, height))
            copy = on_screen(copy.get(), width, height);
        return copy.release();
    }
    if (has_size(image, width, height)) {
        // Image mode 24, or MAIN made the frame in the hand-over form: its own image is
        // handed out and goes back to it.
        if (mode32) {
            std::lock_guard<std::mutex> hold(m_placedLock);
            m_handedThrough.insert(image);
        }
        return image;
    }
    // MAIN's image cannot be handed out as it is. In image mode 24 the document keeps
    // the placed copy in mind to know it from MAIN's own images when it comes back.
    ImagePtr placed = on_screen(image, width, height);
    m_mainLink.ReleaseImage(image, frame);
    if (!placed || mode32) return placed.release();
    std::lock_guard<std::mutex> hold(m_placedLock);
    m_placed.insert(placed.get());
    return placed.release();
}

void CScenario::ReleaseImage(CImageBuffer* image, int32_t frame) {
    bool own = false;
    {
        std::lock_guard<std::mutex> hold(m_placedLock);
        if (get_image_mode() == 32) {
            const auto through = m_handedThrough.find(image);
            own = through == m_handedThrough.end();
            if (!own) m_handedThrough.erase(through);
        } else {
            own = m_placed.erase(image) != 0;
        }
    }
    if (own) {
        delete_image(image);
    } else {
        m_mainLink.ReleaseImage(image, frame);
    }
}

int CScenario::Describe(int32_t frame, FrameDescription& list) {
    return m_mainLink.DescribeFrame(frame, 0, list);
}

void CScenario::ResetScenes() {
    for (const auto& scene : m_scenes) scene->ResetCache();
}
