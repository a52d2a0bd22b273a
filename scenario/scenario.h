#pragma once
// The scenario document: header settings, variables, macros, checkpoints, the
// scenes built from the blocks and the link to MAIN. Load reads a scenario file
// (and the files it includes, and the macro expansions it calls) into it; Link
// turns the names into a checked scene graph; WriteScenario writes it back in
// canonical form.
//
// Texts read from the scenario (names, words, file names) stay code page 932
// bytes; paths of the file system (the scenario path, folders, the resolved audio
// path) are UTF-8. Every message handed to the error callback is UTF-8.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/report.h"
#include "image/image_buffer.h"
#include "scenario/expression.h"
#include "scenario/source.h"
#include "scene/scene.h"

class CMacro;

// A CHECKPOINT entry: CT gives the time, CF the frame; Link fills in the other.
struct CCheckpoint {
    int32_t time = -1;   // milliseconds, -1 = not given
    int32_t frame = -1;  // -1 = not given
    CColor color{255, 255, 255, 255};
};

// Receives one finished error text (UTF-8).
using ScenarioErrorCallback = std::function<void(const std::string& text)>;
// Asks a yes/no question (UTF-8) and returns the answer.
using ScenarioQuestionCallback = std::function<AskAnswer(const std::string& text)>;

// Bits of ReadInteger's checks.
inline constexpr int kCheckUpper = 1;
inline constexpr int kCheckLower = 2;
inline constexpr int kCheckBoth = kCheckUpper | kCheckLower;

// Capacity of every keyword and name buffer of the parsers: a word of this many
// bytes or more does not fit with its terminator.
inline constexpr size_t kWordCapacity = 256;
// ReadWord capacity meaning "no buffer": the word is returned whatever its length.
inline constexpr size_t kUnbounded = 0;

// Nesting limits: INCLUDE files and macro expansions being read inside each other.
inline constexpr int kMaxIncludeDepth = 64;
inline constexpr int kMaxCallDepth = 64;

// Limits on what INCLUDE statements may read into one document, so that files
// including the next one several times each (a fan-out without a loop) end with
// an error instead of being read billions of times.
inline constexpr int64_t kMaxIncludes = 10000;
inline constexpr int64_t kMaxIncludedBytes = int64_t{256} << 20;

// Deepest chain of blocks using blocks that Link accepts from MAIN down: frames are
// asked through the chain recursively, one stack frame per block.
inline constexpr size_t kMaxBlockDepth = 1000;
// Most blocks MAIN's graph may unfold to, counting a block once for every use.
inline constexpr int64_t kMaxUnfoldedBlocks = 100000;

// Limits on what macro calls may produce in one document, so that calls fanning
// out into further calls end with an error instead of running for ages.
inline constexpr int64_t kMaxExpansions = 100000;
inline constexpr int64_t kMaxExpandedBytes = int64_t{16} << 20;
// Bytes the substitutions of all expansions of one document may scan.
inline constexpr int64_t kMaxExpansionWork = int64_t{1} << 30;

