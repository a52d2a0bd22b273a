#pragma once
// Building scene graphs by hand, the way Link leaves them.

#include <memory>
#include <string>
#include <vector>

#include "scene/scene.h"

struct FakeOwner : SceneOwner {
    int32_t width = 640;
    int32_t height = 480;
    int32_t GetScreenWidth() const override { return width; }
    int32_t GetScreenHeight() const override { return height; }
};

// Holds the scenes of one test, like the document does.
struct SceneGraph {
    FakeOwner owner;
    std::vector<std::unique_ptr<CScene>> scenes;

    template <typename T, typename... Args>
    T* Add(const std::string& name, Args&&... args) {
        auto scene = std::make_unique<T>(std::forward<Args>(args)...);
        T* raw = scene.get();
        raw->m_name = name;
        raw->m_owner = &owner;
        scenes.push_back(std::move(scene));
        return raw;
    }

    // A resolved input link from `from` to `to`.
    CSceneLink* Input(CScene* from, CScene* to, int32_t kind = 1) {
        auto link = std::make_unique<CSceneLink>(to->m_name, kind);
        link->m_target = to;
        link->m_owner = &owner;
        link->m_rect = SceneRect{0, 0, owner.width - 1, owner.height - 1};
        to->m_refcount++;
        from->m_inputs.push_back(std::move(link));
        return from->m_inputs.back().get();
    }

    CSceneLink* Background(CScene* from, CScene* to) {
        from->m_extraLink = std::make_unique<CSceneLink>(to->m_name);
        from->m_extraLink->m_target = to;
        from->m_extraLink->m_owner = &owner;
        return from->m_extraLink.get();
    }

    // What Link does before the totals: forget counts, then count every scene.
    void Count() {
        for (auto& scene : scenes) scene->ResetFrameCount();
        for (auto& scene : scenes) scene->CountFrames();
    }
};
