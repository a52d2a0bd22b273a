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

// start + (end - start) x frame / (frames - 1), truncated toward zero: where a value
// that moves from start (frame 0) to end (the last frame) stands at `frame`. The frame
// is taken into 0 ... frames - 1; a block of one frame stays at start. Exact for any
// 64-bit start and end whose difference fits 63 bits, without a wider product.
inline int64_t transition_between(int64_t start, int64_t end, int64_t frame, int64_t frames) {
    if (frames <= 1) return start;
    const int64_t d = frames - 1;
    const int64_t f = std::clamp<int64_t>(frame, 0, d);
    const int64_t span = end - start;
    // span = whole x d + rest, so span x f / d = whole x f + rest x f / d, both parts
    // truncating the same way.
    return start + span / d * f + span % d * f / d;
}

// Fade modes (0: not given).
inline constexpr int32_t FADE_IN = 1;
inline constexpr int32_t FADE_OUT = 2;
inline constexpr int32_t FADE_INOUT = 3;

// EXPAND modes (0: not given).
inline constexpr int32_t EXPAND_IN = 1;
inline constexpr int32_t EXPAND_OUT = 2;

struct FadeSettings {
    int32_t fadeMode = 0;  // FADE_*; 0 when not given
    CColor color;          // COLOR, faded from or to
    int32_t frames = 0;    // the length of one fade
};

class CSceneFade : public CSceneWith<FadeSettings> {
public:
    CSceneFade() : CSceneWith(SCENE_FADE) {}

    CImageBuffer* GetImage(int32_t frame, int32_t mode, int32_t* runLength,
                           RenderContext* context) override;
    void ReleaseImage(CImageBuffer* image, int32_t frame) override;
    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int32_t NextKeyFrame(int32_t after) override;
    int32_t PrevKeyFrame(int32_t before) override;
    int Validate(const SceneReport& report) override;
    int Dump(CDumpWriter& out) override;

protected:
    int32_t ComputeFrameCount() override { return FirstInputFrames(); }
};

struct CrossfadeSettings {
    int32_t frames = 0;  // the length of each overlap
};

class CSceneCrossfade : public CSceneWith<CrossfadeSettings> {
public:
    CSceneCrossfade() : CSceneWith(SCENE_CROSSFADE) {}

    CImageBuffer* GetImage(int32_t frame, int32_t mode, int32_t* runLength,
                           RenderContext* context) override;
    void ReleaseImage(CImageBuffer* image, int32_t frame) override;
    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int32_t NextKeyFrame(int32_t after) override;
    int32_t PrevKeyFrame(int32_t before) override;
    int Validate(const SceneReport& report) override;
    int Dump(CDumpWriter& out) override;

    // The input showing `frame` (the first whose range holds it): its index, or -1
    // when none does; `start` receives its first frame.
    int FindActive(int32_t frame, int64_t* start);

protected:
    int32_t ComputeFrameCount() override;

private:
    // The frames of input `a` (inclusive) where it is the active input, on a
    // timeline whose starts never fall.
    void ActiveRange(size_t a, int64_t* lo, int64_t* hi);

    // Where each input starts on the timeline, one more entry for the end; made
    // with the frame count at link time, read only afterwards. Inputs shorter than
    // the overlap make starts fall: such a timeline is searched from the start.
    std::vector<int64_t> m_starts;
    bool m_monotone = true;
};

struct FilmSettings {
    int32_t direction = 0;    // DIRECTION_*
    CColor color{80, 24, 0};  // COLOR, the strip
    CColor bgcolor;           // BGCOLOR, the screen
    int32_t frames = 0;
};

class CSceneFilm : public CSceneWith<FilmSettings> {
public:
    CSceneFilm() : CSceneWith(SCENE_FILM) {}

    CImageBuffer* GetImage(int32_t frame, int32_t mode, int32_t* runLength,
                           RenderContext* context) override;
    void ReleaseImage(CImageBuffer* image, int32_t frame) override;
    void ResetCache() override;
    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int32_t NextKeyFrame(int32_t after) override;
    int32_t PrevKeyFrame(int32_t before) override;
    // Computes the travel of the strip; always 0.
    int Validate(const SceneReport& report) override;
    int Dump(CDumpWriter& out) override;

    // How far the strip moves over the whole block, in pixels (from Validate).
    int32_t Travel() const { return m_travel; }

protected:
    int32_t ComputeFrameCount() override { return std::max<int32_t>(Settings().frames, 0); }

private:
    int32_t m_travel = 0;
    // The pictures of the endless inputs, fitted once and kept (the others are
    // fitted for every frame by the caller that needs them), and the number of
    // frames handed out and not yet given back; both guarded by the scene's lock.
    // The array lives until ResetCache, or until the last frame comes back while no
    // other frame is out.
    std::unique_ptr<ImagePtr[]> m_pictures;
    CacheUsers m_users;
};

struct ExpandSettings {
    int32_t direction = 0;  // DIRECTION_*
    int32_t inOut = 0;      // EXPAND_*; 0 when not given
};

class CSceneExpand : public CSceneWith<ExpandSettings> {
public:
    CSceneExpand() : CSceneWith(SCENE_EXPAND) {}

    CImageBuffer* GetImage(int32_t frame, int32_t mode, int32_t* runLength,
                           RenderContext* context) override;
    void ReleaseImage(CImageBuffer* image, int32_t frame) override;
    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int Validate(const SceneReport& report) override;
    int Dump(CDumpWriter& out) override;

protected:
    KeyFrames KeyFramePattern() const override { return KeyFrames::FirstLastAndMiddle; }
    int32_t ComputeFrameCount() override { return FirstInputFrames(); }
};

struct MosaicSettings {
    int32_t sizeStart = 0;  // cell sizes in pixels
    int32_t sizeEnd = 0;
    bool hasTgtStart = false;
    SceneRect tgtStart;
    bool hasTgtEnd = false;
    SceneRect tgtEnd;
};

class CSceneMosaic : public CSceneWith<MosaicSettings> {
public:
    CSceneMosaic() : CSceneWith(SCENE_MOSAIC) {}

    CImageBuffer* GetImage(int32_t frame, int32_t mode, int32_t* runLength,
                           RenderContext* context) override;
    void ReleaseImage(CImageBuffer* image, int32_t frame) override;
    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int Dump(CDumpWriter& out) override;

    // The target rectangles as written; one not given covers the whole screen.
    SceneRect TargetStart() const {
        return Settings().hasTgtStart ? Settings().tgtStart : Screen();
    }
    SceneRect TargetEnd() const { return Settings().hasTgtEnd ? Settings().tgtEnd : Screen(); }

protected:
    KeyFrames KeyFramePattern() const override { return KeyFrames::FirstLastAndMiddle; }
    int32_t ComputeFrameCount() override { return FirstInputFrames(); }
};

class CSceneShake : public CScene {
public:
    CSceneShake() : CScene(SCENE_SHAKE) {}

    CImageBuffer* GetImage(int32_t frame, int32_t mode, int32_t* runLength,
                           RenderContext* context) override;
    void ReleaseImage(CImageBuffer* image, int32_t frame) override;
    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int Dump(CDumpWriter& out) override;

protected:
    KeyFrames KeyFramePattern() const override { return KeyFrames::FirstAndLast; }
    int32_t ComputeFrameCount() override { return FirstInputFrames(); }
};
