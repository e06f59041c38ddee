#pragma once
// The logo picture of the dialog: a sunken picture that reports single
// clicks. The second press of a double click is not a click.

#include <QLabel>

namespace drivesmith {

class QtLogoLabel : public QLabel {
  Q_OBJECT

 public:
  explicit QtLogoLabel(QWidget* parent);

 signals:
  void clicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  bool pressed_ = false;
};

}  // namespace drivesmith
