#include "app/gui_chooser.h"

#include "app/compressor_chooser.h"
#include "app/html_prop.h"
#include "app/ui_thread.h"
#include "app/windows_media_prop.h"

bool GuiChooser::ChooseCompressor(CompressorSettings* settings) {
    bool chosen = false;
    run_on_ui_thread([&] {
        CompressorChooser dialog(m_owner);
        chosen = dialog.exec() == QDialog::Accepted;
        if (chosen) *settings = dialog.Settings();
    });
    return chosen;
}

bool GuiChooser::ChooseWindowsMedia(WindowsMediaSettings* settings, bool music) {
    bool chosen = false;
    run_on_ui_thread([&] {
        CWindowsMediaProp dialog(settings, music, m_owner);
        chosen = dialog.exec() == QDialog::Accepted;
    });
    return chosen;
}

bool GuiChooser::ChooseHtml(HtmlSettings* settings) {
    bool chosen = false;
    run_on_ui_thread([&] {
        CHTMLProp dialog(settings, m_owner);
        chosen = dialog.exec() == QDialog::Accepted;
    });
    return chosen;
}
