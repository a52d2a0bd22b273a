#include "app/message_box.h"

#include <QPushButton>

namespace {

MessageBoxFunction& replacement() {
    static MessageBoxFunction function;
    return function;
}

}  // namespace

QMessageBox::StandardButton show_message_box(QWidget* owner, QMessageBox::Icon icon,
                                             const QString& caption, const QString& text,
                                             QMessageBox::StandardButtons buttons) {
    if (replacement()) return replacement()(owner, icon, caption, text, buttons);
    QMessageBox box(icon, caption, text, buttons, owner);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void set_message_box_function(MessageBoxFunction function) {
    replacement() = std::move(function);
}

QDialogButtonBox* make_ok_cancel_buttons(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}
