#pragma once
// File names go to the core in the file system's own bytes and come back the same way, so a
// name that is not valid UTF-8 (a Latin-1 byte on a UTF-8 system) still opens and saves. Texts
// shown to the user are UTF-8 whatever the system's encoding.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <string>

namespace korvala::ui {

inline std::string nativePath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

inline QString shownPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

}  // namespace korvala::ui
