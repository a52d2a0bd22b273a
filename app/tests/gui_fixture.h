#pragma once
// What the dialog tests share: scenarios written on the spot in code page 932,
// message boxes answered and recorded instead of shown, settings dialogs accepted
// as they open, and screenshots kept in the build's artifacts/gui folder.

#include <QDialog>
#include <QMessageBox>
#include <QString>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/main_dialog.h"

// A fresh folder; the process's current directory is put back when it goes.
class TestFolder {
public:
    TestFolder();
    ~TestFolder();
    std::string Path() const { return m_dir.path().toStdString(); }
    std::string operator/(const std::string& name) const { return Path() + "/" + name; }
    // Writes `utf8` converted to code page 932 as `name`; its path.
    std::string WriteScenario(const std::string& name, const std::string& utf8) const;

private:
    QTemporaryDir m_dir;
    QString m_previousCurrent;
};

// One message box as it would have been shown.
struct ShownBox {
    QMessageBox::Icon icon;
    QString caption;
    QString text;
};

// Answers every message box while it lives: questions with the next queued
// answer (No when none is queued), others with OK.
class BoxAnswers {
public:
    BoxAnswers();
    ~BoxAnswers();
    void Queue(QMessageBox::StandardButton answer) { m_answers.push_back(answer); }
    // Runs just before the box of the given caption is answered.
    void OnCaption(const QString& caption, std::function<void()> action);
    const std::vector<ShownBox>& Shown() const { return m_shown; }
    bool HasCaption(const QString& caption) const;
    void Clear() { m_shown.clear(); }

private:
    std::deque<QMessageBox::StandardButton> m_answers;
    std::vector<ShownBox> m_shown;
    QString m_actionCaption;
    std::function<void()> m_action;
};

// Accepts each modal dialog that opens while it lives, after handing it to
// `prepare` (which may change its choices or take a screenshot).
class DialogAcceptor {
public:
    explicit DialogAcceptor(std::function<void(QDialog*)> prepare = {});
    ~DialogAcceptor();
    int Handled() const { return m_handled; }

private:
    std::function<void(QDialog*)> m_prepare;
    int m_handled = 0;
    class QTimer* m_timer;
};

// The main dialog's control `id` as its class.
template <typename T>
T* control(const CMainDialog& dialog, int id) {
    return static_cast<T*>(dialog.Control(id));
}

// Clicks the main dialog's control `id` near its left edge: a check box takes
// clicks on its box and label only.
void click(const CMainDialog& dialog, int id);

// Options of a machine with every format and two processors.
MainDialogOptions test_options(const std::string& scenarioPath = "");

// Saves a picture of `widget` as artifacts/gui/<name>.png; false when it cannot.
bool save_screenshot(QWidget* widget, const QString& name);

// A small scenario: a white box shown 30 frames, then a caption over it.
std::string small_scenario(int frames = 30);
