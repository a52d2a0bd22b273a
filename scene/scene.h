#pragma once
// The scene model: one object per block of a scenario. A scene knows how many
// frames it lasts and, asked for frame n, makes the image of that frame, usually
// from frames of its input scenes, which it reaches through CSceneLink objects.
//
// Every scene has two halves. What the block's statements wrote is one plain
// settings record per class (the grammar fills it, Dump writes it back, frame
// production reads it) plus the common parts every block has: its name, its input
// links and its background link. Everything that belongs to running the graph
// (owner, reference count, frame count, caches, locks, link targets) is private and
// changes only through the few operations Link and the frames call.
//
// Ownership: the document owns its scenes (in declaration order) and one link to
// MAIN; a scene owns its strings, its links, its cache images and its lock; a link
// owns its name, its blank and its lock, never its target.

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "base/format.h"
#include "image/image_buffer.h"
#include "scene/render_context.h"

class CScene;

// Type codes, stored in every scene.
enum SceneType : uint32_t {
    SCENE_IMAGE = 1,
    SCENE_TEXT = 2,
    SCENE_DRAW = 3,
    SCENE_STILL = 0x1000,
    SCENE_ROTATE = 0x1001,
    SCENE_ACTION = 0x1002,
    SCENE_ZOOM = 0x1003,
    SCENE_SLIDE = 0x1004,
    SCENE_FOCUS = 0x1005,
    SCENE_FILM = 0x1006,
    SCENE_MOVIE = 0x1007,
    SCENE_FADE = 0x2000,
    SCENE_CROSSFADE = 0x2001,
    SCENE_MIX = 0x2002,
    SCENE_SERIES = 0x2003,
    SCENE_SHAKE = 0x2004,
    SCENE_MOSAIC = 0x2005,
    SCENE_EXPAND = 0x2006,
    SCENE_CUT = 0x2007,
    SCENE_ALPHA = 0x2008,
    SCENE_SHADE = 0x2009,
    SCENE_MAIN = 0x80000000u,
};

// The keyword of a type code ("IMAGE", ..., "MAIN"); "エラー" for any other code.
const char* scene_type_name(uint32_t type);

// Questions of TestFrame.
inline constexpr int FRAME_KEY = 0;     // is the frame a key frame?
inline constexpr int FRAME_SERIAL = 1;  // must the frame be made on the control thread?

// Frame count of pictures that last as long as whoever times them.
inline constexpr int32_t kEndlessFrames = 0x7fffffff;

// Frame-count arithmetic that stops at kEndlessFrames instead of overflowing.
// Negative parts count as 0.
int32_t saturating_frames(int64_t frames);
int32_t add_frames(int32_t a, int32_t b);

// Key-frame navigation over a few known frames: the smallest candidate in
// (after, limit), or limit; the largest candidate in [0, min(before, limit)), or -1.
int32_t first_after(std::initializer_list<int64_t> candidates, int64_t after, int32_t limit);
int32_t last_before(std::initializer_list<int64_t> candidates, int64_t before, int32_t limit);

// The images a scene handed out from the work it keeps for a run (a composition,
// a canvas, fitted pictures), and whether the last frame has come back. The work
// goes once no image is out and the last frame has been back, in either order: with
// several workers the last frame may come back while an earlier one is out, or
// before an earlier one is even asked, and work kept past its run would stay for the
// rest of the video. A frame asked well before the end starts another run over the
// scene (a block used twice). Guarded by the scene's lock.
class CacheUsers {
public:
    // `context` tells the render's step (none: every frame is asked).
    void Take(int64_t frame, int64_t lastFrame, const RenderContext* context) {
        ++m_users;
        m_step = context ? std::max<int64_t>(context->frameStep, 1) : 1;
        const int64_t late = std::max(std::min<int64_t>(kLateFrames, lastFrame / 2), m_step - 1);
        if (frame < lastFrame - late) m_lastBack = false;
    }
    // Gives one image of `frame` back; true when the kept work should go now.
    bool GiveBack(int64_t frame, int64_t lastFrame) {
        if (m_users > 0) --m_users;
        // Asking every n-th frame, the last one asked lies within n - 1 of the end.
        if (frame > lastFrame - m_step) m_lastBack = true;
        return m_users == 0 && m_lastBack;
    }
    void Reset() {
        m_users = 0;
        m_lastBack = false;
    }

private:
    // Frames asked this close to the end after it came back belong to the run that
    // ended (workers finish a batch out of order).
    static constexpr int64_t kLateFrames = 64;
    int32_t m_users = 0;
    int64_t m_step = 1;
    bool m_lastBack = false;
};

