// The main dialog's side of a creation: the settings record, the control thread's
// start, its progress and the outcome, Abort.

#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>

#include "app/image_widgets.h"
#include "app/main_dialog.h"
#include "app/message_box.h"
#include "app/pictures.h"
#include "base/clock.h"
#include "base/format.h"
#include "base/report.h"
#include "output/encoder_probe.h"
#include "render/outcome_text.h"
#include "render/render.h"
#include "scenario/scenario.h"

namespace {

constexpr QSize kPreviewSize(160, 120);

QMessageBox::Icon icon_of(OutcomeKind kind) {
    switch (kind) {
        case OutcomeKind::Information:
            return QMessageBox::Information;
        case OutcomeKind::Warning:
            return QMessageBox::Warning;
        default:
            return QMessageBox::Critical;
    }
}

}  // namespace

void CMainDialog::OnCreate() {
    if (m_outputName->text().isEmpty()) {
        show_message_box(this, QMessageBox::Critical, QString::fromUtf8(kErrorCaption),
                         QStringLiteral("出力のファイル名が設定されていません。"));
        return;
    }
    if (!m_scenario || m_creating) return;
    ReapRender();  // the thread of the last creation, should it not be freed yet
    EnterState(DialogState::Starting);
    m_stopping = false;
    m_closeRequested = false;
    if (SetUpRenderingData() != 0) {
        // The control thread could not be started: nothing runs, the scenario stays.
        m_render.reset();
        show_message_box(this, icon_of(outcome_kind(kOutcomeThreads)),
                         QString::fromUtf8(outcome_caption(kOutcomeThreads)),
                         QString::fromStdString(outcome_text(kOutcomeThreads, 0, false)));
        EnterState(DialogState::Ready);
        return;
    }
    m_creating = true;
}

int32_t CMainDialog::PreviewStep() const {
    return m_scenario && m_scenario->RenderMode() == 2 ? std::max(m_scenario->PreviewScale(), 1)
                                                       : 1;
}

int CMainDialog::SetUpRenderingData() {
    Report("Setting up rendering data");
    if (m_preview->isChecked()) {
        m_scenario->SetRenderMode(2);
        Report("+ Preview rendering mode : Yes.");
        Report("+ Preview scale = %d.", m_scenario->PreviewScale());
    } else {
        m_scenario->SetRenderMode(1);
        Report("+ Preview rendering mode : No.");
    }
    m_progress->setRange(0, m_totalFrames / PreviewStep());
    m_param.skip = m_skip->isChecked() ? 1 : 0;
    Report(m_param.skip ? "+ Skip rendering mode : Yes." : "+ Skip rendering mode : No.");

    m_param.scenario = m_scenario.get();
    m_param.drawImage = nullptr;
    m_param.frameBytes =
        frame_bytes_of(m_scenario->GetScreenWidth(), m_scenario->GetScreenHeight());
    m_param.owner = &m_target;
    // The gentle mode as the box stands; the progress handler keeps it up to date.
    m_param.gentle = m_gentle->isChecked() ? 1 : 0;
    m_param.encoderFlags = m_options.encoderFlags;
    m_param.outputUrl.clear();
    m_param.chooser = &m_chooser;
    const std::string name = m_outputName->text().toStdString();
    if (m_windowsMedia->isChecked()) {
        m_param.outputName = name + ".wmv";
        m_param.format = kFormatWindowsMedia;
        Report("+ Output format : WindowsMedia.");
    } else if (m_quickTime->isChecked()) {
        m_param.outputName = name + ".mov";
        m_param.format = kFormatQuickTime;
        Report("+ Output format : QuickTime.");
    } else if (!m_html->isChecked()) {
        m_statusMessage->setText(QStringLiteral("コンプレッサを選択して下さい。"));
        m_param.outputName = name + ".avi";
        m_param.format = kFormatAvi;
        Report("+ Output format : AVI.");
    } else {
        m_param.outputName = name;
        m_param.format = kFormatHtml;
        Report("+ Output format : HTML.");
    }
    if (m_multiThread->isChecked()) {
        m_param.threadCount = m_options.processors;
        Report("+ Multi-thread rendering mode : Yes.");
    } else {
        m_param.threadCount = 1;
        Report("+ Multi-thread rendering mode : No.");
    }

    m_render = std::make_unique<CRender>();
    if (!m_render->Start()) {
        Report("-> Error.");
        return -1;
    }
    m_render->Queue().Post(WM_CTRL_INIT_RENDER, reinterpret_cast<uintptr_t>(&m_param));
    Report("-> OK.");
    return 0;
}

