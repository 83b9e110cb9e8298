#include "ui/data_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace korvala::ui {

namespace {

const QStringList kMeasurementPatterns = {QStringLiteral("*.spt"), QStringLiteral("*.log")};

// A folder that exists (or could be made) and takes new files.
bool usableFolder(const QString& path) {
    return QDir().mkpath(path) && QFileInfo(path).isDir() && QFileInfo(path).isWritable();
}

bool holdsMeasurements(const QDir& dir) {
    return !dir.entryList(kMeasurementPatterns, QDir::Files | QDir::Hidden).isEmpty();
}

QStringList copySamples(const QDir& target, const QString& samplesDir) {
    QStringList copied;
    const QDir source(samplesDir);
    if (samplesDir.isEmpty() || !source.exists()) {
        return copied;
    }
    for (const QString& name : source.entryList(kMeasurementPatterns, QDir::Files, QDir::Name)) {
        const QString to = target.filePath(name);
        // QFile::copy never replaces an existing file.
        if (QFileInfo::exists(to) || !QFile::copy(source.filePath(name), to)) {
            continue;
        }
        // Installed samples are read-only; the user's copy is theirs to change.
        QFile::setPermissions(
            to, QFile::permissions(to) | QFileDevice::WriteOwner | QFileDevice::ReadOwner);
        copied << name;
    }
    return copied;
}

}  // namespace

DataFolder prepareDataFolder(const QString& programDir, const QString& userDataDir,
                             const QString& samplesDir, const QString& homeDir) {
    DataFolder result;
    const QString beside = QDir(programDir).filePath(QStringLiteral("daten"));
    if (!programDir.isEmpty() && usableFolder(beside)) {
        result.path = beside;
        result.place = DataFolder::Place::Program;
        return result;
    }
    const QString own = QDir(userDataDir).filePath(QStringLiteral("daten"));
    if (userDataDir.isEmpty() || !usableFolder(own)) {
        // Nowhere to keep data: the dialogs still open somewhere the user can browse from, and a
        // failed save says why.
        result.path = homeDir;
        result.place = DataFolder::Place::Home;
        return result;
    }
    result.path = own;
    result.place = DataFolder::Place::User;
    const QDir dir(own);
    const QString marker = dir.filePath(QString::fromLatin1(kSamplesCopiedMarker));
    if (QFileInfo::exists(marker)) {
        return result;
    }
    // A folder that already holds the user's own files is no new folder: it never gets the
    // samples, not even after the user has emptied it. Without samples to copy (a broken
    // installation) the next start tries again.
    const bool ownFiles = holdsMeasurements(dir);
    if (!ownFiles) {
        result.copiedSamples = copySamples(dir, samplesDir);
    }
    if (ownFiles || !result.copiedSamples.isEmpty()) {
        QFile note(marker);
        if (note.open(QIODevice::WriteOnly)) {
            note.write("Korvala kopiert die Beispielmessungen nicht noch einmal hierher.\n");
        }
    }
    return result;
}

QString installedSamplesDir(const QString& programDir) {
    return QDir::cleanPath(QDir(programDir).filePath(QStringLiteral("../share/korvala/data")));
}

}  // namespace korvala::ui
