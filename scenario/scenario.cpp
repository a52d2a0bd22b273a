// The document: loading files, the statement loop and the header statements.

#include "scenario/scenario.h"

#include <unistd.h>

#include <algorithm>

#include "base/cp932.h"
#include "base/file_check.h"
#include "base/format.h"
#include "scenario/blocks.h"
#include "scenario/macro.h"
#include "scenario/paths.h"

namespace {

constexpr const char* kBadStatement = "不正な記述があります。";

bool is_block_keyword(std::string_view word) {
    static constexpr std::string_view kBlocks[] = {
        "IMAGE",     "TEXT",      "DRAW",  "MOVIE",  "STILL", "ROTATE", "ACTION",
        "ZOOM",      "SLIDE",     "FOCUS", "FILM",   "FADE",  "FADEIN", "FADEOUT",
        "FADEINOUT", "CROSSFADE", "MIX",   "SERIES", "SHAKE", "MOSAIC", "EXPAND",
        "EXPANDIN",  "EXPANDOUT", "CUT",   "ALPHA",  "SHADE",
    };
    return std::find(std::begin(kBlocks), std::end(kBlocks), word) != std::end(kBlocks);
}

// Restores a value when the scope ends, whichever way it is left.
template <typename T>
class Restore {
public:
    explicit Restore(T& slot) : m_slot(slot), m_saved(slot) {}
    ~Restore() { m_slot = std::move(m_saved); }
    Restore(const Restore&) = delete;
    Restore& operator=(const Restore&) = delete;

private:
    T& m_slot;
    T m_saved;
};

}  // namespace

CScenario::CScenario() = default;
CScenario::~CScenario() {
    // Scenes go in declaration order; the links they hold never own their targets.
    for (auto& scene : m_scenes) scene.reset();
}

void CScenario::ReportText(const std::string& text) {
    if (m_errorCallback) {
        m_errorCallback(text);
    } else {
        ErrorBox("%s", text.c_str());
    }
}

AskAnswer CScenario::Ask(const std::string& text) {
    if (m_questionCallback) return m_questionCallback(text);
    return AskBox("%s", text.c_str());
}

int CScenario::Load(const std::string& path) {
    return LoadFile(path, false);
}

int CScenario::LoadFile(const std::string& path, bool skip_main) {
    if (m_scenarioPath.empty()) m_scenarioPath = path;

    CScenarioSource source;
    int code = source.LoadFile(path, kScenarioSizeQuestion);
    if (code == -6) {
        std::string question = format_string(
            "%s\nは、ファイルサイズが異常に大きいと思われます。続けますか？", path.c_str());
        if (Ask(question) == AskAnswer::No) return -1;
        code = source.LoadFile(path, 0);
    }
    if (code == -3) {
        ReportError("シナリオファイルのオープンに失敗しました。", nullptr);
        return -1;
    }
    if (code != 0) {
        ReportError("シナリオファイルのロードに失敗しました。", nullptr);
        return -1;
    }
    if (skip_main) m_includedBytes += source.Length();
    if (ConvertUtf8Text(source) != 0) return -1;

    // Relative names met in this file are taken from its own folder.
    Restore<std::string> folder(m_currentFolder);
    m_currentFolder = folder_of_file(path);

    source.Preprocess();
    return ReadStatements(source, skip_main);
}

int CScenario::ConvertUtf8Text(CScenarioSource& source) {
    static constexpr std::string_view kBom = "\xEF\xBB\xBF";
    std::string_view text = source.Text();
    if (text.substr(0, kBom.size()) != kBom) return 0;
    std::string_view utf8 = text.substr(kBom.size());
    std::string converted;
    size_t bad = 0;
    if (utf8_to_cp932(utf8, &converted, &bad) != 0) {
        int line =
            1 + static_cast<int>(std::count(
                    utf8.begin(),
                    utf8.begin() + static_cast<std::ptrdiff_t>(std::min(bad, utf8.size())), '\n'));
        std::string file = reported_file_name(source.Path());
        ReportText(format_string("シナリオ読み込み時にエラーが発生しました。\n%s : %d行目 :\n%s",
                                 file.c_str(), line,
                                 "シフトJIS (コードページ 932) で表せない文字があります。"));
        return -1;
    }
    source.ReplaceText(std::move(converted));
    return 0;
}

int CScenario::ReadSource(CScenarioSource& source, bool skip_main) {
    source.Preprocess();
    return ReadStatements(source, skip_main);
}

