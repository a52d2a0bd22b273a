#include "app/main_dialog.h"

#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>
#include <filesystem>
#include <thread>

#include "app/gui_report_sink.h"
#include "app/image_widgets.h"
#include "app/info_window.h"
#include "app/message_box.h"
#include "app/pictures.h"
#include "app/scenario_dialog.h"
#include "app/version_dialog.h"
#include "base/clock.h"
#include "base/log.h"
#include "base/report.h"
#include "base/version.h"
#include "image/cpu_features.h"
#include "image/image_buffer.h"
#include "output/encoder_probe.h"
#include "render/render.h"
#include "scenario/scenario.h"

namespace {

QString utf8(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

MainDialogOptions machine_options(const std::string& scenarioPath, bool debug) {
    MainDialogOptions options;
    options.scenarioPath = scenarioPath;
    options.debug = debug;
    options.encoderFlags = probe_encoders();
    options.quickTime = quicktime_available();
    options.processors = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    return options;
}

CMainDialog::CMainDialog(const MainDialogOptions& options, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_options(options),
      m_target(this, [this](const ThreadMessage& message) { return HandleRenderMessage(message); }),
      m_chooser(this) {
    BuildControls();
    Initialize(options.scenarioPath);
}

CMainDialog::~CMainDialog() {
    // Normally no creation is left: closing waits for its end. Should one still
    // run, it is stopped and waited for before anything it uses goes away; its
    // messages and reports no longer wait for this thread meanwhile.
    m_target.Close();
    set_report_sink(nullptr);
    if (m_render) {
        m_render->Queue().Post(WM_CTRL_STOP_RENDER, 0);
        m_render->Join();
        m_render.reset();
    }
    m_sink.reset();
    delete m_infoWindow;
    m_infoWindow = nullptr;
    CloseDebugLog();
}

void CMainDialog::BuildControls() {
    setWindowTitle(QStringLiteral("スライドショー映像作成ツール"));
    setFixedSize(545, 300);

    auto place = [this](int id, QWidget* control, int x, int y, int w, int h) {
        control->setGeometry(x, y, w, h);
        m_controls[id] = control;
    };
    auto button = [this, &place](int id, const char* text, int x, int y, int w) {
        auto* b = new QPushButton(QString::fromUtf8(text), this);
        b->setAutoDefault(false);
        place(id, b, x, y, w, 26);
        return b;
    };
    auto box = [this, &place](int id, const char* text, int x, int y, int w) {
        auto* b = new QCheckBox(QString::fromUtf8(text), this);
        place(id, b, x, y, w, 22);
        return b;
    };

    m_statusMessage = new QLabel(this);
    place(kIdStatusMessage, m_statusMessage, 20, 12, 440, 22);
    auto* scenarioCaption = new QLabel(QStringLiteral("シナリオ"), this);
    scenarioCaption->setGeometry(20, 42, 60, 22);
    m_scenarioName = new QLabel(this);
    m_scenarioName->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_scenarioName->setTextInteractionFlags(Qt::TextSelectableByMouse);
    place(kIdScenarioName, m_scenarioName, 90, 42, 370, 22);
    auto* outputCaption = new QLabel(QStringLiteral("出力名"), this);
    outputCaption->setGeometry(20, 72, 60, 22);
    m_outputName = new QLineEdit(this);
    place(kIdOutputName, m_outputName, 90, 72, 220, 24);

    m_open = button(kIdOpen, "シナリオを開く", 20, 106, 120);
    m_info = button(kIdScenarioInfo, "シナリオ情報", 146, 106, 100);
    m_statusButton = button(kIdStatusWindow, "動作状況", 252, 106, 90);
    m_version = button(kIdVersion, "バージョン情報", 348, 106, 112);

    m_previewFrame = new PreviewFrame(this);
    place(kIdPreviewFrame, m_previewFrame, 20, 150, 166, 126);
    m_picture = new StatePicture(this);
    place(kIdPicture, m_picture, 475, 15, 52, 52);

    m_preview = box(kIdPreview, "プレビュー", 200, 148, 120);
    m_progressImage = box(kIdProgressImage, "進捗画像", 200, 170, 120);
    m_gentle = box(kIdGentle, "いたわり", 200, 192, 120);
    m_skip = box(kIdSkip, "まびき", 200, 214, 120);
    m_multiThread = box(kIdMultiThread, "マルチスレッド", 200, 236, 120);
    m_multiThread->setEnabled(false);
    m_avi = box(kIdAvi, "AVI", 330, 148, 120);
    m_windowsMedia = box(kIdWindowsMedia, "Windows Media", 330, 170, 120);
    m_quickTime = box(kIdQuickTime, "QuickTime", 330, 192, 120);
    m_html = box(kIdHtml, "HTML", 330, 214, 120);

    m_progressText = new QLabel(this);
    place(kIdProgressText, m_progressText, 200, 258, 250, 18);
    m_progress = new QProgressBar(this);
    m_progress->setTextVisible(false);
    m_progress->setRange(0, 0);
    m_progress->setValue(0);
    place(kIdProgressBar, m_progress, 200, 278, 260, 14);

    m_create = button(kIdCreate, "作成", 470, 150, 62);
    m_abort = button(kIdAbort, "中止", 470, 182, 62);
    m_exit = button(kIdExit, "終了", 470, 262, 62);

    connect(m_open, &QPushButton::clicked, this, &CMainDialog::OnOpen);
    connect(m_info, &QPushButton::clicked, this, &CMainDialog::OnScenarioInfo);
    connect(m_statusButton, &QPushButton::clicked, this, [this] { m_infoWindow->Toggle(); });
    connect(m_version, &QPushButton::clicked, this, &CMainDialog::OnVersion);
    connect(m_create, &QPushButton::clicked, this, &CMainDialog::OnCreate);
    connect(m_abort, &QPushButton::clicked, this, &CMainDialog::OnAbort);
    connect(m_exit, &QPushButton::clicked, this, &CMainDialog::reject);
    for (QCheckBox* format : {m_avi, m_windowsMedia, m_quickTime, m_html}) {
        connect(format, &QCheckBox::clicked, this, [this, format] { SelectFormat(format); });
    }
}

void CMainDialog::Initialize(const std::string& commandLinePath) {
    SetIcons(get_image_mode());
    OpenDebugLog(m_options.debug);
    m_infoWindow = new CInfoWindow(this);
    m_sink = std::make_unique<GuiReportSink>(this, m_infoWindow);
    set_report_sink(m_sink.get());
    WriteBanner();
    Report("Vemo Version = \"%s\".", kVersionText);
    m_outputName->setText(QStringLiteral("OUTPUT"));

    bool loaded = false;
    if (!commandLinePath.empty()) {
        const std::string path = EnterFolderOf(commandLinePath);
        if (!path.empty()) {
            Report("Scenario file = \"%s\" (by CL&DnD).", path.c_str());
            loaded = LoadScenario(path) == 0;
        }
    }
    if (!loaded) EnterState(DialogState::NoScenario);

    Report("Number of processor = %d.", m_options.processors);
    detect_cpu_features();
    m_avi->setChecked(true);
    SelectFormat(m_avi);
    EnterState(m_state);
}

QWidget* CMainDialog::Control(int id) const {
    auto found = m_controls.find(id);
    return found == m_controls.end() ? nullptr : found->second;
}

int CMainDialog::PictureResource() const {
    return m_picture->Picture();
}

void CMainDialog::SetIcons(int imageMode) {
    setWindowIcon(program_icon(imageMode));
}

void CMainDialog::EnterState(DialogState state) {
    m_state = state;
    const bool idle = state == DialogState::NoScenario || state == DialogState::Ready;
    const bool ready = state == DialogState::Ready;
    const bool busy = state == DialogState::Busy;
    switch (state) {
        case DialogState::NoScenario:
            m_statusMessage->setText(
                QStringLiteral("「シナリオを開く」ボタンでシナリオファイルを選択して下さい。"));
            m_picture->SetPicture(kPictureNoScenario);
            m_scenarioName->clear();
            break;
        case DialogState::Ready:
            m_statusMessage->setText(QStringLiteral("「作成」ボタンで作成処理を開始して下さい。"));
            m_picture->SetPicture(kPictureReady);
            break;
        case DialogState::Busy:
            m_statusMessage->setText(QStringLiteral("作成処理中です。"));
            m_picture->SetPicture(busy_picture_for(process_clock_ms()));
            break;
        case DialogState::Starting:
            break;
    }
    setAcceptDrops(idle);
    m_open->setEnabled(idle);
    m_outputName->setEnabled(idle);
    m_exit->setEnabled(idle);
    m_info->setEnabled(ready);
    m_create->setEnabled(ready);
    m_abort->setEnabled(busy && !m_stopping);
    // Preview and thinning follow the format in both idle states, so that a box
    // the format has cleared cannot be checked again before a scenario is loaded.
    m_preview->setEnabled(idle && !m_html->isChecked());
    m_skip->setEnabled(idle && m_avi->isChecked());
    if (state != DialogState::NoScenario) {
        m_avi->setEnabled(ready);
        m_html->setEnabled(ready);
    }
    m_windowsMedia->setEnabled(idle && (m_options.encoderFlags & kEncoderWindowsMediaVideo));
    m_quickTime->setEnabled(idle && m_options.quickTime);
    m_multiThread->setEnabled(idle && m_options.processors >= 2);
}

void CMainDialog::SelectFormat(QCheckBox* format) {
    // Clicking the checked box checks it again: one format is always chosen.
    for (QCheckBox* other : {m_avi, m_windowsMedia, m_quickTime, m_html}) {
        other->setChecked(other == format);
    }
    const bool multiThread = m_options.processors >= 2;
    if (format == m_avi) {
        m_skip->setEnabled(true);
        m_multiThread->setEnabled(multiThread);
        m_preview->setEnabled(true);
    } else if (format == m_windowsMedia || format == m_quickTime) {
        m_skip->setChecked(false);
        m_skip->setEnabled(false);
        m_multiThread->setEnabled(multiThread);
        m_preview->setEnabled(true);
    } else {
        m_skip->setChecked(false);
        m_skip->setEnabled(false);
        m_preview->setChecked(false);
        m_preview->setEnabled(false);
    }
}

std::string CMainDialog::EnterFolderOf(const std::string& path) {
    // "\" and "/" both separate folders; the last one must exist and not end the path.
    const size_t last = path.find_last_of("/\\");
    if (last == std::string::npos || last + 1 == path.size()) return {};
    // A relative path is taken from where the program stands before it moves.
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error) return {};
    const std::filesystem::path folder = absolute.parent_path();
    std::filesystem::current_path(folder, error);
    if (error) return {};
    return absolute.string();
}

int CMainDialog::LoadScenario(const std::string& path) {
    m_scenario.reset();
    auto scenario = std::make_unique<CScenario>();
    scenario->SetVersionText(kVersionText);
    // A scenario that fails to read or link is not kept: nothing may use it.
    if (scenario->Load(path) != 0 || scenario->Link() != 0) {
        EnterState(DialogState::NoScenario);
        return -1;
    }
    m_scenario = std::move(scenario);
    m_totalFrames = m_scenario->TotalFrames();
    m_scenarioName->setText(utf8(path));
    EnterState(DialogState::Ready);
    return 0;
}

void CMainDialog::DropFiles(const QStringList& paths) {
    if (m_state != DialogState::NoScenario && m_state != DialogState::Ready) return;
    if (paths.size() > 1) {
        show_message_box(this, QMessageBox::Critical, QString::fromUtf8(kErrorCaption),
                         QStringLiteral("複数のファイルのドロップには対応していません。"));
        return;
    }
    if (paths.isEmpty()) return;
    const std::string path = EnterFolderOf(paths.front().toStdString());
    if (path.empty()) {
        show_message_box(
            this, QMessageBox::Critical, QString::fromUtf8(kErrorCaption),
            QStringLiteral("入力のシナリオファイルのパス名が正しく取得できませんでした。"));
        return;
    }
    Report("Scenario file = \"%s\" (by DnD).", path.c_str());
    LoadScenario(path);
}

void CMainDialog::dragEnterEvent(QDragEnterEvent* event) {
    if (acceptDrops() && event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainDialog::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        paths << (url.isLocalFile() ? url.toLocalFile() : url.toString());
    }
    event->acceptProposedAction();
    DropFiles(paths);
}

void CMainDialog::OnOpen() {
    const QString chosen = QFileDialog::getOpenFileName(
        this, QString(), QString(),
        QStringLiteral("シナリオファイル (*.txt);;すべてのファイル (*)"));
    if (chosen.isEmpty()) return;
    const std::string path = chosen.toStdString();
    Report("Scenario file = \"%s\" (by OFD).", path.c_str());
    LoadScenario(path);
}

void CMainDialog::OnScenarioInfo() {
    if (!m_scenario) return;
    CScenarioDialog dialog(m_scenario.get(), this);
    dialog.exec();
}

void CMainDialog::OnVersion() {
    CVersionDialog dialog(
        this, [this] { return !m_creating; }, [this](int mode) { SetIcons(mode); });
    dialog.exec();
}

void CMainDialog::reject() {
    if (!m_creating) {
        QDialog::reject();
        return;
    }
    const auto answer = show_message_box(this, QMessageBox::Warning, QStringLiteral("終了確認"),
                                         QStringLiteral("レンダリング中ですが、終了しますか？"),
                                         QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes) return;
    if (!m_creating) {
        // It ended while the question was open.
        QDialog::reject();
        return;
    }
    // Stopped as Abort stops it, so that the file written so far is closed; the
    // dialog closes once the control thread has ended.
    m_closeRequested = true;
    StopCreation();
}