// The size above which Load asks before reading a scenario file.
inline constexpr int64_t kScenarioSizeQuestion = 10485760;

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
    // process's current directory). 0 or -1; the first error has been reported.
    int Load(const std::string& path);
    // Resolves names, checks the graph, computes counts and totals. 0 or -1.
    int Link();
    // Writes the canonical text (code page 932, CR LF). 0 or -1.
    int WriteScenario(const std::string& path);
    // The canonical text WriteScenario writes, with `file_name` in its header.
    std::string DumpScenario(const std::string& file_name);

    // ---- reading operations used by the block parsers ----

    // Cuts a word up to one of `delimiters` into *out. Reports "不明なエラーが発生
    // しました。" when there is none, and with a capacity other than kUnbounded
    // "一時バッファをオーバーフローしました。" when the word and its terminator
    // exceed it.
    bool ReadWord(std::string* out, CScenarioSource& source, const char* delimiters,
                  size_t capacity = kWordCapacity);
    // A literal or an expression, checked against the limits selected by `checks`
    // (kCheckUpper, kCheckLower; both inclusive). `label` (UTF-8) names the value
    // in the messages. 0 or -1.
    int ReadInteger(int32_t* out, CScenarioSource& source, const char* label, int checks,
                    int32_t lower, int32_t upper);
    int ReadValue(int32_t* out, CScenarioSource& source, const char* label) {
        return ReadInteger(out, source, label, 0, 0, 0);
    }
    // A string between double quotes holding no tab, newline, "}" or quote.
    bool ReadQuotedString(std::string* out, CScenarioSource& source, const char* label);
    // Composes the report (with file name and line when there is a source) and
    // hands it to the error callback. `message` is UTF-8.
    void ReportError(std::string_view message, const CScenarioSource* source);

    // Folder (file-system form) of the file being read; every scene records it.
    const std::string& CurrentFolder() const { return m_currentFolder; }
    void SetContainsMovie() { m_containsMovie = true; }
    void SetMusicLinkUsed() { m_musicLinkUsed = true; }

    // ---- SceneOwner ----
    int32_t GetScreenWidth() const override { return m_screenWidth; }
    int32_t GetScreenHeight() const override { return m_screenHeight; }

    // ---- accessors ----
    const std::string& VersionText() const { return m_versionText; }
    int32_t EngineVersion() const { return 1; }
    int32_t Version() const { return m_version; }
    const std::string& ScenarioPath() const { return m_scenarioPath; }
    const std::string& AudioPath() const { return m_audioPath; }
    bool ContainsMovie() const { return m_containsMovie; }
    bool MusicLinkUsed() const { return m_musicLinkUsed; }
    int32_t FrameRate() const { return m_framerate; }
    int32_t Scale() const { return m_scale; }
    int32_t PreviewScale() const { return m_previewScale; }
    int32_t BoardBreak() const { return m_boardBreak; }
    int32_t StartFrame() const { return m_startFrame; }
    int32_t TotalFrames() const { return m_totalFrames; }
    int32_t KeyFrames() const { return m_keyFrames; }
    int32_t RenderMode() const { return m_renderMode; }
    void SetRenderMode(int32_t mode) { m_renderMode = mode; }
    const std::vector<CCheckpoint>& Checkpoints() const { return m_checkpoints; }
    const std::vector<std::unique_ptr<CScene>>& Scenes() const { return m_scenes; }
    CSceneLink& MainLink() { return m_mainLink; }
    const CVariableTable& Variables() const { return m_variables; }

    // The first scene named `name` (exact bytes), or none.
    CScene* FindScene(std::string_view name) const;
    // 2 with colour = r*65536 + g*256 + b of the first checkpoint at `frame`, else 0
    // with colour 0xFFFFFF.
    int CheckpointAt(int32_t frame, int32_t* colour) const;
    // The next frame after `frame` that is a checkpoint or a key frame of MAIN, or
    // the total frames.
    int32_t NextMarkedFrame(int32_t frame);
    // The image of one frame of MAIN in the current render mode: 24-bit (with its
    // alpha plane), owned by the document until ReleaseImage. In image mode 32 it
    // is a converted copy and MAIN's own image is handed back at once.
    CImageBuffer* GetImage(int32_t frame, int32_t* runLength, RenderContext* context);
    void ReleaseImage(CImageBuffer* image, int32_t frame);
    // Describes one frame of MAIN (rows of five strings).
    int Describe(int32_t frame, FrameDescription& list);
    // Drops every scene's cached images before a rendering starts.
    void ResetScenes();

private:
    // Reads one file into the document; `skip_main` for included files.
    int LoadFile(const std::string& path, bool skip_main);
    // A file that starts with a UTF-8 byte-order mark becomes code page 932.
    int ConvertUtf8Text(CScenarioSource& source);
    // Preprocesses a source and runs the statement loop over it.
    int ReadSource(CScenarioSource& source, bool skip_main);
    int ReadStatements(CScenarioSource& source, bool skip_main);
    int ReadStatement(CScenarioSource& source, const std::string& word, bool skip_main);
    int ReadVariable(CScenarioSource& source);
    int ReadInclude(CScenarioSource& source);
    int ReadAudio(CScenarioSource& source);
    int ReadCheckpoint(CScenarioSource& source);
    int ReadMacro(CScenarioSource& source);
    int ReadCall(CScenarioSource& source);
    int ReadMain(CScenarioSource& source, bool skip_main);
    int ReadBlock(CScenarioSource& source, std::string_view keyword);
    void ReportText(const std::string& text);
    AskAnswer Ask(const std::string& text);
    CMacro* FindMacro(const std::string& name) const;

    int LinkFail(const std::string& message);
    int LinkLoops();
    int CountReachable();
    int RefuseEndlessMain();
    void ComputeCheckpoints();

    // Settings
    std::string m_versionText;
    int32_t m_version = 1;
    std::string m_scenarioPath;
    std::string m_currentFolder;
    std::string m_audioPath;
    bool m_musicLinkUsed = false;
    bool m_containsMovie = false;
    int32_t m_screenWidth = -1;
    int32_t m_screenHeight = -1;
    int32_t m_boardBreak = 1000;
    int32_t m_totalFrames = 0;
    int32_t m_keyFrames = 0;
    int32_t m_framerate = 30;
    int32_t m_scale = 1;
    int32_t m_previewScale = 4;
    int32_t m_startFrame = 0;
    int32_t m_renderMode = 1;
    int32_t m_frameLimit = kEndlessFrames - 1;

    // Contents
    std::vector<std::unique_ptr<CScene>> m_scenes;
    CSceneLink m_mainLink;
    CVariableTable m_variables;
    std::vector<std::unique_ptr<CMacro>> m_macros;  // newest last
    std::vector<CCheckpoint> m_checkpoints;

    // Reading state
    int m_includeDepth = 0;
    int m_callDepth = 0;
    int64_t m_includes = 0;
    int64_t m_includedBytes = 0;
    int64_t m_expansions = 0;
    int64_t m_expandedBytes = 0;
    int64_t m_expansionWork = kMaxExpansionWork;  // what is left

    ScenarioErrorCallback m_errorCallback;
    ScenarioQuestionCallback m_questionCallback;
};