int CScenario::ReadStatements(CScenarioSource& source, bool skip_main) {
    for (;;) {
        if (source.AtEnd()) return 0;
        source.SkipChars(" \t\n");
        if (source.AtEnd()) return 0;
        std::string word;
        if (!ReadWord(&word, source, "( \t\n")) return -1;
        if (ReadStatement(source, word, skip_main) != 0) return -1;
    }
}

int CScenario::ReadStatement(CScenarioSource& source, const std::string& word, bool skip_main) {
    if (word == "$") return ReadVariable(source);
    if (word == "VERSION") {
        return ReadInteger(&m_version, source, "シナリオバージョン", kCheckBoth, 1, 2);
    }
    if (word == "SCREEN" || word == "FOLDER") {
        if (ReadInteger(&m_screenWidth, source, "スクリーン幅", kCheckLower, 0, 0) != 0) return -1;
        return ReadInteger(&m_screenHeight, source, "スクリーン高", kCheckLower, 0, 0);
    }
    if (word == "AUDIO") return ReadAudio(source);
    if (word == "FRAMERATE") {
        return ReadInteger(&m_framerate, source, "フレームレート値", kCheckLower, 0, 0);
    }
    if (word == "SCALE") return ReadInteger(&m_scale, source, "スケール値", kCheckLower, 0, 0);
    if (word == "PREVIEWSCALE") {
        return ReadInteger(&m_previewScale, source, "プレビュー用フレームレート低減率", kCheckLower,
                           0, 0);
    }
    if (word == "BOARDBREAK") {
        return ReadInteger(&m_boardBreak, source, "いたわりモード用期間", kCheckLower, 0, 0);
    }
    if (word == "STARTFRAME") {
        return ReadInteger(&m_startFrame, source, "開始フレーム", kCheckLower, 0, 0);
    }
    if (word == "INCLUDE") return ReadInclude(source);
    if (word == "MACRO") return ReadMacro(source);
    if (word == "CALL") return ReadCall(source);
    if (word == "CHECKPOINT") return ReadCheckpoint(source);
    if (word == "MAIN") return ReadMain(source, skip_main);
    if (is_block_keyword(word)) return ReadBlock(source, word);
    ReportError(format_string("%s の記述はできません。", cp932_to_utf8(word).c_str()), &source);
    return -1;
}

int CScenario::ReadVariable(CScenarioSource& source) {
    if (source.Peek() != '(') {
        ReportError(kBadStatement, &source);
        return -1;
    }
    source.Advance();
    source.SkipChars(" \t\n");
    std::string name;
    if (!ReadWord(&name, source, " \t\n)")) {
        ReportError(kBadStatement, &source);
        return -1;
    }
    source.SkipChars(" \t\n");
    if (source.Peek() != ')') {
        ReportError(kBadStatement, &source);
        return -1;
    }
    source.Advance();
    source.SkipChars(" \t\n");
    if (source.Peek() != '=') {
        ReportError(kBadStatement, &source);
        return -1;
    }
    source.Advance();
    int32_t value = 0;
    if (ReadValue(&value, source, "数値") != 0) {
        ReportError(kBadStatement, &source);
        return -1;
    }
    m_variables.Define(name, format_string("%d", value));
    return 0;
}

int CScenario::ReadAudio(CScenarioSource& source) {
    std::string name;
    if (!ReadQuotedString(&name, source, "オーディオファイル名")) return -1;
    std::string path = resolve_scenario_name(m_currentFolder, name);
    if (!file_opens_for_reading(path)) {
        ReportError("音楽ファイルを開くことができません。", &source);
        return -1;
    }
    m_audioPath = std::move(path);
    return 0;
}

int CScenario::ReadInclude(CScenarioSource& source) {
    if (m_includeDepth >= kMaxIncludeDepth) {
        ReportError(format_string("INCLUDE の入れ子が %d 段を超えています。", kMaxIncludeDepth),
                    &source);
        return -1;
    }
    std::string name;
    if (!ReadQuotedString(&name, source, "ファイル名")) return -1;
    if (m_includes >= kMaxIncludes || m_includedBytes >= kMaxIncludedBytes) {
        ReportError("INCLUDE で読み込むファイルが多すぎます。", &source);
        return -1;
    }
    ++m_includes;
    ++m_includeDepth;
    int result = LoadFile(resolve_scenario_name(m_currentFolder, name), true);
    --m_includeDepth;
    return result;
}

