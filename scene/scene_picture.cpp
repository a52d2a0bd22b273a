// What IMAGE, TEXT and DRAW share: the cached picture and its copies, and every
// frame being a key frame.

#include <algorithm>

#include "scene/scene_source.h"

template <typename S>
CImageBuffer* CScenePicture<S>::GetImage(int32_t, int32_t mode, int32_t*, RenderContext* context) {
    // The whole call holds the lock: a second worker waits and copies the picture the
    // first one made instead of making it again.
    std::lock_guard<std::mutex> hold(this->Lock());
    if (!m_cache) m_cache = MakePicture(mode, context);
    return m_cache ? duplicate_image(m_cache.get()) : nullptr;
}

template <typename S>
void CScenePicture<S>::ReleaseImage(CImageBuffer* image, int32_t) {
    delete_image(image);
    std::lock_guard<std::mutex> hold(this->Lock());
    m_cache.reset();
}

template <typename S>
void CScenePicture<S>::ResetCache() {
    std::lock_guard<std::mutex> hold(this->Lock());
    m_cache.reset();
}

template <typename S>
int CScenePicture<S>::TestFrame(int, int32_t) {
    return 1;
}

template <typename S>
int32_t CScenePicture<S>::NextKeyFrame(int32_t after) {
    return static_cast<int32_t>(std::clamp<int64_t>(int64_t{after} + 1, 0, this->GetFrameCount()));
}

template <typename S>
int32_t CScenePicture<S>::PrevKeyFrame(int32_t before) {
    const int32_t count = this->GetFrameCount();
    return static_cast<int32_t>(std::clamp<int64_t>(std::min(before, count), 0, count) - 1);
}

template class CScenePicture<ImageSettings>;
template class CScenePicture<TextSettings>;
template class CScenePicture<DrawSettings>;