// Inclusive pixel rectangle.
struct SceneRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    friend constexpr bool operator==(const SceneRect&, const SceneRect&) = default;
};

// What a scene needs of the document that owns it. Scenes read the screen size
// from here whenever they need it, and nowhere else: defaults that depend on the
// screen (rectangles, centres) are worked out when they are read.
class SceneOwner {
public:
    virtual ~SceneOwner() = default;
    virtual int32_t GetScreenWidth() const = 0;
    virtual int32_t GetScreenHeight() const = 0;
};

// Receives one finished message text (UTF-8) from Validate.
using SceneReport = std::function<void(const std::string& text)>;

// DescribeFrame output: rows of five strings, appended in this order: depth ("%d"),
// input name (as written, code page 932), type keyword, frame ("%d"), file (as
// written, or "(null)").
using FrameDescription = std::vector<std::string>;
inline constexpr size_t kDescriptionColumns = 5;

// Collects the dump of blocks: every WriteLine formats one line and ends it with CR LF.
// Texts are code page 932 bytes (the document's own). Lines are appended under a lock.
class CDumpWriter {
public:
    void WriteLine(const char* format, ...) VEMO_PRINTF(2, 3);
    void WriteText(std::string_view line);
    std::string Text() const;

private:
    mutable std::mutex m_lock;
    std::string m_text;
};

// What an INPUT, !INPUT, BGIMAGE or BLOCK_FRAME line wrote.
struct LinkSettings {
    std::string inputName;  // the block named (code page 932)
    int32_t kind = 1;       // 1 INPUT, 2 !INPUT
    bool hasRect = false;   // a rectangle followed the name
    SceneRect rect;
    int32_t fitMode = 1;  // 2 for MAX_CUT
    int32_t offset = 0;   // OFFSET of a MIX input
    bool volumeAlpha = false;
};

// By-name reference from a scene to another, resolved by Link.
class CSceneLink {
public:
    explicit CSceneLink(std::string inputName, int32_t kind = 1);
    CSceneLink(const CSceneLink&) = delete;
    CSceneLink& operator=(const CSceneLink&) = delete;
    ~CSceneLink();

    const LinkSettings& Settings() const { return m_settings; }
    LinkSettings& EditSettings() { return m_settings; }
    const std::string& InputName() const { return m_settings.inputName; }
    // The rectangle as written, or the whole screen when none was.
    SceneRect Rect() const;

    // Link: the document the graph belongs to and the scene the name stands for.
    void Resolve(SceneOwner* owner, CScene* target);
    CScene* Target() const { return m_target; }

    // Kind 1 forwards to the target; kind 2 ("!INPUT") hands out one shared
    // transparent black screen-size blank without asking the target; callers hand
    // it back through the link and never change it.
    CImageBuffer* GetImage(int32_t frame, int32_t mode, int32_t* runLength, RenderContext* context);
    void ReleaseImage(CImageBuffer* image, int32_t frame);
    // Both kinds forward to the target; without a target the answers are 0 (and
    // there are no key frames).
    int TestFrame(int kind, int32_t frame);
    int32_t NextKeyFrame(int32_t after);
    int32_t PrevKeyFrame(int32_t before);
    int32_t GetFrameCount() const;
    // Appends depth and input name, then lets the target describe the frame.
    int DescribeFrame(int32_t frame, int depth, FrameDescription& list);

private:
    LinkSettings m_settings;
    std::mutex m_lock;
    SceneOwner* m_owner = nullptr;
    CScene* m_target = nullptr;  // not owned
    ImagePtr m_blank;            // kind 2 only; kept as long as the link
};

