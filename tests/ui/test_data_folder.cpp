// The data folder of an installed program: the fallback to the user's own folder, the samples it
// receives once, and what happens when neither folder can be written.

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "test_form1_support.h"
#include "ui/data_folder.h"

using namespace korvala::ui;
using Place = DataFolder::Place;

namespace {

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList measurements(const QString& dir) {
    return QDir(dir).entryList({QStringLiteral("*.spt"), QStringLiteral("*.log")}, QDir::Files,
                               QDir::Name);
}

// A program folder, a user data folder, a home and the bundled samples, all in one temporary
// directory. The program folder starts writable; blockProgramDir() makes "daten" impossible
// there (a file of that name stops even root, unlike a read-only folder).
struct Folders {
    Folders() {
        for (const char* d : {"bin", "home", "samples"}) {
            QDir(root.path()).mkpath(QString::fromLatin1(d));
        }
        QVERIFY(writeFile(samples + QStringLiteral("/sample-7tage.log"), kLog));
        QVERIFY(writeFile(samples + QStringLiteral("/sample.spt"), kSpt));
        QVERIFY(writeFile(samples + QStringLiteral("/liesmich.txt"), "keine Messung\n"));
    }
    void blockProgramDir() const {
        QVERIFY(writeFile(program + QStringLiteral("/daten"), "kein Ordner"));
    }
    DataFolder prepare() const { return prepareDataFolder(program, user, samples, home); }
    QString userDaten() const { return user + QStringLiteral("/daten"); }

    static inline const QByteArray kLog = "/03/12/2026/08:00:00,45\r\n";
    static inline const QByteArray kSpt = "\"spt\",\"Ort A\",\"03.12.26\"\r\n<>\r\n";

    QTemporaryDir root;
    QString program = root.filePath(QStringLiteral("bin"));
    QString user = root.filePath(QStringLiteral("user/korvala"));
    QString home = root.filePath(QStringLiteral("home"));
    QString samples = root.filePath(QStringLiteral("samples"));
};

const QStringList kSampleNames = {QStringLiteral("sample-7tage.log"), QStringLiteral("sample.spt")};

}  // namespace

class TestDataFolder : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void writableProgramFolderKeepsItsData();
    void readOnlyProgramFolderGivesUserFolderWithSamples();
    void secondStartRespectsTheUsersChanges();
    void folderWithOwnFilesGetsNoSamples();
    void missingSamplesAreNoErrorAndComeLater();
    void unwritableUserFolderFallsBackToHome();
    void installedSamplesLieBesideTheProgram();
    void openDialogOfInstalledProgramShowsSamples();
};

void TestDataFolder::writableProgramFolderKeepsItsData() {
    Folders f;
    const DataFolder folder = f.prepare();
    QCOMPARE(folder.place, Place::Program);
    QCOMPARE(folder.path, f.program + QStringLiteral("/daten"));
    QVERIFY(QFileInfo(folder.path).isDir());
    QVERIFY(folder.copiedSamples.isEmpty());
    QVERIFY(measurements(folder.path).isEmpty());
    // The user's folder is not even created.
    QVERIFY(!QFileInfo::exists(f.user));
}

