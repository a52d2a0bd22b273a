#pragma once
// Source scenes: pictures made from outside the scene graph. IMAGE (a picture file
// or one frame of another block, with colour effects), TEXT (a caption, optionally
// filled in from a photograph's EXIF data), DRAW (a list of shapes) and MOVIE (the
// frames of a video file). IMAGE, TEXT and DRAW last endlessly and look the same in
// every frame; whoever times them (STILL, ROTATE, the camera moves, FILM) decides
// how long they are shown.

#include <functional>
#include <optional>

#include "image/shapes.h"
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

// IMAGE, TEXT and DRAW: endless pictures that look the same in every frame, so every
// frame is a key frame. The picture is made under the scene's lock when the cache is
// empty (one decode even when several workers ask at once), every caller shares it
// (callers only read), and the last release drops it again.
template <typename S>
class CScenePicture : public CSceneWith<S> {
public:
    using CSceneWith<S>::CSceneWith;

    CImageBuffer* GetImage(int32_t frame, int32_t mode, int32_t* runLength,
                           RenderContext* context) override;
    void ReleaseImage(CImageBuffer* image, int32_t frame) override;
    void ResetCache() override;
    int TestFrame(int kind, int32_t frame) override;
    int32_t NextKeyFrame(int32_t after) override;
    int32_t PrevKeyFrame(int32_t before) override;

protected:
    int32_t ComputeFrameCount() override { return kEndlessFrames; }
    // The picture in the image mode's layout; none when it cannot be made.
    virtual ImagePtr MakePicture(int32_t mode, RenderContext* context) = 0;

private:
    ImagePtr m_cache;     // guarded by the scene's lock
    int32_t m_users = 0;  // callers holding the picture
};

struct ImageSettings {
    std::string file;                 // FILE as written; empty for BLOCK_FRAME (the first input)
    int32_t blockFrame = 0;           // BLOCK_FRAME frame
    uint32_t effects = 0;             // IMAGE_* flags
    SceneRect clip;                   // CLIP
    int32_t angle = 0;                // ANGLE, degrees
    int32_t photoFrame = 0;           // PHOTO_FRAME width, percent
    CColor throughColor{0, 0, 0, 0};  // THROUGH_COLOR (alpha 0)
};

class CSceneImage : public CScenePicture<ImageSettings> {
public:
    CSceneImage() : CScenePicture(SCENE_IMAGE) {}

    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int Validate(const SceneReport& report) override;
    int Dump(CDumpWriter& out) override;
    const std::string& FileName() const override { return Settings().file; }
    const std::string& FilePath() const override { return m_path; }

protected:
    // The picture, its effects applied in their fixed order, labelled in preview.
    ImagePtr MakePicture(int32_t mode, RenderContext* context) override;

private:
    std::string m_path;
};

// Reads one EXIF property of a picture as text; none when the picture lacks it.
using ExifPropertyReader = std::function<std::optional<std::string>(uint32_t tag)>;

// Replaces the caption placeholders ("%MAKER%", "%MODEL%", ...), each in turn, by
// the property the reader gives, or by one blank when there is none.
std::string expand_exif_placeholders(std::string text, const ExifPropertyReader& reader);

struct TextSettings {
    std::string text;   // STRING (code page 932, line breaks as CR LF)
    std::string file;   // FILE: the photograph whose EXIF data fills placeholders
    int32_t width = 0;  // SIZE
    int32_t height = 0;
    std::string font;  // FONT face; the grammar sets the default face when missing
    int32_t fontWidth = 20;
    int32_t fontHeight = 40;
    int32_t align = TEXT_ALIGN_CENTER;
    int32_t valign = TEXT_VALIGN_CENTER;
    int32_t frameOffset = 0;  // FRAME_OFFSET: the margin of the caption
    uint32_t flags = 0;       // TEXT_FLAG_ANGLE when ANGLE was given
    int32_t angle = 0;
    CColor color{255, 255, 255, 255};  // COLOR
    CColor bgcolor{0, 0, 0, 0};
};

class CSceneText : public CScenePicture<TextSettings> {
public:
    CSceneText() : CScenePicture(SCENE_TEXT) {}

    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    // Path and open check, then placeholder expansion.
    int Validate(const SceneReport& report) override;
    int Dump(CDumpWriter& out) override;
    const std::string& FileName() const override { return Settings().file; }
    const std::string& FilePath() const override { return m_path; }
    // The caption with its placeholders filled in, built by Validate.
    const std::string& ExpandedText() const { return m_expanded; }

protected:
    ImagePtr MakePicture(int32_t mode, RenderContext* context) override;

private:
    // Reads the EXIF properties of the caption's picture.
    ExifPropertyReader MakeExifReader() const;

    std::string m_path;
    std::string m_expanded;
};

struct DrawSettings {
    int32_t width = 0;  // SIZE
    int32_t height = 0;
    CColor color{0, 0, 0, 0};  // COLOR, the drawing colour
    CColor bgcolor{0, 0, 0, 0};
    std::vector<DrawShape> shapes;  // in reading order; a RECT is the polygon of its corners
};

class CSceneDraw : public CScenePicture<DrawSettings> {
public:
    CSceneDraw() : CScenePicture(SCENE_DRAW) {}

    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int Dump(CDumpWriter& out) override;

protected:
    ImagePtr MakePicture(int32_t mode, RenderContext* context) override;
};

struct MovieSettings {
    std::string file;  // FILE as written
    bool hasRect = false;
    SceneRect rect;       // the rectangle after FILE
    int32_t fitMode = 1;  // 2 for MAX_CUT
    int32_t frameStart = 0;
    int32_t frames = 0;
    CColor bgcolor;
};

// MOVIE: frames FRAME_START + f of a video file, fitted into the rectangle over
// BGCOLOR. Its frames are made on the control thread in frame order (FRAME_SERIAL),
// so the clip decodes forward from one frame to the next.
class CSceneMovie : public CSceneWith<MovieSettings> {
public:
    CSceneMovie() : CSceneWith(SCENE_MOVIE) {}

    CImageBuffer* GetImage(int32_t frame, int32_t mode, int32_t* runLength,
                           RenderContext* context) override;
    void ReleaseImage(CImageBuffer* image, int32_t frame) override;
    int TestFrame(int kind, int32_t frame) override;
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list) override;
    int Validate(const SceneReport& report) override;
    int Dump(CDumpWriter& out) override;
    const std::string& FileName() const override { return Settings().file; }
    const std::string& FilePath() const override { return m_path; }

    // The rectangle the clip is fitted into: as written, or the whole screen.
    SceneRect Rect() const { return Settings().hasRect ? Settings().rect : Screen(); }
    // The size and length of the clip, known once Validate opened it.
    void GetClipInfo(int32_t* width, int32_t* height, int32_t* frames) {
        m_reader.GetVideo(width, height, nullptr, nullptr, nullptr, frames);
    }

protected:
    KeyFrames KeyFramePattern() const override { return KeyFrames::FirstLastAndMiddle; }
    int32_t ComputeFrameCount() override { return std::max<int32_t>(Settings().frames, 0); }

private:
    // The clip's frame `index` in the working layout; none when it cannot be read.
    ImagePtr ReadClipFrame(int64_t index);

    std::string m_path;
    CAVIIn m_reader;  // the clip, named at validation; used under the scene's lock
};
