#pragma once
// Motion scenes: pictures turned into timed shots. STILL holds a composition of its
// inputs for FRAMES frames; ROTATE turns it about a centre; ACTION, ZOOM, SLIDE and
// FOCUS (one class) move a camera over an input picture.

#include "scene/scene.h"

class CSceneStill : public CScene {
public:
    CSceneStill() : CScene(SCENE_STILL) {}

    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int Dump(CDumpWriter& out) override;

protected:
    int32_t ComputeFrameCount() override { return std::max<int32_t>(m_frames, 0); }
};

class CSceneRotate : public CScene {
public:
    CSceneRotate() : CScene(SCENE_ROTATE) {}

    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int Dump(CDumpWriter& out) override;
    // Without CENTER the picture turns about the middle of the screen.
    void ApplyScreenDefaults(int32_t width, int32_t height) override;

    int32_t m_angleStart = 0;  // ANGLE, whole degrees
    int32_t m_angleEnd = 360;
    bool m_hasCenter = false;  // CENTER given
    int32_t m_centerX = 0;
    int32_t m_centerY = 0;

protected:
    int32_t ComputeFrameCount() override { return std::max<int32_t>(m_frames, 0); }
};

// ACTION, ZOOM, SLIDE and FOCUS; the type says which word opened the block.
class CSceneAction : public CScene {
public:
    explicit CSceneAction(uint32_t type);

    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int Validate(const SceneReport& report) override;
    int Dump(CDumpWriter& out) override;
    // The regions a variant does not move cover the whole screen.
    void ApplyScreenDefaults(int32_t width, int32_t height) override;

    bool m_keepAspect;  // KEEP_ASPECT: FOCUS keeps it by default
    int32_t m_afterimage = 0;
    bool m_hasSrcStart = false;
    SceneRect m_srcStart;
    bool m_hasSrcEnd = false;
    SceneRect m_srcEnd;
    SceneRect m_dstStart;
    SceneRect m_dstEnd;
    SceneRect m_dspStart;
    SceneRect m_dspEnd;

protected:
    int32_t ComputeFrameCount() override { return std::max<int32_t>(m_frames, 0); }
};
