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

    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int32_t NextKeyFrame(int32_t after) override;
    int32_t PrevKeyFrame(int32_t before) override;
    int Dump(CDumpWriter& out) override;

protected:
    int32_t ComputeFrameCount() override;
};

struct CutSettings {
    int32_t start = 0;
    int32_t end = -1;  // -1: not given
    int32_t skip = 1;
};

class CSceneCut : public CSceneWith<CutSettings> {
public:
    CSceneCut() : CSceneWith(SCENE_CUT) {}

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

    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int Dump(CDumpWriter& out) override;

protected:
    KeyFrames KeyFramePattern() const override { return KeyFrames::FirstLastAndMiddle; }
    int32_t ComputeFrameCount() override { return FirstInputFrames(); }
};
