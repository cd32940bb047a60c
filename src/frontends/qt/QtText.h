#pragma once

#include <QString>
#include <QTextDocument>
#include <string>

namespace quorvane {

// The program keeps its texts as single bytes, as config.txt stores them. Latin-1 maps every byte to
// one character and back, so a value read from the file survives a trip through a widget unchanged;
// a typed character outside Latin-1 becomes "?".
inline QString ToQt(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string FromQt(const QString& text) {
  return text.toLatin1().toStdString();
}

// Multi-line boxes: the program's lines end with CR LF, a Qt text box's with LF.
inline QString LinesToQt(const std::string& text) {
  return ToQt(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}
inline std::string LinesFromQt(const QString& text) {
  QString lines = text;
  return FromQt(
      lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace('\n', QStringLiteral("\r\n")));
}

// A tool tip that shows the text as it is: Qt would render a tip that looks like HTML (a proxy's
// error page in the status line's tip) as markup.
inline QString PlainTip(const std::string& text) {
  return text.empty() ? QString() : Qt::convertFromPlainText(LinesToQt(text), Qt::WhiteSpaceNormal);
}

}  // namespace quorvane
