// What IMAGE, TEXT and DRAW share: the cached picture and its copies, and every
// frame being a key frame.

#include <algorithm>

#include "scene/scene_source.h"

template <typename S>
CImageBuffer* CScenePicture<S>::GetImage(int32_t, int32_t mode, int32_t*, RenderContext* context) {
    // The whole call holds the lock: a second worker waits and shares the picture the
    // first one made instead of making it again. Callers only read the images they
    // are given, so the picture itself is handed out, counted until it is back.
    std::lock_guard<std::mutex> hold(this->Lock());
    if (!m_cache) m_cache = MakePicture(mode, context);
    if (!m_cache) return nullptr;
    ++m_users;
    return m_cache.get();
}

// The picture goes when the last caller gives it back; the next frame makes it anew.
template <typename S>
void CScenePicture<S>::ReleaseImage(CImageBuffer* image, int32_t) {
    std::lock_guard<std::mutex> hold(this->Lock());
    if (!image || image != m_cache.get()) return;
    if (m_users > 0) --m_users;
    if (m_users == 0) m_cache.reset();
}

// A picture still handed out stays until it is given back.
template <typename S>
void CScenePicture<S>::ResetCache() {
    std::lock_guard<std::mutex> hold(this->Lock());
    if (m_users == 0) m_cache.reset();
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