int CScenario::ReadCheckpoint(CScenarioSource& source) {
    source.SkipChars(" \t\n");
    if (source.Peek() != '{') {
        ReportError(kBadStatement, &source);
        return -1;
    }
    source.Advance();
    for (;;) {
        if (source.AtEnd()) return 0;
        source.SkipChars(" \t\n");
        if (source.Peek() == '}') {
            source.Advance();
            return 0;
        }
        std::string word;
        if (!ReadWord(&word, source, " \t\n}")) return -1;
        if (word != "CT" && word != "CF") {
            ReportError(format_string("CHECKPOINT ブロック内では、%s の記述はできません。",
                                      cp932_to_utf8(word).c_str()),
                        &source);
            return -1;
        }
        CCheckpoint entry;
        int32_t value = 0;
        if (ReadInteger(&value, source, "チェックポイント", kCheckLower, 0, 0) != 0) return -1;
        (word == "CT" ? entry.time : entry.frame) = value;
        source.SkipChars(" \t\n");
        if (source.Peek() >= '0' && source.Peek() <= '9') {
            int32_t red = 0, green = 0, blue = 0;
            if (ReadInteger(&red, source, "赤の輝度", kCheckBoth, 0, 255) != 0 ||
                ReadInteger(&green, source, "緑の輝度", kCheckBoth, 0, 255) != 0 ||
                ReadInteger(&blue, source, "青の輝度", kCheckBoth, 0, 255) != 0) {
                return -1;
            }
            entry.color = CColor(static_cast<uint8_t>(red), static_cast<uint8_t>(green),
                                 static_cast<uint8_t>(blue), 255);
        }
        m_checkpoints.push_back(entry);
    }
}

int CScenario::ReadMain(CScenarioSource& source, bool skip_main) {
    if (skip_main) {
        // MAIN belongs to the top-level file; elsewhere it is passed over unread.
        source.SkipTo('}');
        source.Advance();
        return 0;
    }
    if (m_mainLink.m_target) {
        ReportError("複数のMAINブロックが定義されています。", &source);
        return -1;
    }
    return ReadBlock(source, "MAIN");
}

int CScenario::ReadBlock(CScenarioSource& source, std::string_view keyword) {
    std::unique_ptr<CScene> scene = parse_block(*this, source, keyword);
    if (!scene) return -1;
    scene->m_folder = m_currentFolder;
    if (scene->m_type == SCENE_MAIN) m_mainLink.m_target = scene.get();
    m_scenes.push_back(std::move(scene));
    return 0;
}

CScene* CScenario::FindScene(std::string_view name) const {
    for (const auto& scene : m_scenes) {
        if (scene->m_name == name) return scene.get();
    }
    return nullptr;
}

int CScenario::CheckpointAt(int32_t frame, int32_t* colour) const {
    for (const CCheckpoint& entry : m_checkpoints) {
        if (entry.frame == frame) {
            *colour = entry.color.red * 65536 + entry.color.green * 256 + entry.color.blue;
            return 2;
        }
    }
    *colour = 0xFFFFFF;
    return 0;
}

int32_t CScenario::NextMarkedFrame(int32_t frame) {
    int32_t colour = 0;
    for (int64_t f = int64_t{frame} + 1; f < m_totalFrames; ++f) {
        int32_t at = static_cast<int32_t>(f);
        if (CheckpointAt(at, &colour) == 2 || m_mainLink.TestFrame(FRAME_KEY, at) == 1) return at;
    }
    return m_totalFrames;
}

CImageBuffer* CScenario::GetImage(int32_t frame, int32_t* runLength, RenderContext* context) {
    CImageBuffer* image = m_mainLink.GetImage(frame, m_renderMode, runLength, context);
    if (get_image_mode() != 32 || !image) return image;
    CImageBuffer* copy = image->bpp == 32 ? image32_to_24a(image) : duplicate_image(image);
    m_mainLink.ReleaseImage(image, frame);
    return copy;
}

void CScenario::ReleaseImage(CImageBuffer* image, int32_t frame) {
    if (get_image_mode() == 32) {
        delete_image(image);
        return;
    }
    m_mainLink.ReleaseImage(image, frame);
}

int CScenario::Describe(int32_t frame, FrameDescription& list) {
    return m_mainLink.DescribeFrame(frame, 0, list);
}

void CScenario::ResetScenes() {
    for (const auto& scene : m_scenes) scene->ResetCache();
}
