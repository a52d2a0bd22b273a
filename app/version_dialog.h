#pragma once
// The version dialog: the program's icon and version line. Typing the eight
// letters of the key sequence switches the image mode between 32 and 24 bits,
// with the caption and the icons to match; not while a creation runs, when the
// frames being made must keep one mode.

#include <QDialog>
#include <QString>
#include <functional>

class QLabel;

class CVersionDialog : public QDialog {
    Q_OBJECT
public:
    // `modeSwitchAllowed` answers whether the mode may change now; `modeChanged`
    // is told the new mode (the main dialog changes its icons).
    CVersionDialog(QWidget* parent, std::function<bool()> modeSwitchAllowed,
                   std::function<void(int mode)> modeChanged);

    // The caption of an image mode.
    static QString CaptionFor(int mode);
    QLabel* IconLabel() const { return m_icon; }
    QString VersionLine() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Takes one key code; switches the mode when the last eight spell the sequence.
    void TakeKey(int key);
    void ShowMode(int mode);

    std::function<bool()> m_modeSwitchAllowed;
    std::function<void(int)> m_modeChanged;
    QLabel* m_icon;
    QLabel* m_version;
    QString m_typed;  // the last eight letters typed
};
