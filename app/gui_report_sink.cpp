#include "app/gui_report_sink.h"

#include "app/info_window.h"
#include "app/message_box.h"
#include "app/ui_thread.h"

namespace {

QString to_qstring(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

void GuiReportSink::StatusLine(std::string_view text) {
    if (m_window) m_window->AppendLine(text);
}

void GuiReportSink::ShowError(std::string_view text) {
    const QString message = to_qstring(text);
    run_on_ui_thread([&] {
        show_message_box(m_owner, QMessageBox::Critical, QString::fromUtf8(kErrorCaption), message);
    });
}

AskAnswer GuiReportSink::Ask(std::string_view text) {
    const QString message = to_qstring(text);
    AskAnswer answer = AskAnswer::No;
    run_on_ui_thread([&] {
        const auto button =
            show_message_box(m_owner, QMessageBox::Question, QString::fromUtf8(kAskCaption),
                             message, QMessageBox::Yes | QMessageBox::No);
        answer = button == QMessageBox::Yes ? AskAnswer::Yes : AskAnswer::No;
    });
    return answer;
}
