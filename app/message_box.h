#pragma once
// Every message box of the program goes through show_message_box, so that a test
// can answer the boxes (and see what they said) without a person at the screen.
// UI thread only.

#include <QDialog>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QString>
#include <functional>

using MessageBoxFunction = std::function<QMessageBox::StandardButton(
    QWidget* owner, QMessageBox::Icon icon, const QString& caption, const QString& text,
    QMessageBox::StandardButtons buttons)>;

// Shows a modal box owned by `owner` and returns the button pressed.
QMessageBox::StandardButton show_message_box(
    QWidget* owner, QMessageBox::Icon icon, const QString& caption, const QString& text,
    QMessageBox::StandardButtons buttons = QMessageBox::Ok);

// Replaces the boxes by `function` (none: real boxes again).
void set_message_box_function(MessageBoxFunction function);

// The settings dialogs' "OK" / "キャンセル" row, accepting or rejecting `dialog`.
QDialogButtonBox* make_ok_cancel_buttons(QDialog* dialog);
