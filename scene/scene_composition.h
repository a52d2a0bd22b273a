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
        if (type == SCENE_MAIN) SetName(" ");
    }

    // The active input's image itself; for an input that follows the music, the
    // image faded by the music level at this frame (a copy without a context). None
    // outside the series.
    CImageBuffer* GetImage(int32_t frame, int32_t mode, int32_t* runLength,
                           RenderContext* context) override;
    void ReleaseImage(CImageBuffer* image, int32_t frame) override;
    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int32_t NextKeyFrame(int32_t after) override;
    int32_t PrevKeyFrame(int32_t before) override;
    int Dump(CDumpWriter& out) override;

    // The input playing `frame` and its own frame there; none outside the series
    // (inputs of 0 frames never play). A binary search over the starts.
    CSceneLink* FindActive(int32_t frame, int32_t* inputFrame);

protected:
    int32_t ComputeFrameCount() override;

private:
    // The index of the input playing `frame`, or the input count.
    size_t ActiveIndex(int64_t frame);

    // Where each input starts, one more entry for the end; made with the frame count
    // at link time, read only afterwards.
    std::vector<int64_t> m_starts;
};

struct MixSettings {
    int32_t composeMode = MIX_COMPOSE_ALPHA;  // OR: MIX_COMPOSE_OR
    CColor bgcolor;
    // Each input carries its rectangle and OFFSET; BGIMAGE is the background link.
};

class CSceneMix : public CSceneWith<MixSettings> {
public:
    CSceneMix() : CSceneWith(SCENE_MIX) {}

    // The background canvas (BGCOLOR, BGIMAGE fitted to the screen) is made once,
    // under the lock, and copied for every frame; the inputs that play at the frame
    // are drawn over it outside the lock. None outside the MIX.
    CImageBuffer* GetImage(int32_t frame, int32_t mode, int32_t* runLength,
                           RenderContext* context) override;
    void ReleaseImage(CImageBuffer* image, int32_t frame) override;
    void ResetCache() override;
    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int32_t NextKeyFrame(int32_t after) override;
    int32_t PrevKeyFrame(int32_t before) override;
    int Dump(CDumpWriter& out) override;

protected:
    int32_t ComputeFrameCount() override;

private:
    // Guarded by the scene's lock: the canvas and the frames handed out and not yet
    // given back.
    ImagePtr m_canvas;
    CacheUsers m_users;
};

struct CutSettings {
    int32_t start = 0;
    int32_t end = -1;  // -1: not given
    int32_t skip = 1;
};

class CSceneCut : public CSceneWith<CutSettings> {
public:
    CSceneCut() : CSceneWith(SCENE_CUT) {}

    // The input's image of the mapped frame itself; none outside the CUT.
    CImageBuffer* GetImage(int32_t frame, int32_t mode, int32_t* runLength,
                           RenderContext* context) override;
    void ReleaseImage(CImageBuffer* image, int32_t frame) override;
    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int32_t NextKeyFrame(int32_t after) override;
    int32_t PrevKeyFrame(int32_t before) override;
    int Validate(const SceneReport& report) override;
    int Dump(CDumpWriter& out) override;

    // The input frame shown at CUT frame `frame`. SKIP 0 plays as SKIP 1.
    int32_t MapFrame(int32_t frame) const;

protected:
    int32_t ComputeFrameCount() override;
};

// START and END of ALPHA (alpha 0..255; 255 leaves the input unchanged) and of
// SHADE (blur passes).
struct RangeSettings {
    int32_t start = 0;
    int32_t end = 0;
};

// The START..END ramp at `frame` of `count` frames, in double precision: START at
// frame 0, END at the last frame. A block of one frame stays at START.
inline double range_at_frame(const RangeSettings& range, int32_t count, int32_t frame) {
    if (count == 1) return range.start;
    return static_cast<double>(int64_t{range.end} - range.start) /
               (static_cast<double>(count) - 1) * frame +
           range.start;
}

// The body of an ALPHA or SHADE block: its input, START, END and the closing brace.
inline void dump_range_block(CDumpWriter& out, const char* input, const RangeSettings& range) {
    out.WriteLine("\tINPUT\t\t\"%s\"", input);
    out.WriteLine("\tSTART\t\t%d", range.start);
    out.WriteLine("\tEND\t\t%d", range.end);
    out.WriteText("}");
}

class CSceneAlpha : public CSceneWith<RangeSettings> {
public:
    CSceneAlpha() : CSceneWith(SCENE_ALPHA) { EditSettings() = RangeSettings{255, 255}; }

    // A copy of the input's frame with every alpha scaled from START / 255 at the
    // first frame to END / 255 at the last.
    CImageBuffer* GetImage(int32_t frame, int32_t mode, int32_t* runLength,
                           RenderContext* context) override;
    void ReleaseImage(CImageBuffer* image, int32_t frame) override;
    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int Dump(CDumpWriter& out) override;

protected:
    KeyFrames KeyFramePattern() const override { return KeyFrames::FirstLastAndMiddle; }
    int32_t ComputeFrameCount() override { return FirstInputFrames(); }
};

class CSceneShade : public CSceneWith<RangeSettings> {
public:
    CSceneShade() : CSceneWith(SCENE_SHADE) {}

    // The input's frame blurred from START passes at the first frame to END passes
    // at the last.
    CImageBuffer* GetImage(int32_t frame, int32_t mode, int32_t* runLength,
                           RenderContext* context) override;
    void ReleaseImage(CImageBuffer* image, int32_t frame) override;
    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int Dump(CDumpWriter& out) override;

protected:
    KeyFrames KeyFramePattern() const override { return KeyFrames::FirstLastAndMiddle; }
    int32_t ComputeFrameCount() override { return FirstInputFrames(); }
};
