#pragma once
// The Windows Media settings dialog: the video and audio bit rates.

#include <QDialog>

#include "output/wm_out.h"

class QListWidget;

class CWindowsMediaProp : public QDialog {
    Q_OBJECT
public:
    // Starts on the rows marked initial and stores every change in `settings` at
    // once. Without music the audio list is disabled.
    CWindowsMediaProp(WindowsMediaSettings* settings, bool music, QWidget* parent);

    QListWidget* VideoList() const { return m_video; }
    QListWidget* AudioList() const { return m_audio; }

private:
    WindowsMediaSettings* m_settings;
    QListWidget* m_video;
    QListWidget* m_audio;
};
