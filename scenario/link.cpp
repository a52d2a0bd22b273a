// Link: names become pointers, the graph is checked, counts and totals computed.

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>
#include <unordered_set>

#include "base/cp932.h"
#include "base/format.h"
#include "scenario/scenario.h"

namespace {

int32_t clamp_to_int32(double value) {
    if (!(value > std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
    if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(value);
}

}  // namespace

int CScenario::LinkFail(const std::string& message) {
    ReportError(message);
    return -1;
}

int CScenario::Link() {
    if (m_header.screenWidth == -1 || m_header.screenHeight == -1) {
        return LinkFail("スクリーンサイズが定義されていません。");
    }
    if (!MainScene()) return LinkFail("MAINブロックが定義されていません。");
    if (m_musicLinkUsed && m_header.audioPath.empty()) {
        return LinkFail("音楽連動機能を利用するには、音楽ファイルを指定して下さい。");
    }
    // Later stages divide by these three.
    if (m_header.framerate == 0) return LinkFail("フレームレート値に 0 は指定できません。");
    if (m_header.scale == 0) return LinkFail("スケール値に 0 は指定できません。");
    if (m_header.previewScale == 0) {
        return LinkFail("プレビュー用フレームレート低減率に 0 は指定できません。");
    }

    // Owners and duplicate names: the first scene whose name appears again later.
    std::unordered_map<std::string_view, int> nameCount;
    std::unordered_map<std::string_view, CScene*> firstNamed;
    for (const auto& scene : m_scenes) {
        scene->Attach(this);
        ++nameCount[scene->Name()];
        firstNamed.emplace(scene->Name(), scene.get());
    }
    for (const auto& scene : m_scenes) {
        if (nameCount[scene->Name()] > 1) {
            return LinkFail(format_string("シーン %s は複数定義されています。",
                                          cp932_to_utf8(scene->Name()).c_str()));
        }
    }

    m_mainLink.Resolve(this, MainScene());
    auto resolve = [&](CSceneLink& link) -> CScene* {
        auto found = firstNamed.find(link.InputName());
        if (found == firstNamed.end()) {
            LinkFail(format_string("シーン %s は定義されていません。",
                                   cp932_to_utf8(link.InputName()).c_str()));
            return nullptr;
        }
        link.Resolve(this, found->second);
        return found->second;
    };
    for (const auto& scene : m_scenes) {
        for (const auto& input : scene->Inputs()) {
            CScene* target = resolve(*input);
            if (!target) return -1;
            target->AddReference();
        }
        if (scene->Background() && !resolve(*scene->Background())) return -1;
    }

    if (LinkLoops() != 0) return -1;

    for (const auto& scene : m_scenes) scene->ResetFrameCount();
    if (CountReachable() != 0) return -1;

    m_totalFrames = m_mainLink.GetFrameCount();
    if (m_totalFrames >= kEndlessFrames) return RefuseEndlessMain();
    if (m_totalFrames > m_frameLimit) {
        return LinkFail(format_string("MAIN ブロックのフレーム数 %d は上限 %d を超えています。",
                                      m_totalFrames, m_frameLimit));
    }

    // Validation reports; counting key frames and converting checkpoints cannot
    // fail, and they count over validated blocks, whose timelines are in order.
    SceneReport report = [this](const std::string& text) { ReportText(text); };
    for (const auto& scene : m_scenes) {
        // A block that reaches a loop has no length to check against.
        if (m_loopOf.count(scene.get())) continue;
        if (scene->Validate(report) != 0) return -1;
        if (!scene->FilePath().empty()) m_filesRead.Add(scene->FilePath());
    }
    m_keyFrames = 0;
    for (int32_t f = m_mainLink.NextKeyFrame(m_header.startFrame - 1); f < m_totalFrames;
         f = m_mainLink.NextKeyFrame(f)) {
        ++m_keyFrames;
    }
    ComputeCheckpoints();
    return 0;
}

// Depth-first along input and background links, from MAIN first and then from every
// scene MAIN does not reach. A scene met again while it is on the current path
// closes a loop; a chain of blocks deeper than kMaxBlockDepth is refused too, as
// frames and counts are asked down such chains one call inside the other. Scenes
// already searched to the end are not searched again: no loop passes through them,
// and their height is known.
int CScenario::LinkLoops() {
    struct Mark {
        bool onPath = true;
        size_t height = 0;  // blocks from this one down to its deepest input, itself included
    };
    std::unordered_map<CScene*, Mark> marks;
    struct Step {
        CScene* scene;
        std::vector<CSceneLink*> links;
        size_t next = 0;
        size_t height = 1;
    };
    auto tooDeep = [this](const CScene& scene) {
        return LinkFail(format_string("ブロックの入れ子が %zu 段を超えています。(シーン %s)",
                                      kMaxBlockDepth, cp932_to_utf8(scene.Name()).c_str()));
    };
    std::vector<CScene*> roots{MainScene()};
    for (const auto& scene : m_scenes) roots.push_back(scene.get());
    std::vector<Step> path;
    for (CScene* root : roots) {
        if (marks.count(root)) continue;
        marks[root] = Mark{};
        path.push_back({root, root->Links()});
        while (!path.empty()) {
            Step& step = path.back();
            if (step.next == step.links.size()) {
                marks[step.scene] = Mark{false, step.height};
                size_t height = step.height;
                path.pop_back();
                if (!path.empty()) path.back().height = std::max(path.back().height, height + 1);
                continue;
            }
            CScene* target = step.links[step.next++]->Target();
            if (!target) continue;
            auto mark = marks.find(target);
            if (mark != marks.end()) {
                if (mark->second.onPath) {
                    if (root == MainScene()) {
                        return LinkFail(format_string("シーン %s がループ呼び出しされています。",
                                                      cp932_to_utf8(target->Name()).c_str()));
                    }
                    // A loop MAIN never reaches is left alone: its blocks are never
                    // drawn. They are remembered, with the block that closes the loop.
                    for (auto it = path.rbegin(); it != path.rend(); ++it) {
                        m_loopOf.emplace(it->scene, target);
                        if (it->scene == target) break;
                    }
                    continue;
                }
                if (path.size() + mark->second.height > kMaxBlockDepth) return tooDeep(*target);
                step.height = std::max(step.height, mark->second.height + 1);
                continue;
            }
            if (path.size() >= kMaxBlockDepth) return tooDeep(*target);
            marks[target] = Mark{};
            path.push_back({target, target->Links()});
        }
    }
    // Every block from which a loop can be reached has no length either.
    std::unordered_map<const CScene*, std::vector<const CScene*>> users;
    for (const auto& scene : m_scenes) {
        for (CSceneLink* link : scene->Links()) {
            if (link->Target()) users[link->Target()].push_back(scene.get());
        }
    }
    std::vector<const CScene*> pending;
    for (const auto& entry : m_loopOf) pending.push_back(entry.first);
    while (!pending.empty()) {
        const CScene* scene = pending.back();
        pending.pop_back();
        CScene* loop = m_loopOf[scene];
        for (const CScene* user : users[scene]) {
            if (m_loopOf.emplace(user, loop).second) pending.push_back(user);
        }
    }
    return 0;
}

// Computes the frame count of every scene reachable from MAIN, inputs before the
// scenes that use them, so that no count is ever computed during rendering and no
// count asks more than one level down.
// Counts every scene MAIN reaches, inputs before the scenes that use them, so that no
// count recurses deep. On the way it weighs MAIN's graph unfolded into a tree: a
// block used by several others is asked for its frames once per use, so a chain of
// blocks that each use the next one twice doubles the work of every frame with
// every block. A graph that unfolds past kMaxUnfoldedBlocks is refused.
int CScenario::CountReachable() {
    std::unordered_map<CScene*, int64_t> unfolded;
    struct Step {
        CScene* scene;
        std::vector<CSceneLink*> links;
        size_t next = 0;
    };
    std::vector<Step> path;
    CScene* root = MainScene();
    unfolded.emplace(root, 0);
    path.push_back({root, root->Links()});
    while (!path.empty()) {
        Step& step = path.back();
        if (step.next == step.links.size()) {
            step.scene->CountFrames();
            int64_t size = 1;
            for (CSceneLink* link : step.links) {
                if (link->Target()) size += unfolded[link->Target()];
            }
            unfolded[step.scene] = std::min<int64_t>(size, kMaxUnfoldedBlocks + 1);
            path.pop_back();
            continue;
        }
        CScene* target = step.links[step.next++]->Target();
        if (!target || !unfolded.emplace(target, 0).second) continue;
        path.push_back({target, target->Links()});
    }
    if (unfolded[root] > kMaxUnfoldedBlocks) {
        return LinkFail(
            format_string("ブロックの参照が多すぎます。MAIN から展開すると %lld 個を超えます。",
                          static_cast<long long>(kMaxUnfoldedBlocks)));
    }
    return 0;
}

// MAIN lasts "endlessly" when a picture reaches it without a block that gives it a
// length; name the picture at the end of the endless chain.
int CScenario::RefuseEndlessMain() {
    // Follow the endless count down through the blocks whose length is made of
    // their inputs' lengths. Only a picture at the end of that chain has no length
    // of its own; anything else reached the limit by adding up or by its FRAMES.
    auto sums_inputs = [](const CScene& scene) {
        switch (scene.Type()) {
            case SCENE_SERIES:
            case SCENE_MAIN:
            case SCENE_MIX:
            case SCENE_CROSSFADE:
            case SCENE_FADE:
            case SCENE_EXPAND:
            case SCENE_MOSAIC:
            case SCENE_SHAKE:
            case SCENE_ALPHA:
            case SCENE_SHADE:
                return true;
            default:
                return false;
        }
    };
    CScene* scene = MainScene();
    for (size_t depth = 0; depth < kMaxBlockDepth && sums_inputs(*scene); ++depth) {
        CScene* endless = nullptr;
        for (const auto& input : scene->Inputs()) {
            if (input->Target() && input->Target()->GetFrameCount() >= kEndlessFrames) {
                endless = input->Target();
                break;
            }
        }
        if (!endless) break;
        scene = endless;
    }
    const uint32_t type = scene->Type();
    if (type != SCENE_IMAGE && type != SCENE_TEXT && type != SCENE_DRAW) {
        return LinkFail("MAIN ブロックのフレーム数が上限を超えています。");
    }
    return LinkFail(
        format_string("ブロック %s の長さが決まらないため、MAIN ブロックの長さを決められません。\n"
                      "STILL などの長さを持つブロックを通して使用して下さい。",
                      cp932_to_utf8(scene->Name()).c_str()));
}

void CScenario::ComputeCheckpoints() {
    for (CCheckpoint& entry : m_checkpoints) {
        if (entry.frame >= 0) {
            entry.time = clamp_to_int32(static_cast<double>(entry.frame) * 1000.0 * m_header.scale /
                                            m_header.framerate +
                                        0.5);
        } else {
            entry.frame = clamp_to_int32(static_cast<double>(entry.time) / 1000.0 *
                                             m_header.framerate / m_header.scale +
                                         0.5);
        }
    }
}
