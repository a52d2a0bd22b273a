// The statement loop: loading files, header statements, variables, INCLUDE,
// CHECKPOINT, MAIN and the dispatch of block keywords to their grammars.

#include <unistd.h>

#include <algorithm>

#include "base/cp932.h"
#include "base/file_check.h"
#include "base/format.h"
#include "scenario/blocks.h"
#include "scenario/paths.h"
#include "scenario/reader.h"
#include "scene/keywords.h"

namespace {

constexpr const char* kBadStatement = "不正な記述があります。";

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

int CScenario::Load(const std::string& path) {
    CScenarioReader reader(*this);
    return reader.LoadFile(path, false);
}

int CScenarioReader::LoadFile(const std::string& path, bool skipMain) {
    if (m_doc.m_scenarioPath.empty()) m_doc.m_scenarioPath = path;

    CScenarioSource source;
    int code = source.LoadFile(path, kScenarioSizeQuestion);
    if (code == -6) {
        std::string question = format_string(
            "%s\nは、ファイルサイズが異常に大きいと思われます。続けますか？", path.c_str());
        if (m_doc.Ask(question) == AskAnswer::No) return -1;
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
    if (skipMain) m_includedBytes += source.Length();
    if (ConvertUtf8Text(source) != 0) return -1;

    // Relative names met in this file are taken from its own folder.
    Restore<std::string> folder(m_currentFolder);
    m_currentFolder = folder_of_file(path);

    source.Preprocess();
    return ReadStatements(source, skipMain);
}

int CScenarioReader::ConvertUtf8Text(CScenarioSource& source) {
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
        m_doc.ReportText(format_string(
            "シナリオ読み込み時にエラーが発生しました。\n%s : %d行目 :\n%s", file.c_str(), line,
            "シフトJIS (コードページ 932) で表せない文字があります。"));
        return -1;
    }
    source.ReplaceText(std::move(converted));
    return 0;
}

int CScenarioReader::ReadStatements(CScenarioSource& source, bool skipMain) {
    for (;;) {
        if (source.AtEnd()) return 0;
        source.SkipChars(" \t\n");
        if (source.AtEnd()) return 0;
        std::string word;
        if (!ReadWord(&word, source, "( \t\n")) return -1;
        if (ReadStatement(source, word, skipMain) != 0) return -1;
    }
}

int CScenarioReader::ReadStatement(CScenarioSource& source, const std::string& word,
                                   bool skipMain) {
    if (word == "$") return ReadVariable(source);
    if (word == "VERSION") {
        return ReadInteger(&m_doc.m_header.version, source, "シナリオバージョン", kCheckBoth, 1, 2);
    }
    if (word == "SCREEN" || word == "FOLDER") {
        if (ReadInteger(&m_doc.m_header.screenWidth, source, "スクリーン幅", kCheckLower, 0, 0) !=
            0)
            return -1;
        return ReadInteger(&m_doc.m_header.screenHeight, source, "スクリーン高", kCheckLower, 0, 0);
    }
    if (word == "AUDIO") return ReadAudio(source);
    if (word == "FRAMERATE") {
        return ReadInteger(&m_doc.m_header.framerate, source, "フレームレート値", kCheckLower, 0,
                           0);
    }
    if (word == "SCALE")
        return ReadInteger(&m_doc.m_header.scale, source, "スケール値", kCheckLower, 0, 0);
    if (word == "PREVIEWSCALE") {
        return ReadInteger(&m_doc.m_header.previewScale, source, "プレビュー用フレームレート低減率",
                           kCheckLower, 0, 0);
    }
    if (word == "BOARDBREAK") {
        return ReadInteger(&m_doc.m_header.boardBreak, source, "いたわりモード用期間", kCheckLower,
                           0, 0);
    }
    if (word == "STARTFRAME") {
        return ReadInteger(&m_doc.m_header.startFrame, source, "開始フレーム", kCheckLower, 0, 0);
    }
    if (word == "INCLUDE") return ReadInclude(source);
    if (word == "MACRO") return ReadMacro(source);
    if (word == "CALL") return ReadCall(source);
    if (word == "CHECKPOINT") return ReadCheckpoint(source);
    if (word == "MAIN") return ReadMain(source, skipMain);
    if (find_block_keyword(word)) return ReadBlock(source, word);
    ReportError(format_string("%s の記述はできません。", cp932_to_utf8(word).c_str()), &source);
    return -1;
}

int CScenarioReader::ReadVariable(CScenarioSource& source) {
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
    m_doc.m_variables.Define(name, format_string("%d", value));
    return 0;
}

int CScenarioReader::ReadAudio(CScenarioSource& source) {
    std::string name;
    if (!ReadQuotedString(&name, source, "オーディオファイル名")) return -1;
    std::string path = resolve_scenario_name(m_currentFolder, name);
    if (!file_opens_for_reading(path)) {
        ReportError("音楽ファイルを開くことができません。", &source);
        return -1;
    }
    m_doc.m_header.audioPath = std::move(path);
    return 0;
}

int CScenarioReader::ReadInclude(CScenarioSource& source) {
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

int CScenarioReader::ReadCheckpoint(CScenarioSource& source) {
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
        m_doc.m_checkpoints.push_back(entry);
    }
}

int CScenarioReader::ReadMain(CScenarioSource& source, bool skipMain) {
    if (skipMain) {
        // MAIN belongs to the top-level file; elsewhere it is passed over unread.
        source.SkipTo('}');
        source.Advance();
        return 0;
    }
    if (m_doc.MainScene()) {
        ReportError("複数のMAINブロックが定義されています。", &source);
        return -1;
    }
    return ReadBlock(source, "MAIN");
}

int CScenarioReader::ReadBlock(CScenarioSource& source, std::string_view keyword) {
    std::unique_ptr<CScene> scene = parse_block(*this, source, keyword);
    if (!scene) return -1;
    scene->SetFolder(m_currentFolder);
    m_doc.AddScene(std::move(scene));
    return 0;
}
