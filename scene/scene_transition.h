#pragma once
// Transition scenes: how an input (or a row of inputs) enters, leaves or is shown.
// FADE fades from or to a colour, CROSSFADE chains inputs with overlapping
// dissolves, FILM runs pictures past the screen on a film strip, EXPAND stretches an
// edge line across the input, MOSAIC pixelates a moving rectangle, SHAKE jitters.

#include "scene/scene.h"

// Directions of FILM and EXPAND.
inline constexpr int32_t DIRECTION_UP = 1;
inline constexpr int32_t DIRECTION_DOWN = 2;
inline constexpr int32_t DIRECTION_LEFT = 4;
inline constexpr int32_t DIRECTION_RIGHT = 8;

// Fade modes (0: not given).
inline constexpr int32_t FADE_IN = 1;
inline constexpr int32_t FADE_OUT = 2;
inline constexpr int32_t FADE_INOUT = 3;

// EXPAND modes (0: not given).
inline constexpr int32_t EXPAND_IN = 1;
inline constexpr int32_t EXPAND_OUT = 2;

class CSceneFade : public CScene {
public:
    CSceneFade() : CScene(SCENE_FADE) {}

    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int Validate(const SceneReport& report) override;
    int Dump(CDumpWriter& out) override;

    int32_t m_fadeMode = 0;
    // The fade colour (COLOR) is m_bgcolor; FRAMES is the length of one fade.

protected:
    int32_t ComputeFrameCount() override { return FirstInputFrames(); }
};

class CSceneCrossfade : public CScene {
public:
    CSceneCrossfade() : CScene(SCENE_CROSSFADE) {}

    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int Validate(const SceneReport& report) override;
    int Dump(CDumpWriter& out) override;

    // The input showing `frame` (the first whose range holds it): its index, or -1
    // when none does; `start` receives its first frame.
    int FindActive(int32_t frame, int64_t* start);
    // The first frame of input `index` on the timeline (saturating).
    int64_t InputStart(size_t index);

protected:
    int32_t ComputeFrameCount() override;
};

class CSceneFilm : public CScene {
public:
    CSceneFilm();

    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    // Computes the travel of the strip; always 0.
    int Validate(const SceneReport& report) override;
    int Dump(CDumpWriter& out) override;

    int32_t m_direction = 0;
    int32_t m_pictureCount = 0;  // number of INPUT lines
    int32_t m_travel = 0;        // L in pixels, computed by Validate
    std::vector<ImagePtr> m_pictures;
    // COLOR (the strip) is m_color, BGCOLOR the screen colour, FRAMES the length.

protected:
    int32_t ComputeFrameCount() override { return std::max<int32_t>(m_frames, 0); }
};

class CSceneExpand : public CScene {
public:
    CSceneExpand() : CScene(SCENE_EXPAND) {}

    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int Validate(const SceneReport& report) override;
    int Dump(CDumpWriter& out) override;

    int32_t m_direction = 0;
    int32_t m_inOut = 0;

protected:
    int32_t ComputeFrameCount() override { return FirstInputFrames(); }
};

class CSceneMosaic : public CScene {
public:
    CSceneMosaic() : CScene(SCENE_MOSAIC) {}

    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int Dump(CDumpWriter& out) override;
    // A target rectangle that was not given covers the whole screen.
    void ApplyScreenDefaults(int32_t width, int32_t height) override;

    int32_t m_sizeStart = 0;
    int32_t m_sizeEnd = 0;
    bool m_hasTgtStart = false;
    SceneRect m_tgtStart;
    bool m_hasTgtEnd = false;
    SceneRect m_tgtEnd;

protected:
    int32_t ComputeFrameCount() override { return FirstInputFrames(); }
};

class CSceneShake : public CScene {
public:
    CSceneShake() : CScene(SCENE_SHAKE) {}

    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int Dump(CDumpWriter& out) override;

protected:
    int32_t ComputeFrameCount() override { return FirstInputFrames(); }
};
