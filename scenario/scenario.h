#pragma once
// The scenario document: header settings, variables, macros, checkpoints, the
// scenes built from the blocks and the link to MAIN. Its interface is what the
// front ends and the render engine use: Load reads a scenario file (through the
// reader of scenario/reader.h, which fills the document), Link turns the names into
// a checked scene graph, the frame calls hand out MAIN's frames, and WriteScenario
// writes the document back in canonical form.
//
// Texts read from the scenario (names, words, file names) stay code page 932
// bytes; paths of the file system (the scenario path, folders, the resolved audio
// path) are UTF-8. Every message handed to the error callback is UTF-8.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/file_identity.h"
#include "base/report.h"
#include "image/image_buffer.h"
#include "scenario/expression.h"
#include "scenario/macro.h"
#include "scene/scene.h"

class CScenarioReader;

// A CHECKPOINT entry: CT gives the time, CF the frame; Link fills in the other.
struct CCheckpoint {
    int32_t time = -1;   // milliseconds, -1 = not given
    int32_t frame = -1;  // -1 = not given
    CColor color{255, 255, 255, 255};
};

// What the header statements set; the last statement read wins.
struct ScenarioHeader {
    int32_t version = 1;       // VERSION
    int32_t screenWidth = -1;  // SCREEN; -1 = not given
    int32_t screenHeight = -1;
    std::string audioPath;      // AUDIO, resolved (UTF-8); empty without music
    int32_t framerate = 30;     // FRAMERATE
    int32_t scale = 1;          // SCALE
    int32_t previewScale = 4;   // PREVIEWSCALE
    int32_t boardBreak = 1000;  // BOARDBREAK, milliseconds
    int32_t startFrame = 0;     // STARTFRAME
};

// Receives one finished error text (UTF-8).
using ScenarioErrorCallback = std::function<void(const std::string& text)>;
// Asks a yes/no question (UTF-8) and returns the answer.
using ScenarioQuestionCallback = std::function<AskAnswer(const std::string& text)>;

// Deepest chain of blocks using blocks that Link accepts from MAIN down: frames are
// asked through the chain recursively, one stack frame per block.
inline constexpr size_t kMaxBlockDepth = 1000;
// Most blocks MAIN's graph may unfold to, counting a block once for every use.
inline constexpr int64_t kMaxUnfoldedBlocks = 100000;

class CScenario : public SceneOwner {
public:
    CScenario();
    ~CScenario() override;
    CScenario(const CScenario&) = delete;
    CScenario& operator=(const CScenario&) = delete;

    // Defaults: ErrorBox and AskBox of the reporting calls.
    void SetErrorCallback(ScenarioErrorCallback callback) { m_errorCallback = std::move(callback); }
    void SetQuestionCallback(ScenarioQuestionCallback callback) {
        m_questionCallback = std::move(callback);
    }
    void SetVersionText(std::string text) { m_versionText = std::move(text); }
    // Longest MAIN that Link accepts (default: anything short of endless). Key
    // frames are counted frame by frame, so a caller that must finish quickly
    // (the fuzzer) lowers it.
    void SetFrameLimit(int32_t frames) { m_frameLimit = frames; }

    // Reads the scenario file at `path` (file-system path, UTF-8; relative to the
    // process's current directory). 0 or -1; the first error has been reported. Once
    // per document: a document loaded before keeps what it read, so each scenario
    // read gets a new CScenario, as both front ends do.
    int Load(const std::string& path);
    // Resolves names, checks the graph, computes counts and totals. 0 or -1.
    int Link();
    // Writes the canonical text (code page 932, CR LF). 0 or -1.
    int WriteScenario(const std::string& path);
    // The canonical text WriteScenario writes, with `fileName` in its header.
    std::string DumpScenario(const std::string& fileName);

    // ---- SceneOwner ----
    int32_t GetScreenWidth() const override { return m_header.screenWidth; }
    int32_t GetScreenHeight() const override { return m_header.screenHeight; }

