#pragma once
// The HTML settings dialog: which frames the storyboard shows, its style, and
// whether the finished page is opened.

#include <QDialog>

#include "output/html_out.h"

class QCheckBox;
class QListWidget;

class CHTMLProp : public QDialog {
    Q_OBJECT
public:
    // Every change is stored in `settings` at once; the dialog starts on the first
    // rows with the box clear, and stores that start too.
    CHTMLProp(HtmlSettings* settings, QWidget* parent);

    QListWidget* FrameList() const { return m_frames; }
    QListWidget* StyleList() const { return m_styles; }
    QCheckBox* OpenBox() const { return m_open; }

private:
    HtmlSettings* m_settings;
    QListWidget* m_frames;
    QListWidget* m_styles;
    QCheckBox* m_open;
};
