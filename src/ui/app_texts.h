#pragma once
// Fixed texts of the program that more than one window shows.

#include <QString>

#include "version.h"

namespace korvala::ui {

// The program's title has a line break between the product and its model name; window titles
// cannot hold one, so they show it with a blank instead.
inline QString programTitle() {
    return QStringLiteral("Korvala\r\n7 Tage SD ZX");
}
inline QString programTitleOneLine() {
    return QStringLiteral("Korvala 7 Tage SD ZX");
}
inline QString mainWindowTitle() {
    return QStringLiteral("Korvala 7 Tage SD ZX");
}
inline QString versionText() {
    return QStringLiteral("Version %1 Beta").arg(QString::fromLatin1(kVersion));
}
inline QString makerName() {
    return QStringLiteral("Nordlicht Verkehrsmesstechnik GmbH");
}
inline QString releaseYear() {
    return QStringLiteral("2026");
}
// Five lines: company, street, town, telephone, fax.
inline QString makerContact() {
    return QStringLiteral(
        "Nordlicht Verkehrsmesstechnik GmbH\r\n"
        "Am Messfeld 12\r\n"
        "12345 Beispielstadt\r\n"
        "Tel.: 0123 / 45 67 89-0\r\n"
        "Fax: 0123 / 45 67 89-99");
}

// CR LF and lone CR become "\n", which is what Qt's text widgets use as the line break.
inline QString toQtLineBreaks(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}
inline QString toCrLf(QString text) {
    text = toQtLineBreaks(std::move(text));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

}  // namespace korvala::ui
