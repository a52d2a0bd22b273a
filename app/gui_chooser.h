#pragma once
// The settings dialogs the control thread asks for before it makes the writer:
// each runs modally on the UI thread while the control thread waits.

#include <QPointer>
#include <QWidget>

#include "render/render_param.h"

class GuiChooser : public RenderChooser {
public:
    // `owner`: the parent of the dialogs (the main dialog).
    explicit GuiChooser(QWidget* owner) : m_owner(owner) {}

    bool ChooseCompressor(CompressorSettings* settings) override;
    bool ChooseWindowsMedia(WindowsMediaSettings* settings, bool music) override;
    bool ChooseHtml(HtmlSettings* settings) override;

private:
    QPointer<QWidget> m_owner;
};