using SceneLinkList = std::vector<std::unique_ptr<CSceneLink>>;

// Base of every scene class. The document keeps its scenes in a container of its
// own, in declaration order.
class CScene {
public:
    explicit CScene(uint32_t type) : m_type(type) {}
    CScene(const CScene&) = delete;
    CScene& operator=(const CScene&) = delete;
    virtual ~CScene();

    // ---- frames ----

    // Image of one frame, owned by the caller until it is handed back with
    // ReleaseImage. runLength (in/out) is lowered to the number of following frames
    // certain to look the same. Base: none.
    virtual CImageBuffer* GetImage(int32_t frame, int32_t mode, int32_t* runLength,
                                   RenderContext* context);
    virtual void ReleaseImage(CImageBuffer* image, int32_t frame);
    virtual void ResetCache();
    // kind FRAME_KEY or FRAME_SERIAL; 0 or 1. A frame outside the scene's range
    // is answered without touching inputs that do not exist there.
    virtual int TestFrame(int kind, int32_t frame) = 0;
    // Appends type keyword, frame and file, then follows the input active at the
    // frame with depth + 1. Base: -1.
    virtual int DescribeFrame(int32_t frame, int depth, FrameDescription& list);
    // The first frame after `after` (and not below 0) that TestFrame calls a key
    // frame, or the frame count when there is none; the last one before `before`
    // (and below the count), or -1. Classes answer from their own structure, so
    // that counting and stepping through key frames never walks frame by frame
    // through long shots; the base follows KeyFramePattern, or walks frame by frame.
    virtual int32_t NextKeyFrame(int32_t after);
    virtual int32_t PrevKeyFrame(int32_t before);

    // The frame count, computed on first request and kept. Link resets every scene
    // (ResetFrameCount) and then runs CountFrames on every scene it can reach, on
    // one thread; afterwards rendering threads only read the kept value.
    int32_t GetFrameCount();
    void ResetFrameCount() { m_count.store(-1, std::memory_order_relaxed); }
    int32_t CountFrames();
    bool HasFrameCount() const { return m_count.load(std::memory_order_acquire) >= 0; }

    // Checks run once at the end of linking; 0, -1 (bad value), -2 (memory),
    // -3 (no folder), -4 (file cannot be opened). Messages go to report.
    virtual int Validate(const SceneReport& report);
    // Writes the block in scenario syntax (leading empty line, head, braces). Base: -1.
    virtual int Dump(CDumpWriter& out);

    // ---- the block as written ----

    uint32_t Type() const { return m_type; }
    // The type keyword of this scene.
    const char* TypeName() const { return scene_type_name(m_type); }
    // Block name (code page 932); MAIN is " ".
    const std::string& Name() const { return m_name; }
    void SetName(std::string name) { m_name = std::move(name); }
    // Folder of the file the block was read from, in file-system form (UTF-8,
    // absolute, "/" separators); empty when unknown.
    const std::string& Folder() const { return m_folder; }
    void SetFolder(std::string folder) { m_folder = std::move(folder); }
    // FILE as written (code page 932); empty for blocks without one.
    virtual const std::string& FileName() const;
    // The file-system path of FILE (UTF-8), built by Validate; empty without one.
    virtual const std::string& FilePath() const;

    // INPUT, !INPUT and BLOCK_FRAME lines, in order.
    CSceneLink& AddInput(std::string name, int32_t kind = 1);
    const SceneLinkList& Inputs() const { return m_inputs; }
    bool HasInputs() const { return !m_inputs.empty(); }
    // The first input, or none.
    CSceneLink* FirstInput() const { return m_inputs.empty() ? nullptr : m_inputs.front().get(); }
    // BGIMAGE (or none).
    void SetBackground(std::string name);
    CSceneLink* Background() const { return m_background.get(); }
    // Every link to another scene: the inputs, then the background.
    std::vector<CSceneLink*> Links() const;