void TestDataFolder::readOnlyProgramFolderGivesUserFolderWithSamples() {
    Folders f;
    f.blockProgramDir();
    // Installed samples belong to root and are read-only.
    QFile::setPermissions(f.samples + QStringLiteral("/sample.spt"),
                          QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    const DataFolder folder = f.prepare();
    QCOMPARE(folder.place, Place::User);
    QCOMPARE(folder.path, f.userDaten());
    QCOMPARE(folder.copiedSamples, kSampleNames);
    QCOMPARE(measurements(folder.path), kSampleNames);
    QVERIFY(!QFileInfo::exists(folder.path + QStringLiteral("/liesmich.txt")));
    QCOMPARE(readFile(folder.path + QStringLiteral("/sample-7tage.log")), Folders::kLog);
    QCOMPARE(readFile(folder.path + QStringLiteral("/sample.spt")), Folders::kSpt);
    QVERIFY(QFile::permissions(folder.path + QStringLiteral("/sample.spt")) &
            QFileDevice::WriteOwner);
    // The program folder's blocking file is left alone.
    QCOMPARE(readFile(f.program + QStringLiteral("/daten")), QByteArray("kein Ordner"));
}

void TestDataFolder::secondStartRespectsTheUsersChanges() {
    Folders f;
    f.blockProgramDir();
    QCOMPARE(f.prepare().copiedSamples, kSampleNames);
    const QString daten = f.userDaten();

    // The user deletes one sample and edits the other.
    QVERIFY(QFile::remove(daten + QStringLiteral("/sample-7tage.log")));
    QVERIFY(writeFile(daten + QStringLiteral("/sample.spt"), "geändert"));
    DataFolder again = f.prepare();
    QCOMPARE(again.place, Place::User);
    QVERIFY(again.copiedSamples.isEmpty());
    QCOMPARE(measurements(daten), QStringList{QStringLiteral("sample.spt")});
    QCOMPARE(readFile(daten + QStringLiteral("/sample.spt")), QByteArray("geändert"));

    // Even an emptied folder stays empty: the samples were offered once.
    QVERIFY(QFile::remove(daten + QStringLiteral("/sample.spt")));
    again = f.prepare();
    QVERIFY(again.copiedSamples.isEmpty());
    QVERIFY(measurements(daten).isEmpty());
}

void TestDataFolder::folderWithOwnFilesGetsNoSamples() {
    Folders f;
    f.blockProgramDir();
    const QString daten = f.userDaten();
    QVERIFY(QDir().mkpath(daten));
    // A file of the user's own under a sample's name, from an earlier version of the program.
    QVERIFY(writeFile(daten + QStringLiteral("/sample.spt"), "meine Messung"));
    const DataFolder folder = f.prepare();
    QCOMPARE(folder.place, Place::User);
    QVERIFY(folder.copiedSamples.isEmpty());
    QCOMPARE(measurements(daten), QStringList{QStringLiteral("sample.spt")});
    QCOMPARE(readFile(daten + QStringLiteral("/sample.spt")), QByteArray("meine Messung"));
    // Once the user empties the folder, the samples do not turn up either.
    QVERIFY(QFile::remove(daten + QStringLiteral("/sample.spt")));
    QVERIFY(f.prepare().copiedSamples.isEmpty());
    QVERIFY(measurements(daten).isEmpty());

    // Other files (notes, a report) do not make a folder "used".
    Folders g;
    g.blockProgramDir();
    QVERIFY(QDir().mkpath(g.userDaten()));
    QVERIFY(writeFile(g.userDaten() + QStringLiteral("/notiz.txt"), "x"));
    QCOMPARE(g.prepare().copiedSamples, kSampleNames);
}

void TestDataFolder::missingSamplesAreNoErrorAndComeLater() {
    Folders f;
    f.blockProgramDir();
    QVERIFY(QDir(f.samples).removeRecursively());
    DataFolder folder = f.prepare();
    QCOMPARE(folder.place, Place::User);
    QCOMPARE(folder.path, f.userDaten());
    QVERIFY(QFileInfo(folder.path).isWritable());
    QVERIFY(folder.copiedSamples.isEmpty());
    // A repaired installation still fills the folder, since it never got anything.
    QVERIFY(QDir().mkpath(f.samples));
    QVERIFY(writeFile(f.samples + QStringLiteral("/sample.spt"), Folders::kSpt));
    folder = f.prepare();
    QCOMPARE(folder.copiedSamples, QStringList{QStringLiteral("sample.spt")});
}

void TestDataFolder::unwritableUserFolderFallsBackToHome() {
    Folders f;
    f.blockProgramDir();
    // The user data folder cannot be created: a file sits where its parent should be.
    QVERIFY(writeFile(f.root.filePath(QStringLiteral("user")), "kein Ordner"));
    const DataFolder folder = f.prepare();
    QCOMPARE(folder.place, Place::Home);
    QCOMPARE(folder.path, f.home);
    QVERIFY(folder.copiedSamples.isEmpty());
    QVERIFY(measurements(f.home).isEmpty());
    // No user folder known at all.
    QCOMPARE(prepareDataFolder(f.program, QString(), f.samples, f.home).path, f.home);
}

void TestDataFolder::installedSamplesLieBesideTheProgram() {
    QCOMPARE(installedSamplesDir(QStringLiteral("/usr/bin")),
             QStringLiteral("/usr/share/korvala/data"));
    QCOMPARE(installedSamplesDir(QStringLiteral("/opt/korvala/bin/")),
             QStringLiteral("/opt/korvala/share/korvala/data"));
}

void TestDataFolder::openDialogOfInstalledProgramShowsSamples() {
    Folders f;
    f.blockProgramDir();
    // Test mode points the user's data folder into ~/.qttest; start from a clean one.
    const QString userBase = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    QVERIFY(!userBase.isEmpty());
    QDir(userBase).removeRecursively();
    const auto cleanUp = qScopeGuard([&] { QDir(userBase).removeRecursively(); });

    ScriptedDialogs dialogs;
    Form1Options options;
    options.showSplash = false;
    options.today = [] { return korvala::ui::test::kToday; };
    options.programDir = f.program;
    options.samplesDir = f.samples;
    Form1 form(dialogs, options);
    form.open_Click();
    const auto opened = dialogs.callsOf(ScriptedDialogs::Kind::OpenFile);
    QCOMPARE(opened.size(), std::size_t(1));
    QCOMPARE(opened[0].dir, QDir(userBase).filePath(QStringLiteral("daten")));
    QCOMPARE(measurements(opened[0].dir), kSampleNames);
    QVERIFY(dialogs.messages().isEmpty());
}

QTEST_MAIN(TestDataFolder)
#include "test_data_folder.moc"
