// What the window program refuses, warns about and explains: site texts a .spt cannot hold on
// every save path, the headless report over its own input or from a file with broken lines, and
// the serial port's reasons in German.

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>

#include "device/qt/qt_serial_link.h"
#include "test_form1_support.h"

using namespace korvala;
using namespace korvala::ui;
using namespace korvala::ui::test;
using Kind = ScriptedDialogs::Kind;

namespace {

const QByteArray kLog = "/03/12/2026/08:00:00,45\r\n/03/12/2026/09:00:00,55\r\n";

struct Finished {
    int code = -1;
    QString err;
};

Finished headlessPdf(const QString& out, const QString& input) {
    QProcess p;
    p.start(QStringLiteral(KORVALA_APP), {QStringLiteral("--pdf"), out, input});
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardError())};
}

}  // namespace

class TestSafeguards : public QObject {
    Q_OBJECT

  private slots:
    void savePathsWarnBeforeLosingText_data();
    void savePathsWarnBeforeLosingText();
    void headlessPdfRefusesItsInputAndNamesRejectedLines();
    void serialOpenErrorsAreGerman_data();
    void serialOpenErrorsAreGerman();
};

void TestSafeguards::savePathsWarnBeforeLosingText_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("agree");
    for (const char* path : {"Speichern", "Speichern unter", "Beenden"}) {
        QTest::addRow("%s, Ja", path) << QString::fromLatin1(path) << true;
        QTest::addRow("%s, Nein", path) << QString::fromLatin1(path) << false;
    }
}

void TestSafeguards::savePathsWarnBeforeLosingText() {
    QFETCH(QString, path);
    QFETCH(bool, agree);
    WindowFixture fx;
    Form1& f = *fx.form;
    fx.open(QStringLiteral("messung.spt"), smallSpt());
    const QString opened = fx.dir.filePath(QStringLiteral("messung.spt"));
    const QString other = fx.dir.filePath(QStringLiteral("neu.spt"));
    fx.typeLocation(QStringLiteral("Ort A"));
    // A remark line holding the marker would end the remark there in the file.
    f.Text5->setPlainText(QStringLiteral("Zeile\nmit <> mitten\nEnde"));
    const QString written = path == QLatin1String("Speichern unter") ? other : opened;
    if (path == QLatin1String("Beenden")) {
        fx.dialogs.answers.push_back(Answer::Yes);  // the save question
    }
    fx.dialogs.answers.push_back(agree ? Answer::Yes : Answer::No);
    if (agree && path == QLatin1String("Speichern unter")) {
        fx.dialogs.fileAnswers.push_back(other);
    }
    (path == QLatin1String("Speichern")         ? f.act_save
     : path == QLatin1String("Speichern unter") ? f.act_saveas
                                                : f.act_exit)
        ->trigger();

    std::vector<ScriptedDialogs::Call> warnings;
    for (const auto& call : fx.dialogs.callsOf(Kind::Ask)) {
        if (call.title == QLatin1String("Speichern")) {
            warnings.push_back(call);
        }
    }
    QCOMPARE(warnings.size(), std::size_t(1));
    QCOMPARE(warnings[0].buttons, Buttons::YesNo);
    QVERIFY2(warnings[0].text.contains(QStringLiteral(
                 "\nBemerkung: \"Zeile ↵ mit <> mitt\" statt \"Zeile ↵ mit <> mitten ↵ Ende\"")),
             qPrintable(warnings[0].text));
    QVERIFY(warnings[0].text.endsWith(QStringLiteral("\n\nTrotzdem speichern?")));
    QCOMPARE(WindowFixture::read(written) != (written == opened ? smallSpt() : QByteArray()),
             agree);
    QCOMPARE(f.session().saved(), agree);
    QCOMPARE(fx.dialogs.unanswered, 0);
}

void TestSafeguards::headlessPdfRefusesItsInputAndNamesRejectedLines() {
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("m.log"));
    const QByteArray bytes = kLog + "/03/12/2026/9:7:xx,50\r\n";
    QFile f(log);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    f.close();
    const QString link = dir.filePath(QStringLiteral("bericht.pdf"));
    QVERIFY(QFile::link(log, link));
    Finished r = headlessPdf(link, log);
    QCOMPARE(r.code, 3);
    QVERIFY2(r.err.contains(QStringLiteral("ist die Messdatei, aus der gelesen wird")),
             qPrintable(r.err));
    QCOMPARE(WindowFixture::read(log), bytes);
    r = headlessPdf(dir.filePath(QStringLiteral("neu.pdf")), log);
    QCOMPARE(r.code, 0);
    QVERIFY2(
        r.err.contains(QStringLiteral("Falsches Format! 1 Zeile konnte nicht gelesen werden.")),
        qPrintable(r.err));
}

void TestSafeguards::serialOpenErrorsAreGerman_data() {
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing")
        << "/dev/korvala-no-such-port"
        << QString::fromUtf8("Die Schnittstelle gibt es nicht (Gerät nicht angeschlossen?).");
    QTest::newRow("no serial port") << "/dev/null"
                                    << QString::fromUtf8(
                                           "Das Gerät ist keine serielle Schnittstelle oder kann "
                                           "nicht auf 19200 Baud, 8N1 gestellt werden.");
}

void TestSafeguards::serialOpenErrorsAreGerman() {
    QFETCH(QString, port);
    QFETCH(QString, reason);
    QtSerialLink link({port});
    QVERIFY(!link.open(1));
    QCOMPARE(link.lastError(), reason);
}

QTEST_MAIN(TestSafeguards)
#include "test_safeguards.moc"