    // ---- linking ----

    // The document this scene belongs to; the screen size comes from it.
    void Attach(SceneOwner* owner) { m_owner = owner; }
    // One more INPUT line names this block.
    void AddReference() { ++m_refcount; }
    int32_t RefCount() const { return m_refcount; }

protected:
    // The class's own count; the base has none (0). Classes without inputs return
    // their FRAMES.
    virtual int32_t ComputeFrameCount();

    int32_t ScreenWidth() const { return m_owner ? m_owner->GetScreenWidth() : 0; }
    int32_t ScreenHeight() const { return m_owner ? m_owner->GetScreenHeight() : 0; }
    // (0, 0, width - 1, height - 1) of the screen.
    SceneRect Screen() const;
    // Guards a scene's caches; held from the outer scene to the inner one.
    std::mutex& Lock() const { return m_lock; }

    // The input count of the first input (0 without one).
    int32_t FirstInputFrames() const;
    // Appends this scene's own three columns.
    void DescribeSelf(int32_t frame, FrameDescription& list) const;
    // Describes every input at the same frame, stopping at the first -1; the last
    // answer (0 without inputs).
    int DescribeInputs(int32_t frame, int depth, FrameDescription& list);
    // Describes the first input at the same frame, one level deeper (0 without one).
    int DescribeFirstInput(int32_t frame, int depth, FrameDescription& list);
    // Describes the background block at the frame (0 without one).
    int DescribeBackground(int32_t frame, int depth, FrameDescription& list);
    // The first input's answer for the same frame (0 without one).
    int AskFirstInput(int kind, int32_t frame);
    // 1 at the first and last frame of the scene, and at count / 2 when asked.
    int IsEdgeFrame(int32_t frame, bool middle);
    // Which frames are key frames, for the classes where that is all there is to
    // it; the base navigation answers from it without asking frame by frame.
    enum class KeyFrames { AskEachFrame, FirstAndLast, FirstLastAndMiddle };
    virtual KeyFrames KeyFramePattern() const { return KeyFrames::AskEachFrame; }
    // The name written for input `index` ("" when there is none).
    const char* InputName(size_t index) const;
    // Writes the empty line, the head line ("%s\t\"%s\"", or "MAIN"), "{" and the
    // reference count.
    void DumpHead(CDumpWriter& out) const;

    // `file` as a file-system path: a name that is absolute ("X:" drive form or
    // "/...") is used as written, any other is joined to the folder. 0, or -3
    // without a folder; nothing is built without a file.
    int BuildPath(const std::string& file, std::string* path) const;
    // BuildPath, then opens the file for reading once; -4 with the file message.
    int CheckFile(const std::string& file, std::string* path, const SceneReport& report) const;
    // "ブロック %s で指定されたファイルを開くことができません。..." for this block.
    void ReportMissingFile(const std::string& file, const SceneReport& report) const;

private:
    uint32_t m_type;
    std::string m_name;
    std::string m_folder;
    SceneLinkList m_inputs;
    std::unique_ptr<CSceneLink> m_background;

    SceneOwner* m_owner = nullptr;  // set by Link
    int32_t m_refcount = 0;         // INPUT links naming this block, counted by Link
    std::atomic<int32_t> m_count{-1};
    mutable std::mutex m_lock;
};

// A scene whose block statements fill one plain settings record of type S.
template <typename S>
class CSceneWith : public CScene {
public:
    using CScene::CScene;

    const S& Settings() const { return m_settings; }
    S& EditSettings() { return m_settings; }

private:
    S m_settings;
};

// Creates the scene class for a type code (MAIN and SERIES share one class; the
// four camera moves share one); none for an unknown code.
std::unique_ptr<CScene> create_scene(uint32_t type);
