#pragma once
// Motion scenes: pictures turned into timed shots. STILL holds a composition of its
// inputs for FRAMES frames; ROTATE turns it about a centre; ACTION, ZOOM, SLIDE and
// FOCUS (one class) move a camera over an input picture.

#include <array>
#include <string_view>

#include "scene/scene.h"

struct StillSettings {
    int32_t frames = 0;
    CColor bgcolor;
};

class CSceneStill : public CSceneWith<StillSettings> {
public:
    CSceneStill() : CSceneWith(SCENE_STILL) {}

    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int32_t NextKeyFrame(int32_t after) override;
    int32_t PrevKeyFrame(int32_t before) override;
    int Dump(CDumpWriter& out) override;

protected:
    int32_t ComputeFrameCount() override { return std::max<int32_t>(Settings().frames, 0); }
};

struct RotateSettings {
    int32_t angleStart = 0;  // ANGLE, whole degrees
    int32_t angleEnd = 360;
    bool hasCenter = false;  // CENTER given
    int32_t centerX = 0;
    int32_t centerY = 0;
    int32_t frames = 0;
    CColor bgcolor;
};

class CSceneRotate : public CSceneWith<RotateSettings> {
public:
    CSceneRotate() : CSceneWith(SCENE_ROTATE) {}

    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int32_t NextKeyFrame(int32_t after) override;
    int32_t PrevKeyFrame(int32_t before) override;
    int Dump(CDumpWriter& out) override;

    // The centre as written; without CENTER the middle of the screen.
    int32_t CenterX() const {
        return Settings().hasCenter ? Settings().centerX : ScreenWidth() / 2;
    }
    int32_t CenterY() const {
        return Settings().hasCenter ? Settings().centerY : ScreenHeight() / 2;
    }

protected:
    int32_t ComputeFrameCount() override { return std::max<int32_t>(Settings().frames, 0); }
};

// The six regions of the camera moves, in the order the dump writes them.
enum ActionRegion : size_t {
    REGION_SRC_START,
    REGION_SRC_END,
    REGION_DST_START,
    REGION_DST_END,
    REGION_DSP_START,
    REGION_DSP_END,
    kActionRegionCount
};

// A region statement: its word, the label of its values, the head of its dump
// line, and the variant besides ACTION that takes it.
struct ActionRegionWord {
    std::string_view word;
    const char* label;
    const char* dumpHead;
    uint32_t variant;
};

inline constexpr ActionRegionWord kActionRegionWords[kActionRegionCount] = {
    {"SRC_START", "転送元開始座標", "\tSRC_START\t", SCENE_ZOOM},
    {"SRC_END", "転送元終了座標", "\tSRC_END\t\t", SCENE_ZOOM},
    {"DST_START", "転送先開始座標", "\tDST_START\t", SCENE_SLIDE},
    {"DST_END", "転送先終了座標", "\tDST_END\t\t", SCENE_SLIDE},
    {"DSP_START", "表示開始座標", "\tDSP_START\t", SCENE_FOCUS},
    {"DSP_END", "表示終了座標", "\tDSP_END\t\t", SCENE_FOCUS},
};

// Whether the block opened by `type` takes region `region`.
inline bool action_takes_region(uint32_t type, size_t region) {
    return type == SCENE_ACTION || type == kActionRegionWords[region].variant;
}

struct ActionSettings {
    bool keepAspect = false;  // KEEP_ASPECT: FOCUS keeps it by default
    int32_t afterimage = 0;
    std::array<SceneRect, kActionRegionCount> regions{};
    std::array<bool, kActionRegionCount> given{};
    int32_t frames = 0;
    CColor bgcolor;
};

// ACTION, ZOOM, SLIDE and FOCUS; the type says which word opened the block.
class CSceneAction : public CSceneWith<ActionSettings> {
public:
    explicit CSceneAction(uint32_t type);

    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int32_t NextKeyFrame(int32_t after) override;
    int32_t PrevKeyFrame(int32_t before) override;
    int Validate(const SceneReport& report) override;
    int Dump(CDumpWriter& out) override;

    // A region as it takes effect: the destination and display regions a variant
    // does not move cover the whole screen; every other one is as written.
    SceneRect Region(size_t region) const;

protected:
    int32_t ComputeFrameCount() override { return std::max<int32_t>(Settings().frames, 0); }
};
