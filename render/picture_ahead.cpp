#include "render/picture_ahead.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <string_view>
#include <system_error>
#include <utility>

#include "scenario/scenario.h"
#include "scene/scene.h"

namespace {

// Below the workers, but not the lowest priority. Workers that wait for the next
// batch help with the frame still being made, so a core is seldom idle; at the
// lowest priority (19) the thread got almost no time beside two busy workers, and
// a two-thread zoom spent 0.15 to 0.25 s with every worker waiting for a picture it
// had not finished. At 5 it gets about a quarter of a core beside them, finishes a
// picture well before its shot, and those waits took 0.04 to 0.06 s. (The idle
// scheduling class measured slower still.)
void lower_priority() {
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 5);
}

}  // namespace

PictureAhead::~PictureAhead() {
    Stop();
}

bool PictureAhead::Start(CScenario* scenario) {
    Stop();
    m_scenario = scenario;
    m_stop = false;
    m_wanted = -1;
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void PictureAhead::Ask(int32_t ahead, int32_t now, int32_t done) {
    std::vector<Held> passed;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (!m_thread.joinable()) return;
        const auto kept = std::stable_partition(m_held.begin(), m_held.end(),
                                                [done](const Held& h) { return h.frame > done; });
        passed.assign(kept, m_held.end());
        m_held.erase(kept, m_held.end());
        m_wanted = ahead;
        m_now = now;
    }
    m_wake.notify_one();
    GiveBack(passed);
}

void PictureAhead::Stop() {
    if (m_thread.joinable()) {
        {
            std::lock_guard<std::mutex> hold(m_lock);
            m_stop = true;
        }
        m_wake.notify_one();
        m_thread.join();
    }
    // No thread is left to add to the list.
    GiveBack(m_held);
    m_held.clear();
}

void PictureAhead::Run() {
    lower_priority();
    for (;;) {
        int32_t frame = -1;
        int32_t now = -1;
        {
            std::unique_lock<std::mutex> hold(m_lock);
            m_wake.wait(hold, [this] { return m_stop || m_wanted >= 0; });
            if (m_stop) return;
            frame = std::exchange(m_wanted, -1);
            now = m_now;
        }
        TakePictures(frame, now);
    }
}

namespace {

// The scenes of the picture files frame shows (a picture of a block's frame is made
// when it is asked, and is left out).
std::vector<CScene*> picture_files_at(CScenario& scenario, int32_t frame) {
    FrameDescription rows;
    scenario.Describe(frame, rows);
    const std::string_view image = scene_type_name(SCENE_IMAGE);
    std::vector<CScene*> scenes;
    for (size_t i = 0; i + kDescriptionColumns <= rows.size(); i += kDescriptionColumns) {
        if (rows[i + 2] != image || rows[i + 4] == "(null)") continue;
        CScene* scene = scenario.FindScene(rows[i + 1]);
        if (scene && scene->Type() == SCENE_IMAGE) scenes.push_back(scene);
    }
    return scenes;
}

}  // namespace

void PictureAhead::TakePictures(int32_t frame, int32_t now) {
    // What the frame being made shows, its scenes have taken already, and may keep in
    // a form of their own (a still's composition) that a picture taken again would
    // only duplicate.
    const std::vector<CScene*> shown = picture_files_at(*m_scenario, now);
    for (CScene* scene : picture_files_at(*m_scenario, frame)) {
        if (std::find(shown.begin(), shown.end(), scene) != shown.end()) continue;
        {
            std::lock_guard<std::mutex> hold(m_lock);
            if (m_stop || m_held.size() >= kMostHeld) return;
            if (std::any_of(m_held.begin(), m_held.end(),
                            [scene](const Held& h) { return h.scene == scene; }))
                continue;
        }
        // Made under the scene's lock, as a worker would make it, and shared with the
        // frames that ask for it while it is held.
        CImageBuffer* picture = scene->GetImage(frame, m_scenario->RenderMode(), nullptr, nullptr);
        if (!picture) continue;
        std::lock_guard<std::mutex> hold(m_lock);
        m_held.push_back({scene, picture, frame});
    }
}

void PictureAhead::GiveBack(std::vector<Held>& pictures) {
    for (const Held& h : pictures) h.scene->ReleaseImage(h.image, h.frame);
}
