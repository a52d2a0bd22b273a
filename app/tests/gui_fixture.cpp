#include "app/tests/gui_fixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <fstream>

#include "app/message_box.h"
#include "base/cp932.h"

TestFolder::TestFolder() : m_previousCurrent(QDir::currentPath()) {}

TestFolder::~TestFolder() {
    QDir::setCurrent(m_previousCurrent);
}

std::string TestFolder::WriteScenario(const std::string& name, const std::string& utf8) const {
    std::string cp932;
    utf8_to_cp932(utf8, &cp932);
    const std::string path = *this / name;
    std::ofstream(path, std::ios::binary) << cp932;
    return path;
}

BoxAnswers::BoxAnswers() {
    set_message_box_function([this](QWidget*, QMessageBox::Icon icon, const QString& caption,
                                    const QString& text, QMessageBox::StandardButtons buttons) {
        m_shown.push_back({icon, caption, text});
        if (m_action && caption == m_actionCaption) m_action();
        if (!(buttons & QMessageBox::Yes)) return QMessageBox::Ok;
        if (m_answers.empty()) return QMessageBox::No;
        const QMessageBox::StandardButton answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    });
}

BoxAnswers::~BoxAnswers() {
    set_message_box_function(nullptr);
}

void BoxAnswers::OnCaption(const QString& caption, std::function<void()> action) {
    m_actionCaption = caption;
    m_action = std::move(action);
}

bool BoxAnswers::HasCaption(const QString& caption) const {
    for (const ShownBox& box : m_shown) {
        if (box.caption == caption) return true;
    }
    return false;
}

DialogAcceptor::DialogAcceptor(std::function<void(QDialog*)> prepare)
    : m_prepare(std::move(prepare)), m_timer(new QTimer) {
    QObject::connect(m_timer, &QTimer::timeout, [this] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) return;
        ++m_handled;
        if (m_prepare) m_prepare(dialog);
        dialog->accept();
    });
    m_timer->start(20);
}

DialogAcceptor::~DialogAcceptor() {
    delete m_timer;
}

void click(const CMainDialog& dialog, int id) {
    QWidget* widget = dialog.Control(id);
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(8, widget->height() / 2));
}

MainDialogOptions test_options(const std::string& scenarioPath) {
    MainDialogOptions options;
    options.scenarioPath = scenarioPath;
    options.encoderFlags = 7;
    options.quickTime = true;
    options.processors = 2;
    return options;
}

bool save_screenshot(QWidget* widget, const QString& name) {
    const QString folder = QStringLiteral(VEMO_ARTIFACT_DIR);
    QDir().mkpath(folder);
    return widget->grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

std::string small_scenario(int frames) {
    return "SCREEN 64 48\nFRAMERATE 30\n"
           "DRAW \"箱\" { SIZE 64 48 COLOR 255 255 255 255 RECT { POINT 0 0 POINT 63 47 FILL } }\n"
           "STILL \"静\" { INPUT \"箱\" FRAMES " +
           std::to_string(frames) +
           " }\n"
           "MAIN { INPUT \"静\" }\n";
}
