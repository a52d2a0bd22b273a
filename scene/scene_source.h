#pragma once
// Source scenes: pictures made from outside the scene graph. IMAGE (a picture file
// or one frame of another block, with colour effects), TEXT (a caption, optionally
// filled in from a photograph's EXIF data), DRAW (a list of shapes) and MOVIE (the
// frames of a video file). IMAGE, TEXT and DRAW last endlessly and look the same in
// every frame; whoever times them (STILL, ROTATE, the camera moves, FILM) decides
// how long they are shown.

#include <functional>
#include <optional>

#include "output/avi_in.h"
#include "scene/scene.h"

// IMAGE effect flags.
inline constexpr uint32_t IMAGE_CLIP = 0x1;
inline constexpr uint32_t IMAGE_PHOTO_FRAME = 0x2;
inline constexpr uint32_t IMAGE_SEPIA = 0x4;
inline constexpr uint32_t IMAGE_MONO = 0x8;
inline constexpr uint32_t IMAGE_NEGA = 0x10;
inline constexpr uint32_t IMAGE_ANGLE = 0x20;
inline constexpr uint32_t IMAGE_DISCOLOR = 0x40;
inline constexpr uint32_t IMAGE_HIGHPASS = 0x80;
inline constexpr uint32_t IMAGE_RED = 0x100;
inline constexpr uint32_t IMAGE_GREEN = 0x200;
inline constexpr uint32_t IMAGE_BLUE = 0x400;
inline constexpr uint32_t IMAGE_THROUGH_COLOR = 0x800;

// TEXT alignment codes.
inline constexpr int32_t TEXT_ALIGN_CENTER = 1;
inline constexpr int32_t TEXT_ALIGN_RIGHT = 2;
inline constexpr int32_t TEXT_ALIGN_LEFT = 3;
inline constexpr int32_t TEXT_VALIGN_CENTER = 17;
inline constexpr int32_t TEXT_VALIGN_TOP = 18;
inline constexpr int32_t TEXT_VALIGN_BOTTOM = 19;
inline constexpr uint32_t TEXT_FLAG_ANGLE = 0x20;

// Font used when a TEXT block names none.
inline constexpr const char* kDefaultFontFace = "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e";

class CSceneImage : public CScene {
public:
    CSceneImage() : CScene(SCENE_IMAGE) {}

    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int Validate(const SceneReport& report) override;
    int Dump(CDumpWriter& out) override;

    SceneRect m_clip;  // CLIP
    uint32_t m_effects = 0;
    int32_t m_angle = 0;       // ANGLE, degrees
    int32_t m_photoFrame = 0;  // PHOTO_FRAME width, percent
    int32_t m_blockFrame = 0;  // BLOCK_FRAME frame; the block is the first input link
    // THROUGH_COLOR is m_color (alpha 0).

protected:
    int32_t ComputeFrameCount() override { return kEndlessFrames; }
};

// Reads one EXIF property of a picture as text; none when the picture lacks it.
using ExifPropertyReader = std::function<std::optional<std::string>(uint32_t tag)>;

// Replaces the caption placeholders ("%MAKER%", "%MODEL%", ...), each in turn, by
// the property the reader gives, or by one blank when there is none.
std::string expand_exif_placeholders(std::string text, const ExifPropertyReader& reader);

class CSceneText : public CScene {
public:
    CSceneText();

    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    // Path and open check, then placeholder expansion into m_expanded.
    int Validate(const SceneReport& report) override;
    int Dump(CDumpWriter& out) override;

    // Reads the EXIF properties of the caption's picture (m_path).
    ExifPropertyReader MakeExifReader() const;

    std::string m_string;    // STRING (code page 932, line breaks as CR LF)
    std::string m_expanded;  // built by Validate
    int32_t m_width = 0;     // SIZE
    int32_t m_height = 0;
    std::string m_font;  // FONT face; the grammar sets the default face when missing
    int32_t m_fontWidth = 20;
    int32_t m_fontHeight = 40;
    int32_t m_align = TEXT_ALIGN_CENTER;
    int32_t m_valign = TEXT_VALIGN_CENTER;
    int32_t m_frameOffset = 0;
    uint32_t m_flags = 0;
    int32_t m_angle = 0;
    // COLOR is m_color (default opaque white), BGCOLOR m_bgcolor (transparent black).

protected:
    int32_t ComputeFrameCount() override { return kEndlessFrames; }
};

// One shape of a DRAW block, as the scenario wrote it. A RECT is kept as the closed
// polygon of its four corners.
struct DrawShape {
    enum Kind { LINE, POLYGON, ELLIPSE };
    struct Point {
        int32_t x = 0;
        int32_t y = 0;
        friend constexpr bool operator==(const Point&, const Point&) = default;
    };

    Kind kind = LINE;
    int32_t width = 1;          // WIDTH, pen width in pixels
    bool fill = false;          // FILL (POLYGON, ELLIPSE)
    std::vector<Point> points;  // LINE, POLYGON
    SceneRect region;           // ELLIPSE REGION (no order check)
    int32_t angle = 0;          // ELLIPSE ANGLE, degrees

    void Dump(CDumpWriter& out) const;
};

class CSceneDraw : public CScene {
public:
    CSceneDraw() : CScene(SCENE_DRAW) {}

    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int Dump(CDumpWriter& out) override;

    std::vector<DrawShape> m_shapes;  // in reading order
    int32_t m_width = 0;              // SIZE
    int32_t m_height = 0;
    // COLOR (the drawing colour) is m_color, BGCOLOR m_bgcolor, both transparent black.

protected:
    int32_t ComputeFrameCount() override { return kEndlessFrames; }
};

class CSceneMovie : public CScene {
public:
    CSceneMovie() : CScene(SCENE_MOVIE) {}

    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int Validate(const SceneReport& report) override;
    int Dump(CDumpWriter& out) override;
    void ApplyScreenDefaults(int32_t width, int32_t height) override;

    bool m_hasRect = false;
    SceneRect m_rect;
    int32_t m_fitMode = 1;  // 2 for MAX_CUT
    int32_t m_frameStart = 0;
    // BGCOLOR is m_bgcolor, FRAMES m_frames.
    CAVIIn m_reader;  // the clip, named at validation

protected:
    int32_t ComputeFrameCount() override { return std::max<int32_t>(m_frames, 0); }
};
