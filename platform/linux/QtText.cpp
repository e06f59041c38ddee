#include "platform/linux/QtText.h"

#include <QByteArray>

namespace drivesmith {

QString ToDisplayText(const std::string& text) {
  const std::size_t end = text.find('\0');
  const std::size_t length = end == std::string::npos ? text.size() : end;
  QString display = QString::fromLatin1(text.data(), static_cast<qsizetype>(length));
  display.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return display;
}

std::string FromDisplayText(const QString& text) {
  QString withBreaks = text;
  withBreaks.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  const QByteArray bytes = withBreaks.toLatin1();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace drivesmith
