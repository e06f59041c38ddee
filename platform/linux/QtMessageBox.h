#pragma once
// The program's message boxes on Qt: an OK box with the error icon, an OK box
// with the exclamation icon, and a Yes/No question with the exclamation icon.

#include <QString>
#include <string>

#include "ui/MessageBox.h"

class QMessageBox;
class QWidget;

namespace drivesmith {

// Builds the box with its text, caption, icon and buttons; `owner` may be
// null for a box without owner window.
QMessageBox* CreateMessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                              MessageBoxKind kind);

// Shows the box modally and returns the answer.
MessageBoxAnswer ShowQtMessageBox(QWidget* owner, const std::string& text,
                                  const std::string& caption, MessageBoxKind kind);

}  // namespace drivesmith