intptr_t CMainDialog::HandleRenderMessage(const ThreadMessage& message) {
    switch (message.number) {
        case WM_RENDER_READY:
            OnRenderReady();
            break;
        case WM_RENDER_PROGRESS:
            OnRenderProgress(static_cast<int32_t>(message.param));
            break;
        case WM_OPEN_OUTPUT:
            OnOpenOutput();
            break;
        case WM_RENDER_FINISHED:
            OnRenderFinished(static_cast<int>(message.param));
            break;
        default:
            break;
    }
    return 0;
}

void CMainDialog::OnRenderReady() {
    if (!m_render) return;
    EnterState(DialogState::Busy);
    if (m_stopping) m_statusMessage->setText(QStringLiteral("処理を中止しています。"));
    m_startClock = process_clock_ms();
    // Even after a stop the control thread is started: it notices the stop at the
    // end of the first batch and closes the file.
    m_render->Queue().Post(WM_CTRL_START_RENDER, 0);
}

void CMainDialog::OnRenderProgress(int32_t frame) {
    // The image is the control thread's, valid while it waits for this call; the
    // last progress message comes without one.
    CImageBuffer* image = m_param.drawImage.load();
    if (m_progressImage->isChecked() && image) DrawPreview(image);
    m_param.gentle = m_gentle->isChecked() ? 1 : 0;
    const int32_t step = PreviewStep();
    const int64_t elapsed = (process_clock_ms() - m_startClock) / 1000;
    m_progressText->setText(
        QString::fromStdString(format_string("%d / %d : ( %d 秒経過 )", frame / step + 1,
                                             m_totalFrames / step, static_cast<int>(elapsed))));
    m_progress->setValue(std::min(frame / step + 1, m_progress->maximum()));
    m_picture->SetCounter(m_picture->Counter() + 1);
}

int CMainDialog::DrawPreview(const CImageBuffer* image) {
    const QImage converted = to_qimage(image);
    if (converted.isNull()) return -1;
    m_previewFrame->SetImage(converted, kPreviewSize);
    return 0;
}

void CMainDialog::OnOpenOutput() {
    QDesktopServices::openUrl(QUrl(QString::fromStdString(m_param.outputUrl)));
}

void CMainDialog::OnAbort() {
    const auto answer =
        show_message_box(this, QMessageBox::Question, QStringLiteral("作成処理の中止"),
                         QStringLiteral("作成処理を中止します。よろしいですか？"),
                         QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes) return;
    // The creation may have ended while the question was open: its thread takes
    // no more messages.
    if (!m_creating || m_stopping) return;
    StopCreation();
}

void CMainDialog::StopCreation() {
    if (!m_render || m_stopping) return;
    m_stopping = true;
    Report("Stopping rendering");
    m_statusMessage->setText(QStringLiteral("処理を中止しています。"));
    m_abort->setEnabled(false);
    m_render->Queue().Post(WM_CTRL_STOP_RENDER, 0);
    Report("-> OK.");
}

void CMainDialog::OnRenderFinished(int outcome) {
    Report("Finishing rendering");
    m_endClock = process_clock_ms();
    m_picture->SetPicture(kPictureFinished);
    m_picture->SetCounter(0);
    m_picture->repaint();
    const double seconds = static_cast<double>(m_endClock - m_startClock) / 1000.0;
    const bool preview = m_scenario && m_scenario->RenderMode() == 2;
    // A creation stopped because the program is closing ends without its box.
    if (!m_closeRequested) {
        show_message_box(this, icon_of(outcome_kind(outcome)),
                         QString::fromUtf8(outcome_caption(outcome)),
                         QString::fromStdString(outcome_text(outcome, seconds, preview)));
    }
    m_creating = false;
    m_stopping = false;
    EnterState(DialogState::Ready);
    m_progressText->clear();
    m_progress->setValue(0);
    Report("-> OK.");
    // The control thread ends as soon as this call returns.
    QMetaObject::invokeMethod(this, &CMainDialog::ReapRender, Qt::QueuedConnection);
}

void CMainDialog::ReapRender() {
    if (m_creating) return;  // a new creation already owns the thread
    if (m_render) {
        m_render->Join();
        m_render.reset();
    }
    if (m_closeRequested) {
        m_closeRequested = false;
        QDialog::reject();
    }
}
