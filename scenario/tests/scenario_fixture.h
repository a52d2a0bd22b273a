#pragma once
// Shared setup of the scenario tests: a private folder for scenario files written
// by the test (code page 932, CR LF or LF), and a document whose error and question
// callbacks are recorded.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/cp932.h"
#include "base/tests/temp_folder.h"
#include "scenario/scenario.h"
#include "scene/scene.h"

class ScenarioTest : public ::testing::Test {
protected:
    void SetUp() override { Record(m_doc); }

    // Records the document's errors and questions in errors_ and questions_.
    void Record(CScenario& doc) {
        doc.SetErrorCallback([this](const std::string& text) { m_errors.push_back(text); });
        doc.SetQuestionCallback([this](const std::string& text) {
            m_questions.push_back(text);
            return m_answer;
        });
    }

    // Writes `utf8` as code page 932 with CR LF (or LF) line ends; returns the path.
    std::string Write(const std::string& name, const std::string& utf8, bool crlf = true) {
        return m_folder.WriteCp932(name, utf8, crlf);
    }
    std::string WriteBytes(const std::string& name, const std::string& bytes) {
        return m_folder.Write(name, bytes);
    }

    // Loads a scenario written from `utf8`; the return value of Load.
    int LoadText(const std::string& utf8, bool crlf = true) {
        return m_doc.Load(Write("scenario.txt", utf8, crlf));
    }

    // The report composed for a message at a line of a file.
    static std::string At(const std::string& file, int line, const std::string& message) {
        return "シナリオ読み込み時にエラーが発生しました。\n" + file + " : " +
               std::to_string(line) + "行目 :\n" + message;
    }
    static std::string NoPlace(const std::string& message) {
        return "シナリオ読み込み時にエラーが発生しました。\n" + message;
    }

    // The scene of that name in the fixture's document, as its class (none when the
    // name or the class differs).
    template <typename T>
    T* Scene(const std::string& name) {
        return dynamic_cast<T*>(m_doc.FindScene(name));
    }
    // Loads `text` into a fresh document that must refuse it; its only report.
    std::string Refused(const std::string& text, bool crlf = true) {
        CScenario doc;
        std::vector<std::string> errors;
        doc.SetErrorCallback([&errors](const std::string& e) { errors.push_back(e); });
        EXPECT_EQ(doc.Load(Write("refused.txt", text, crlf)), -1);
        return errors.size() == 1 ? errors[0] : std::string();
    }
    // A scenario that must be refused, with the line and message of its only report.
    struct Refusal {
        std::string text;
        int line;
        std::string message;
        bool crlf = true;
    };
    void ExpectRefusals(const std::vector<Refusal>& cases) {
        for (const Refusal& c : cases) {
            EXPECT_EQ(Refused(c.text, c.crlf), At("refused.txt", c.line, c.message)) << c.text;
        }
    }

    // Loads `text`, which must be accepted, and compares the blocks named with what
    // Written gives back for them.
    ::testing::AssertionResult Accepts(
        const std::string& text,
        const std::vector<std::pair<std::string, std::string>>& written = {}, bool crlf = true) {
        if (LoadText(text, crlf) != 0) return ::testing::AssertionFailure() << OnlyError();
        for (const auto& [name, expected] : written) EXPECT_EQ(Written(name), expected) << name;
        return ::testing::AssertionSuccess();
    }

    // The block `name` as Dump writes it back (UTF-8, one "\n" per line): its head
    // line, then its statements. The "{" and "# RefCount = 0" lines after the head
    // and the closing "}" are left out once seen; without them the text comes whole.
    // Links of an unlinked document have no screen yet: a rectangle not given reads
    // 0 0 -1 -1.
    std::string Written(const std::string& name) {
        CScene* scene = m_doc.FindScene(name);
        if (!scene) return "(no block " + name + ")";
        CDumpWriter out;
        scene->Dump(out);
        std::string text;
        for (char c : cp932_to_utf8(out.Text())) {
            if (c != '\r') text += c;
        }
        text = text.substr(text.find('\n') + 1);  // the empty line before each block
        const size_t body = text.find('\n') + 1;
        const std::string open = "{\n\t# RefCount = 0\n";
        if (text.compare(body, open.size(), open) != 0 || !text.ends_with("\n}\n")) return text;
        return text.substr(0, body) +
               text.substr(body + open.size(), text.size() - body - open.size() - 2);
    }

    // The only error reported (empty when there was none or more than one).
    std::string OnlyError() const { return m_errors.size() == 1 ? m_errors[0] : std::string(); }

    TempFolder m_folder;
    const std::filesystem::path m_dir = m_folder.Path();
    CScenario m_doc;
    std::vector<std::string> m_errors;
    std::vector<std::string> m_questions;
    AskAnswer m_answer = AskAnswer::No;
};
