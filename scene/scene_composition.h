#pragma once
// Composition scenes: SERIES (and the root block MAIN) plays its inputs one after
// another; MIX lays inputs over a background, each from its own frame on; CUT plays
// a stretch of one input; ALPHA fades its transparency; SHADE blurs it.

#include "scene/scene.h"

// Compose modes of MIX.
inline constexpr int32_t MIX_COMPOSE_ALPHA = 256;
inline constexpr int32_t MIX_COMPOSE_OR = 512;

// SERIES and MAIN (type SCENE_MAIN, name " ").
class CSceneSeries : public CScene {
public:
    explicit CSceneSeries(uint32_t type = SCENE_SERIES) : CScene(type) {
        if (type == SCENE_MAIN) m_name.assign(1, ' ');
    }

    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int Dump(CDumpWriter& out) override;

    // The input playing `frame` and its own frame there; none outside the series
    // (inputs of 0 frames never play).
    CSceneLink* FindActive(int32_t frame, int32_t* inputFrame);

protected:
    int32_t ComputeFrameCount() override;
};

class CSceneMix : public CScene {
public:
    CSceneMix() : CScene(SCENE_MIX) {}

    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int Dump(CDumpWriter& out) override;

    int32_t m_composeMode = MIX_COMPOSE_ALPHA;
    // BGCOLOR is m_bgcolor, BGIMAGE the extra link; each input carries its
    // rectangle and OFFSET.

protected:
    int32_t ComputeFrameCount() override;
};

class CSceneCut : public CScene {
public:
    CSceneCut() : CScene(SCENE_CUT) {}

    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int Validate(const SceneReport& report) override;
    int Dump(CDumpWriter& out) override;

    // The input frame shown at CUT frame `frame`. SKIP 0 plays as SKIP 1.
    int32_t MapFrame(int32_t frame) const;

    int32_t m_start = 0;
    int32_t m_end = -1;  // -1: not given
    int32_t m_skip = 1;

protected:
    int32_t ComputeFrameCount() override;
};

class CSceneAlpha : public CScene {
public:
    CSceneAlpha() : CScene(SCENE_ALPHA) {}

    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int Dump(CDumpWriter& out) override;

    int32_t m_start = 255;  // alpha 0..255; 255 leaves the input unchanged
    int32_t m_end = 255;

protected:
    int32_t ComputeFrameCount() override { return FirstInputFrames(); }
};

class CSceneShade : public CScene {
public:
    CSceneShade() : CScene(SCENE_SHADE) {}

    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int Dump(CDumpWriter& out) override;

    int32_t m_start = 0;  // blur passes
    int32_t m_end = 0;

protected:
    int32_t ComputeFrameCount() override { return FirstInputFrames(); }
};
