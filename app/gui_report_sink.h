#pragma once
// The desktop program's half of the reporting calls: status lines go to the
// status window (from any thread, without waiting), errors and questions become
// message boxes owned by the main dialog, shown on the UI thread while the
// calling thread waits.

#include <QPointer>
#include <QWidget>

#include "base/report.h"

class CInfoWindow;

class GuiReportSink : public ReportSink {
public:
    GuiReportSink(QWidget* owner, CInfoWindow* window) : m_owner(owner), m_window(window) {}
    void StatusLine(std::string_view text) override;
    void ShowError(std::string_view text) override;
    AskAnswer Ask(std::string_view text) override;

private:
    QPointer<QWidget> m_owner;
    CInfoWindow* m_window;
};
