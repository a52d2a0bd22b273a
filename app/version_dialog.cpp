#include "app/version_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/pictures.h"
#include "base/format.h"
#include "base/version.h"
#include "image/image_buffer.h"

namespace {

constexpr char kModeSequence[] = "TALVOREN";
constexpr int kSequenceLength = sizeof(kModeSequence) - 1;

}  // namespace

CVersionDialog::CVersionDialog(QWidget* parent, std::function<bool()> modeSwitchAllowed,
                               std::function<void(int mode)> modeChanged)
    : QDialog(parent),
      m_modeSwitchAllowed(std::move(modeSwitchAllowed)),
      m_modeChanged(std::move(modeChanged)) {
    m_icon = new QLabel(this);
    m_icon->setFixedSize(kPictureCell, kPictureCell);
    m_version = new QLabel(
        QString::fromStdString(format_string("%s (rev%s)", kVersionTitle, kVersionRevision)), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* top = new QHBoxLayout;
    top->addWidget(m_icon);
    top->addSpacing(12);
    top->addWidget(m_version, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(320, 0)));

    ShowMode(get_image_mode());
}

QString CVersionDialog::CaptionFor(int mode) {
    return mode == 24 ? QStringLiteral("バージョン情報 Vemo ： 24Bit モード")
                      : QStringLiteral("バージョン情報 Vemo");
}

QString CVersionDialog::VersionLine() const {
    return m_version->text();
}

void CVersionDialog::ShowMode(int mode) {
    setWindowTitle(CaptionFor(mode));
    m_icon->setPixmap(picture_strip(mode == 24 ? kIconMode24 : kIconMode32));
    setWindowIcon(program_icon(mode));
}

void CVersionDialog::TakeKey(int key) {
    if (key < Qt::Key_A || key > Qt::Key_Z) {
        m_typed.clear();
        return;
    }
    m_typed += QChar(static_cast<char16_t>('A' + (key - Qt::Key_A)));
    if (m_typed.size() > kSequenceLength) m_typed.remove(0, m_typed.size() - kSequenceLength);
    if (m_typed != QLatin1String(kModeSequence)) return;
    m_typed.clear();
    // Frames being made keep the mode they started with.
    if (m_modeSwitchAllowed && !m_modeSwitchAllowed()) return;
    const int mode = get_image_mode() == 32 ? 24 : 32;
    set_image_mode(mode);
    ShowMode(mode);
    if (m_modeChanged) m_modeChanged(mode);
}

// Letters typed while the button has the focus reach here too: the button leaves
// them to its dialog.
void CVersionDialog::keyPressEvent(QKeyEvent* event) {
    TakeKey(event->key());
    QDialog::keyPressEvent(event);
}
