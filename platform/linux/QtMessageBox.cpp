#include "platform/linux/QtMessageBox.h"

#include <QMessageBox>
#include <QPointer>

#include "platform/linux/QtArtwork.h"
#include "platform/linux/QtText.h"

namespace drivesmith {

QMessageBox* CreateMessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                              MessageBoxKind kind) {
  auto* box = new QMessageBox(owner);
  box->setTextFormat(Qt::PlainText);
  box->setText(ToDisplayText(text));
  box->setWindowTitle(ToDisplayText(caption));
  if (owner == nullptr) {
    box->setWindowIcon(ApplicationIcon());
  }
  switch (kind) {
    case MessageBoxKind::ErrorOk:
      box->setIcon(QMessageBox::Critical);
      box->setStandardButtons(QMessageBox::Ok);
      break;
    case MessageBoxKind::ExclamationOk:
      box->setIcon(QMessageBox::Warning);
      box->setStandardButtons(QMessageBox::Ok);
      break;
    case MessageBoxKind::ExclamationYesNo:
      box->setIcon(QMessageBox::Warning);
      box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box->setDefaultButton(QMessageBox::Yes);
      break;
  }
  return box;
}

MessageBoxAnswer ShowQtMessageBox(QWidget* owner, const std::string& text,
                                  const std::string& caption, MessageBoxKind kind) {
  QPointer<QMessageBox> box = CreateMessageBox(owner, text, caption, kind);
  box->exec();
  if (box.isNull()) {
    return MessageBoxAnswer::Closed;
  }
  const QAbstractButton* clicked = box->clickedButton();
  // An OK box closed any other way still answers OK.
  MessageBoxAnswer answer = MessageBoxAnswer::Closed;
  if (clicked == nullptr) {
    answer =
        kind == MessageBoxKind::ExclamationYesNo ? MessageBoxAnswer::Closed : MessageBoxAnswer::Ok;
  } else if (clicked == box->button(QMessageBox::Ok)) {
    answer = MessageBoxAnswer::Ok;
  } else if (clicked == box->button(QMessageBox::Yes)) {
    answer = MessageBoxAnswer::Yes;
  } else if (clicked == box->button(QMessageBox::No)) {
    answer = MessageBoxAnswer::No;
  }
  delete box;
  return answer;
}

}  // namespace drivesmith
