// The pictures of the user guide: `korvala --screenshot` opens the dialogs itself and must close
// them again, so a run that waits for a click (a dialog missed, a message box nobody expected)
// shows up here as a hang instead of in tools/screenshots.sh.

#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Built next to the tests (one runtime output folder for every target).
QString program() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/korvala");
}

struct Run {
    bool finished = false;
    int exitCode = -1;
    QString errors;
};

Run shoot(const QString& dir, const QString& compareFile) {
    QProcess p;
    p.start(program(), {QStringLiteral("--no-splash"), QStringLiteral("--screenshot"), dir,
                        QStringLiteral("--compare"), compareFile,
                        QStringLiteral(KORVALA_DATA_DIR "/sample-7tage.log")});
    Run run;
    run.finished = p.waitForFinished(60000);
    if (!run.finished) {
        p.kill();
        p.waitForFinished();
        return run;
    }
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.errors = QString::fromLocal8Bit(p.readAllStandardError());
    return run;
}

// A picture of an unpainted widget is one flat colour; a page or a dialog has text and frames.
int coloursIn(const QImage& image) {
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3) {
        for (int x = 0; x < image.width(); x += 3) {
            colours.insert(image.pixel(x, y));
        }
    }
    return int(colours.size());
}

}  // namespace

class TestScreenshots : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void everyPictureIsDrawn();
    void failedComparisonEndsTheRun();
};

void TestScreenshots::init() {
    if (!QFileInfo(program()).isExecutable()) {
        QSKIP("the window program is not built");
    }
}

void TestScreenshots::everyPictureIsDrawn() {
    QTemporaryDir dir;
    const Run run = shoot(dir.path(), QStringLiteral(KORVALA_DATA_DIR "/sample.spt"));
    QVERIFY2(run.finished, "korvala --screenshot did not end by itself");
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));

    const QImage window(dir.filePath(QStringLiteral("tab4.png")));
    QVERIFY(!window.isNull());
    for (const char* name : {"tab0", "tab1", "tab2", "tab3", "tab4", "clock", "preview", "compare",
                             "debug", "splash", "about"}) {
        const QImage picture(dir.filePath(QString::fromLatin1(name) + QStringLiteral(".png")));
        QVERIFY2(!picture.isNull(), name);
        QVERIFY2(coloursIn(picture) > 8, name);
    }
    // The dialogs are pictures of the dialogs, not of the window behind them.
    for (const char* name : {"clock", "preview"}) {
        const QImage picture(dir.filePath(QString::fromLatin1(name) + QStringLiteral(".png")));
        QVERIFY2(picture.size() != window.size(), name);
    }
    // The comparison scrolls the Analyse page to its own section.
    const QImage compare(dir.filePath(QStringLiteral("compare.png")));
    QVERIFY(compare.height() >= window.height());
    QVERIFY(compare.copy(0, 80, window.width(), 200) != window.copy(0, 80, window.width(), 200));
}

void TestScreenshots::failedComparisonEndsTheRun() {
    // The load failure's message box is closed unseen; the run says so and fails.
    QTemporaryDir dir;
    const Run run = shoot(dir.path(), QStringLiteral("/nicht/da.log"));
    QVERIFY2(run.finished, "korvala --screenshot waited for the message box");
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.errors.contains(QStringLiteral("/nicht/da.log")), qPrintable(run.errors));
    QVERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("clock.png"))));
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("compare.png"))));
}

QTEST_MAIN(TestScreenshots)
#include "test_screenshots.moc"
