#pragma once
// Motion scenes: pictures turned into timed shots. STILL holds a composition of its
// inputs for FRAMES frames; ROTATE turns it about a centre; ACTION, ZOOM, SLIDE and
// FOCUS (one class) move a camera over an input picture.

#include <array>
#include <memory>
#include <string_view>

#include "scene/scene.h"

struct RegionPair;

// A cached picture that callers may keep reading outside the scene's lock after the
// scene has let go of it.
using SharedMotionImage = std::shared_ptr<const CImageBuffer>;

struct StillSettings {
    int32_t frames = 0;
    CColor bgcolor;
};

class CSceneStill : public CSceneWith<StillSettings> {
public:
    CSceneStill() : CSceneWith(SCENE_STILL) {}

    // The inputs composed over BGCOLOR (alpha 0), each fitted into its rectangle,
    // the first one twice. The composition of endless inputs is the same for every
    // frame: it is made once and copied, and the run length promises the frames
    // that follow. Everything happens under the scene's lock.
    CImageBuffer* GetImage(int32_t frame, int32_t mode, int32_t* runLength,
                           RenderContext* context) override;
    // Deletes the image; the release of the last frame with no image out drops the
    // composition.
    void ReleaseImage(CImageBuffer* image, int32_t frame) override;
    void ResetCache() override;
    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int32_t NextKeyFrame(int32_t after) override;
    int32_t PrevKeyFrame(int32_t before) override;
    int Dump(CDumpWriter& out) override;

protected:
    int32_t ComputeFrameCount() override { return std::max<int32_t>(Settings().frames, 0); }

private:
    // Guarded by the scene's lock.
    ImagePtr m_cache;    // the composition of endless inputs
    CacheUsers m_users;  // images handed out and not given back yet
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

    // The composition of the inputs turned from the first ANGLE to the second
    // about CENTER, over BGCOLOR (alpha 0) and the BGIMAGE. The composition and the
    // background are made under the lock and kept while what feeds them is endless;
    // the turn and the drawing happen outside it. Every frame differs (run length 0).
    CImageBuffer* GetImage(int32_t frame, int32_t mode, int32_t* runLength,
                           RenderContext* context) override;
    void ReleaseImage(CImageBuffer* image, int32_t frame) override;
    void ResetCache() override;
    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int Dump(CDumpWriter& out) override;

    // The centre as written; without CENTER the middle of the screen.
    int32_t CenterX() const {
        return Settings().hasCenter ? Settings().centerX : ScreenWidth() / 2;
    }
    int32_t CenterY() const {
        return Settings().hasCenter ? Settings().centerY : ScreenHeight() / 2;
    }

protected:
    KeyFrames KeyFramePattern() const override { return KeyFrames::FirstLastAndMiddle; }
    int32_t ComputeFrameCount() override { return std::max<int32_t>(Settings().frames, 0); }

private:
    // The angle of `frame` in degrees, reduced to -359 ... 359 with its sign.
    int32_t TurnAt(int32_t frame) const;

    // Guarded by the scene's lock.
    SharedMotionImage m_cache;       // the composition of the inputs
    SharedMotionImage m_background;  // BGCOLOR and the BGIMAGE
    CacheUsers m_users;
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

    // The input picture drawn by move_image from its source region into its
    // destination region inside the display window, all three travelling from
    // their start at frame 0 to their end at the last frame, over BGCOLOR (alpha 0)
    // and the BGIMAGE; with AFTERIMAGE, fainter copies at the positions of the
    // frames before. The picture and the background are kept under the lock while
    // what feeds them is endless; the moves are drawn outside it. Run length 0.
    CImageBuffer* GetImage(int32_t frame, int32_t mode, int32_t* runLength,
                           RenderContext* context) override;
    void ReleaseImage(CImageBuffer* image, int32_t frame) override;
    void ResetCache() override;
    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int Validate(const SceneReport& report) override;
    int Dump(CDumpWriter& out) override;

    // A region as it takes effect: the destination and display regions a variant
    // does not move cover the whole screen; every other one is as written.
    SceneRect Region(size_t region) const;

protected:
    KeyFrames KeyFramePattern() const override { return KeyFrames::FirstLastAndMiddle; }
    int32_t ComputeFrameCount() override { return std::max<int32_t>(Settings().frames, 0); }

private:
    // The move's source, destination and display regions over `picture`; false when
    // no frame shows anything of it.
    bool MoveRegions(const CImageBuffer& picture, RegionPair* source, RegionPair* destination,
                     RegionPair* display) const;
    // New image of `frame`: the background with the move (and its afterimages) of
    // `picture` drawn over it, in the hand-over layout when handOver allows.
    CImageBuffer* DrawFrame(const CImageBuffer& background, const CImageBuffer& picture,
                            int32_t frame, int32_t mode, bool handOver) const;

    // Guarded by the scene's lock.
    SharedMotionImage m_cache;       // the input picture
    SharedMotionImage m_background;  // BGCOLOR and the BGIMAGE
    CacheUsers m_users;
};

// ---- what the motion scenes share ----

// fit_image flags for an input fitted with `fitMode` (1 inside, 2 MAX_CUT) in render
// mode `mode`: the nearest-pixel scaler in preview.
int motion_fit_flags(int32_t fitMode, int32_t mode);

// Whether the block behind a link lasts endlessly, that is, looks the same in
// every frame.
bool motion_input_endless(const CSceneLink& link);

// Asks the link for `frame`, fits its image into the link's rectangle with
// `fitFlags`, gives the image back and composes the fitted picture onto canvas at
// the rectangle's corner `times` times. An input that gives none adds nothing.
void compose_motion_input(CImageBuffer* canvas, CSceneLink& link, int32_t frame, int32_t mode,
                          RenderContext* context, int fitFlags, int times);

// The background of ROTATE and the camera moves: width x height of bgcolor with
// alpha 0, with the BGIMAGE frame (when there is one) fitted over it. None when the
// image cannot be made.
ImagePtr make_motion_background(int32_t width, int32_t height, const CColor& bgcolor,
                                CSceneLink* bgimage, int32_t frame, int32_t mode,
                                RenderContext* context);

// Hands an image to shared ownership (none stays none).
SharedMotionImage share_motion_image(ImagePtr image);
// The input's own image, kept while anyone draws from it; the last holder gives it
// back to the input for `frame`. Callers only read the images they are given, so
// nothing is copied.
SharedMotionImage borrow_motion_input(CSceneLink& input, CImageBuffer* image, int32_t frame);

// The dump lines the motion blocks share.
void dump_motion_bgcolor(CDumpWriter& out, const CColor& color);
void dump_motion_bgimage(CDumpWriter& out, const CSceneLink* link);
