#include "platform/linux/QtLogoLabel.h"

#include <QMouseEvent>

namespace drivesmith {

QtLogoLabel::QtLogoLabel(QWidget* parent) : QLabel(parent) {}

void QtLogoLabel::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  event->accept();
}

void QtLogoLabel::mouseReleaseEvent(QMouseEvent* event) {
  const bool click =
      pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  event->accept();
  if (click) {
    emit clicked();
  }
}

void QtLogoLabel::mouseDoubleClickEvent(QMouseEvent* event) {
  // The press that completes a double click is not a click of its own.
  pressed_ = false;
  event->accept();
}

}  // namespace drivesmith
