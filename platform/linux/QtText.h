#pragma once
// The program's texts are 8-bit C strings with "\r\n" line breaks; Qt's
// controls take Unicode with "\n".

#include <QString>
#include <string>

namespace drivesmith {

// Latin-1, up to the first NUL (the controls take C strings), "\r\n" as "\n".
QString ToDisplayText(const std::string& text);
// Latin-1 (characters outside it become '?'), "\n" as "\r\n".
std::string FromDisplayText(const QString& text);

}  // namespace drivesmith