    // ---- accessors ----
    const ScenarioHeader& Header() const { return m_header; }
    const std::string& VersionText() const { return m_versionText; }
    int32_t EngineVersion() const { return 1; }
    int32_t Version() const { return m_header.version; }
    const std::string& ScenarioPath() const { return m_scenarioPath; }
    const std::string& AudioPath() const { return m_header.audioPath; }
    bool ContainsMovie() const { return m_containsMovie; }
    bool MusicLinkUsed() const { return m_musicLinkUsed; }
    int32_t FrameRate() const { return m_header.framerate; }
    int32_t Scale() const { return m_header.scale; }
    int32_t PreviewScale() const { return m_header.previewScale; }
    int32_t BoardBreak() const { return m_header.boardBreak; }
    int32_t StartFrame() const { return m_header.startFrame; }
    int32_t TotalFrames() const { return m_totalFrames; }
    int32_t KeyFrames() const { return m_keyFrames; }
    int32_t RenderMode() const { return m_renderMode; }
    void SetRenderMode(int32_t mode) { m_renderMode = mode; }
    const std::vector<CCheckpoint>& Checkpoints() const { return m_checkpoints; }
    const std::vector<std::unique_ptr<CScene>>& Scenes() const { return m_scenes; }
    // MAIN's scene, or none before a MAIN block was read.
    CScene* MainScene() const { return m_mainLink.Target(); }
    const CVariableTable& Variables() const { return m_variables; }
    // Every file the scenario read: the scenario, its INCLUDEs, the music, and after
    // Link the pictures, captions' photographs and clips of its blocks. Nothing
    // Vemo writes may be one of them.
    const ReadFileSet& FilesRead() const { return m_filesRead; }

    // The first scene named `name` (exact bytes), or none.
    CScene* FindScene(std::string_view name) const;
    // For a block that MAIN never reaches and that reaches a loop of blocks: a block
    // of that loop (such blocks have no length and are never drawn). Else none.
    CScene* LoopOf(const CScene* scene) const;
    // 2 with colour = r*65536 + g*256 + b of the first checkpoint at `frame`, else 0
    // with colour 0xFFFFFF.
    int CheckpointAt(int32_t frame, int32_t* colour) const;
    // The next frame after `frame` that is a checkpoint or a key frame of MAIN, or
    // the total frames.
    int32_t NextMarkedFrame(int32_t frame);
    // The image of one frame of MAIN in the current render mode: 24-bit (with its
    // alpha plane) and of the screen's size, owned by the document until
    // ReleaseImage. In image mode 32 it is a converted copy and MAIN's own image is
    // handed back at once; in image mode 24 it is MAIN's own image. A frame of
    // another size is placed at the top left of an opaque black screen (a copy,
    // MAIN's image handed back at once). None when MAIN has no image.
    CImageBuffer* GetImage(int32_t frame, int32_t* runLength, RenderContext* context);
    void ReleaseImage(CImageBuffer* image, int32_t frame);
    // Describes one frame of MAIN (rows of five strings).
    int Describe(int32_t frame, FrameDescription& list);
    // Drops every scene's cached images before a rendering starts.
    void ResetScenes();

private:
    // The reader fills the document: header, variables, macros, checkpoints, scenes.
    friend class CScenarioReader;

    // Hands a finished report to the error callback (ErrorBox without one).
    void ReportText(const std::string& text);
    // "シナリオ読み込み時にエラーが発生しました。" and `message`, without a place.
    void ReportError(std::string_view message);
    AskAnswer Ask(const std::string& text);
    // Appends a scene read from a block; a MAIN scene becomes the main link's target.
    void AddScene(std::unique_ptr<CScene> scene);

    int LinkFail(const std::string& message);
    int LinkLoops();
    int CountReachable();
    int RefuseEndlessMain();
    void ComputeCheckpoints();

    // Settings
    std::string m_versionText;
    ScenarioHeader m_header;
    std::string m_scenarioPath;
    bool m_musicLinkUsed = false;
    bool m_containsMovie = false;
    int32_t m_totalFrames = 0;
    int32_t m_keyFrames = 0;
    int32_t m_renderMode = 1;
    int32_t m_frameLimit = kEndlessFrames - 1;

    // Contents
    std::vector<std::unique_ptr<CScene>> m_scenes;
    CSceneLink m_mainLink{""};
    CVariableTable m_variables;
    std::vector<std::unique_ptr<CMacro>> m_macros;  // newest last
    std::vector<CCheckpoint> m_checkpoints;
    ReadFileSet m_filesRead;
    std::unordered_map<const CScene*, CScene*> m_loopOf;  // filled by Link

    // The placed copies GetImage handed out in image mode 24, and MAIN's own images it
    // handed out in image mode 32 (made in the hand-over form), until ReleaseImage.
    std::mutex m_placedLock;
    std::unordered_set<const CImageBuffer*> m_placed;
    // A scene may hand the same image to several callers at once: each is counted.
    std::unordered_multiset<const CImageBuffer*> m_handedThrough;

    ScenarioErrorCallback m_errorCallback;
    ScenarioQuestionCallback m_questionCallback;
};
