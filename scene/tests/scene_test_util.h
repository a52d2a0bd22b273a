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

// `scene` with FRAMES set to `frames`.
template <typename T>
T* framed(T* scene, int32_t frames) {
    scene->EditSettings().frames = frames;
    return scene;
}

// `scene` with its settings replaced by `settings`.
template <typename T, typename S>
T* with_settings(T* scene, const S& settings) {
    scene->EditSettings() = settings;
    return scene;
}

// Holds the scenes of one test, like the document does.
struct SceneGraph {
    FakeOwner owner;
    std::vector<std::unique_ptr<CScene>> scenes;

    void Screen(int32_t width, int32_t height) { owner.width = width, owner.height = height; }

    // Images scenes still hold of their inputs go back while every scene is there.
    ~SceneGraph() {
        for (auto& scene : scenes) scene->ResetCache();
    }

    template <typename T, typename... Args>
    T* Add(const std::string& name, Args&&... args) {
        auto scene = std::make_unique<T>(std::forward<Args>(args)...);
        T* raw = scene.get();
        raw->SetName(name);
        raw->Attach(&owner);
        scenes.push_back(std::move(scene));
        return raw;
    }

    // A scene of type T whose first input is `input`.
    template <typename T, typename... Args>
    T* Over(CScene* input, const std::string& name, Args&&... args) {
        T* scene = Add<T>(name, std::forward<Args>(args)...);
        Input(scene, input);
        return scene;
    }

    // A resolved input link from `from` to `to`.
    CSceneLink* Input(CScene* from, CScene* to, int32_t kind = 1) {
        CSceneLink& link = from->AddInput(to->Name(), kind);
        link.Resolve(&owner, to);
        to->AddReference();
        return &link;
    }

    // Gives an input link its rectangle.
    static CSceneLink* Place(CSceneLink* link, SceneRect rect) {
        link->EditSettings().hasRect = true;
        link->EditSettings().rect = rect;
        return link;
    }

    CSceneLink* Background(CScene* from, CScene* to) {
        from->SetBackground(to->Name());
        from->Background()->Resolve(&owner, to);
        return from->Background();
    }

    // What Link does before the totals: forget counts, then count every scene.
    void Count() {
        for (auto& scene : scenes) scene->ResetFrameCount();
        for (auto& scene : scenes) scene->CountFrames();
    }
};
