#include "app/windows_media_prop.h"

#include <QDialogButtonBox>
#include <QFont>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/message_box.h"

namespace {

// Fills a list from its rows; the row marked initial is selected and its rate
// stored.
template <size_t N>
QListWidget* make_rate_list(const BitrateRow (&rows)[N], uint32_t* rate, QWidget* parent) {
    auto* list = new QListWidget(parent);
    QFont fixed(QStringLiteral("monospace"));
    fixed.setStyleHint(QFont::TypeWriter);
    list->setFont(fixed);  // the rows line up their figures with blanks
    for (const BitrateRow& row : rows) {
        list->addItem(QString::fromUtf8(row.text));
        if (row.initial) {
            list->setCurrentRow(list->count() - 1);
            *rate = row.bitsPerSecond;
        }
    }
    QObject::connect(list, &QListWidget::currentRowChanged, list, [rate, &rows](int row) {
        if (row >= 0 && row < static_cast<int>(N)) *rate = rows[row].bitsPerSecond;
    });
    list->setFixedHeight(list->sizeHintForRow(0) * static_cast<int>(N) + 2 * list->frameWidth() +
                         4);
    return list;
}

}  // namespace

CWindowsMediaProp::CWindowsMediaProp(WindowsMediaSettings* settings, bool music, QWidget* parent)
    : QDialog(parent), m_settings(settings) {
    setWindowTitle(QStringLiteral("Windows Meida の設定"));
    m_video = make_rate_list(kWindowsMediaVideoRows, &m_settings->videoBitrate, this);
    m_audio = make_rate_list(kWindowsMediaAudioRows, &m_settings->audioBitrate, this);
    m_audio->setEnabled(music);

    QDialogButtonBox* buttons = make_ok_cancel_buttons(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("ビデオのビットレート"), this));
    layout->addWidget(m_video);
    layout->addWidget(new QLabel(QStringLiteral("オーディオのビットレート"), this));
    layout->addWidget(m_audio);
    layout->addWidget(buttons);
    setFixedWidth(260);
}
