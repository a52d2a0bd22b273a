#include "app/html_prop.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/message_box.h"

namespace {

QListWidget* make_list(const QStringList& rows, QWidget* parent) {
    auto* list = new QListWidget(parent);
    list->addItems(rows);
    list->setCurrentRow(0);
    list->setFixedHeight(list->sizeHintForRow(0) * rows.size() + 2 * list->frameWidth() + 4);
    return list;
}

}  // namespace

CHTMLProp::CHTMLProp(HtmlSettings* settings, QWidget* parent)
    : QDialog(parent), m_settings(settings) {
    setWindowTitle(QStringLiteral("HTML の設定"));
    *m_settings = HtmlSettings{kHtmlMarkedFrames, 1, false};

    m_frames =
        make_list({QStringLiteral("切り替えフレーム"), QStringLiteral("一定間隔フレーム")}, this);
    m_styles = make_list({QStringLiteral("１列表示"), QStringLiteral("３列表示"),
                          QStringLiteral("５列表示"), QStringLiteral("１列表示 (構成情報)")},
                         this);
    m_open = new QCheckBox(QStringLiteral("出力完了後にブラウザを開く"), this);

    // Frame modes and styles count from 1 in list order.
    connect(m_frames, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) m_settings->frameMode = row + 1;
    });
    connect(m_styles, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) m_settings->style = row + 1;
    });
    connect(m_open, &QCheckBox::toggled, this, [this](bool on) { m_settings->openPage = on; });

    QDialogButtonBox* buttons = make_ok_cancel_buttons(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("出力フレーム"), this));
    layout->addWidget(m_frames);
    layout->addWidget(new QLabel(QStringLiteral("出力スタイル"), this));
    layout->addWidget(m_styles);
    layout->addWidget(m_open);
    layout->addWidget(buttons);
    setFixedWidth(280);
}
