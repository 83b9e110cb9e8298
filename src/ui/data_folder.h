#pragma once
// Where the file dialogs start, and the samples a new user finds there.
// A program run from its own (writable) folder keeps its data beside it in "daten"; an installed
// program cannot write there, so each user gets a "daten" folder of their own, which receives a
// copy of the bundled samples on first use so "Öffnen" has something to show.

#include <QString>
#include <QStringList>

namespace korvala::ui {

struct DataFolder {
    enum class Place {
        Program,  // <program folder>/daten
        User,     // <user data folder>/daten
        Home,     // neither could be created: the home folder, to browse from
    };
    QString path;
    Place place = Place::Program;
    // Names of the samples copied into the folder by this call (none on later starts).
    QStringList copiedSamples;
};

// Name of the hidden file that records that a user folder is no longer new: it received the
// samples, or it held files of the user's own. A user who deletes the samples does not get them
// back.
inline constexpr const char* kSamplesCopiedMarker = ".beispiele-kopiert";

// Picks the data folder: `programDir`/daten when it can be created and written, otherwise
// `userDataDir`/daten, otherwise `homeDir`. A new user folder (no measurement in it, no marker)
// gets a copy of the measurement files in `samplesDir`. Existing
// files are never replaced; a copy that fails leaves the folder usable and is not reported.
DataFolder prepareDataFolder(const QString& programDir, const QString& userDataDir,
                             const QString& samplesDir, const QString& homeDir);

// The samples of an installed program: <program folder>/../share/korvala/data.
QString installedSamplesDir(const QString& programDir);

}  // namespace korvala::ui
