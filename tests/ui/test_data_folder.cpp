// The data folder of an installed program: the fallback to the user's own folder, the samples it
// receives once, and what happens when neither folder can be written.

#include "test_form1_support.h"
#include "ui/data_folder.h"

using namespace korvala::ui;
using namespace korvala::ui::test;
using Place = DataFolder::Place;

namespace {

const QByteArray kLog = "/03/12/2026/08:00:00,45\r\n";
const QStringList kSamples = {QStringLiteral("sample-7tage.log"), QStringLiteral("sample.spt")};

QStringList measurements(const QString& dir) {
    return QDir(dir).entryList({QStringLiteral("*.spt"), QStringLiteral("*.log")}, QDir::Files,
                               QDir::Name);
}

// A program folder, a user data folder, a home and the bundled samples in one temporary folder.
// An installed program cannot create "daten" beside itself: a file of that name stands in for
// the read-only folder (it stops even root).
struct Folders {
    explicit Folders(bool installed = true) {
        for (const char* d : {"bin", "home", "samples"}) {
            QDir(root.path()).mkpath(QString::fromLatin1(d));
        }
        saveBytes(samples + QStringLiteral("/sample-7tage.log"), kLog);
        saveBytes(samples + QStringLiteral("/sample.spt"), smallSpt());
        saveBytes(samples + QStringLiteral("/liesmich.txt"), "keine Messung\n");
        if (installed) {
            saveBytes(program + QStringLiteral("/daten"), "kein Ordner");
        }
    }
    DataFolder prepare() const { return prepareDataFolder(program, user, samples, home); }

    QTemporaryDir root;
    QString program = root.filePath(QStringLiteral("bin"));
    QString user = root.filePath(QStringLiteral("user/korvala"));
    QString daten = user + QStringLiteral("/daten");
    QString home = root.filePath(QStringLiteral("home"));
    QString samples = root.filePath(QStringLiteral("samples"));
};

}  // namespace

class TestDataFolder : public QObject {
    Q_OBJECT

  private slots:
    // The first folder that takes files holds the data: beside the program, else the user's own
    // (see below), else the home folder.
    void theFirstWritableFolderHoldsTheData() {
        Folders beside(false);
        QCOMPARE(beside.prepare().place, Place::Program);
        QVERIFY(QFileInfo(beside.program + QStringLiteral("/daten")).isDir());
        QVERIFY(!QFileInfo::exists(beside.user));
        Folders f;
        QVERIFY(saveBytes(f.root.filePath(QStringLiteral("user")), "kein Ordner"));
        const DataFolder folder = f.prepare();
        QCOMPARE(folder.place, Place::Home);
        QCOMPARE(folder.path, f.home);
        QVERIFY(measurements(f.home).isEmpty());
        QCOMPARE(prepareDataFolder(f.program, QString(), f.samples, f.home).path, f.home);
    }

    void installedProgramGivesTheUserAFolderWithSamplesOnce() {
        Folders f;
        // Installed samples belong to root and are read-only; the copies are the user's.
        QFile::setPermissions(f.samples + QStringLiteral("/sample.spt"), QFileDevice::ReadOwner);
        DataFolder folder = f.prepare();
        QCOMPARE(folder.place, Place::User);
        QCOMPARE(folder.path, f.daten);
        QCOMPARE(folder.copiedSamples, kSamples);
        QCOMPARE(measurements(f.daten), kSamples);
        QCOMPARE(fileBytes(f.daten + QStringLiteral("/sample.spt")), smallSpt());
        QVERIFY(QFile::permissions(f.daten + QStringLiteral("/sample.spt")) &
                QFileDevice::WriteOwner);

        // The user deletes one sample and edits the other; later starts respect that, even once
        // the folder is empty.
        QVERIFY(QFile::remove(f.daten + QStringLiteral("/sample-7tage.log")));
        QVERIFY(saveBytes(f.daten + QStringLiteral("/sample.spt"), "geändert"));
        QVERIFY(f.prepare().copiedSamples.isEmpty());
        QCOMPARE(fileBytes(f.daten + QStringLiteral("/sample.spt")), QByteArray("geändert"));
        QVERIFY(QFile::remove(f.daten + QStringLiteral("/sample.spt")));
        QVERIFY(f.prepare().copiedSamples.isEmpty());
        QVERIFY(measurements(f.daten).isEmpty());
    }

    // A folder with the user's own measurements never gets the samples; other files (notes, a
    // report) do not count. Without samples to copy (a broken installation) the next start tries
    // again.
    void samplesOnlyForAFolderWithoutMeasurements() {
        Folders f;
        QVERIFY(QDir().mkpath(f.daten));
        QVERIFY(saveBytes(f.daten + QStringLiteral("/sample.spt"), "meine Messung"));
        QVERIFY(f.prepare().copiedSamples.isEmpty());
        QCOMPARE(fileBytes(f.daten + QStringLiteral("/sample.spt")), QByteArray("meine Messung"));
        QCOMPARE(measurements(f.daten), QStringList{QStringLiteral("sample.spt")});
        Folders g;
        QVERIFY(QDir().mkpath(g.daten));
        QVERIFY(saveBytes(g.daten + QStringLiteral("/notiz.txt"), "x"));
        QVERIFY(QDir(g.samples).removeRecursively());
        QVERIFY(g.prepare().copiedSamples.isEmpty());
        QVERIFY(QDir().mkpath(g.samples));
        QVERIFY(saveBytes(g.samples + QStringLiteral("/sample.spt"), smallSpt()));
        QCOMPARE(g.prepare().copiedSamples, QStringList{QStringLiteral("sample.spt")});
    }

    void openDialogOfInstalledProgramShowsSamples() {
        QCOMPARE(installedSamplesDir(QStringLiteral("/opt/korvala/bin/")),
                 QStringLiteral("/opt/korvala/share/korvala/data"));
        Folders f;
        // Test mode points the user's data folder into ~/.qttest; start from a clean one.
        QStandardPaths::setTestModeEnabled(true);
        const QString base = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
        QDir(base).removeRecursively();
        const auto cleanUp = qScopeGuard([&] { QDir(base).removeRecursively(); });
        ScriptedDialogs dialogs;
        Form1Options options;
        options.showSplash = false;
        options.programDir = f.program;
        options.samplesDir = f.samples;
        Form1 form(dialogs, options);
        form.open_Click();
        const auto opened = dialogs.callsOf(ScriptedDialogs::Kind::OpenFile);
        QCOMPARE(opened.at(0).dir, QDir(base).filePath(QStringLiteral("daten")));
        QCOMPARE(measurements(opened[0].dir), kSamples);
    }
};

QTEST_MAIN(TestDataFolder)
#include "test_data_folder.moc"
