// The desktop side of the main window: files dropped onto it, and a window that stays on the
// screen.

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QScreen>
#include <QUrl>

#include "test_form1_support.h"
#include "ui/day_grid_model.h"

using namespace korvala::ui;
using namespace korvala::ui::test;
using Kind = ScriptedDialogs::Kind;

namespace {

std::unique_ptr<QMimeData> urlsMime(const QList<QUrl>& urls) {
    auto mime = std::make_unique<QMimeData>();
    mime->setUrls(urls);
    return mime;
}

// Whether the window takes a drag of `mime` at all.
bool entered(Form1& f, const QMimeData* mime) {
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&f, &enter);
    return enter.isAccepted();
}

void drop(Form1& f, const QString& path) {
    const auto mime = urlsMime({QUrl::fromLocalFile(path)});
    QVERIFY(entered(f, mime.get()));
    QDropEvent event(QPointF(20, 20), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&f, &event);
}

}  // namespace

class TestForm1Desktop : public QObject {
    Q_OBJECT

  private slots:
    void droppedLogIsOpened();
    void droppedSptTakesItsSite();
    void dropOfBrokenFileReportsLikeOpen();
    void dropAsksBeforeReplacingUnsavedData_data();
    void dropAsksBeforeReplacingUnsavedData();
    void refusedDrags_data();
    void refusedDrags();

    void clampToScreen_data();
    void clampToScreen();
    void debugColumnStaysOnScreen();
};

void TestForm1Desktop::droppedLogIsOpened() {
    WindowFixture fx;
    Form1& f = *fx.form;
    const QString path = fx.write(QStringLiteral("karte.log"), threeDayLog());
    drop(f, path);
    QVERIFY(fx.dialogs.messages().isEmpty());
    QVERIFY(fx.dialogs.callsOf(Kind::OpenFile).empty());
    QCOMPARE(QString::fromStdString(f.session().fileName()), path);
    QCOMPARE(f.Text4->text(), QStringLiteral("03.12.26"));
    QCOMPARE(f.gridModels[0]->rowCount(), 3);
    QVERIFY(f.act_saveas->isEnabled());
    // A later cancelled "Öffnen" keeps the dropped file as the current one.
    f.open_Click();
    QCOMPARE(QString::fromStdString(f.session().fileName()), path);
}

void TestForm1Desktop::droppedSptTakesItsSite() {
    WindowFixture fx;
    Form1& f = *fx.form;
    drop(f, fx.write(QStringLiteral("messung.spt"), smallSpt()));
    QCOMPARE(f.Text3->text(), QStringLiteral("Ort A"));
    QVERIFY(f.session().saved());
}

void TestForm1Desktop::dropOfBrokenFileReportsLikeOpen() {
    WindowFixture fx;
    Form1& f = *fx.form;
    drop(f, fx.write(QStringLiteral("kaputt.spt"), QByteArray("kaputt\r\n<>\r\n")));
    QCOMPARE(fx.dialogs.messages(), QStringList{QStringLiteral("Falsches Format!")});
    // A file that vanished between drag and drop.
    const QString gone = fx.dir.filePath(QStringLiteral("weg.log"));
    drop(f, gone);
    QCOMPARE(fx.dialogs.messages().size(), 2);
    QVERIFY(fx.dialogs.messages().last().startsWith(QStringLiteral("Die Datei \"")));
}

void TestForm1Desktop::dropAsksBeforeReplacingUnsavedData_data() {
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("cancel keeps the data") << Answer::Cancel << false;
    QTest::newRow("no drops them") << Answer::No << true;
    QTest::newRow("yes saves, then opens") << Answer::Yes << true;
}

void TestForm1Desktop::dropAsksBeforeReplacingUnsavedData() {
    QFETCH(Answer, answer);
    QFETCH(bool, replaced);
    WindowFixture fx;
    Form1& f = *fx.form;
    fx.typeLocation(QStringLiteral("Ungespeichert"));
    QVERIFY(!f.session().saved());
    const QString savedAs = fx.dir.filePath(QStringLiteral("gesichert.spt"));
    fx.dialogs.answers.push_back(answer);
    fx.dialogs.fileAnswers.push_back(savedAs);  // the save dialog, when Yes leads there
    drop(f, fx.write(QStringLiteral("karte.log"), threeDayLog()));

    const auto asked = fx.dialogs.callsOf(Kind::Ask);
    QCOMPARE(asked.size(), std::size_t(1));
    QCOMPARE(asked[0].text, QStringLiteral("Sollen die Aktuellen Daten gespeichert werden?"));
    QCOMPARE(f.gridModels[0]->rowCount(), replaced ? 3 : 0);
    if (answer == Answer::Yes) {
        QVERIFY(WindowFixture::read(savedAs).contains("Ungespeichert"));
    }
    if (!replaced) {
        QCOMPARE(f.Text3->text(), QStringLiteral("Ungespeichert"));
        QVERIFY(!f.session().saved());
    }
}

void TestForm1Desktop::refusedDrags_data() {
    QTest::addColumn<QList<QUrl>>("urls");
    QTest::addColumn<QString>("text");
    QTest::newRow("text file") << QList<QUrl>{QUrl::fromLocalFile("/tmp/notiz.txt")} << "";
    QTest::newRow("capital extension") << QList<QUrl>{QUrl::fromLocalFile("/tmp/KARTE.LOG")} << "";
    QTest::newRow("web address") << QList<QUrl>{QUrl("https://example.org/karte.log")} << "";
    QTest::newRow("two files") << QList<QUrl>{QUrl::fromLocalFile("/tmp/a.log"),
                                              QUrl::fromLocalFile("/tmp/b.spt")}
                               << "";
    QTest::newRow("plain text") << QList<QUrl>{} << "/tmp/karte.log";
}

void TestForm1Desktop::refusedDrags() {
    QFETCH(QList<QUrl>, urls);
    QFETCH(QString, text);
    WindowFixture fx;
    Form1& f = *fx.form;
    fx.typeLocation(QStringLiteral("Ungespeichert"));
    auto mime = urlsMime(urls);
    if (!text.isEmpty()) {
        mime->setText(text);
    }
    QVERIFY(!entered(f, mime.get()));
    // Even a drop that arrives anyway changes nothing and asks nothing.
    QDropEvent event(QPointF(20, 20), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&f, &event);
    QVERIFY(fx.dialogs.messages().isEmpty());
    QCOMPARE(f.Text3->text(), QStringLiteral("Ungespeichert"));
    QVERIFY(f.session().fileName().empty());
}

void TestForm1Desktop::clampToScreen_data() {
    QTest::addColumn<QRect>("window");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QRect>("expected");
    const QRect screen(0, 30, 1000, 700);  // a panel at the top
    QTest::newRow("inside stays") << QRect(100, 100, 400, 300) << screen
                                  << QRect(100, 100, 400, 300);
    QTest::newRow("exactly the screen") << screen << screen << screen;
    QTest::newRow("under the top panel")
        << QRect(100, 0, 400, 300) << screen << QRect(100, 30, 400, 300);
    QTest::newRow("past the right edge")
        << QRect(800, 100, 400, 300) << screen << QRect(600, 100, 400, 300);
    QTest::newRow("past the bottom edge")
        << QRect(100, 600, 400, 300) << screen << QRect(100, 430, 400, 300);
    QTest::newRow("left of the screen")
        << QRect(-50, 100, 400, 300) << screen << QRect(0, 100, 400, 300);
    QTest::newRow("wider than the screen")
        << QRect(200, 100, 1200, 300) << screen << QRect(0, 100, 1000, 300);
    QTest::newRow("larger both ways") << QRect(-10, -10, 2000, 2000) << screen << screen;
    QTest::newRow("second screen to the right")
        << QRect(900, 100, 400, 300) << QRect(1000, 0, 800, 600) << QRect(1000, 100, 400, 300);
    QTest::newRow("no screen known")
        << QRect(5000, 5000, 400, 300) << QRect() << QRect(5000, 5000, 400, 300);
}

void TestForm1Desktop::clampToScreen() {
    QFETCH(QRect, window);
    QFETCH(QRect, available);
    QFETCH(QRect, expected);
    QCOMPARE(korvala::ui::clampToScreen(window, available), expected);
}

void TestForm1Desktop::debugColumnStaysOnScreen() {
    WindowFixture fx;
    Form1& f = *fx.form;
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    const QRect available = f.screen()->availableGeometry();
    QVERIFY(available.contains(f.frameGeometry()));
    // Near the right edge, the widened window has to move left to stay reachable.
    f.move(available.right() - 100, available.top() + 10);
    const int normal = f.frameGeometry().width();
    for (int i = 0; i < 10; ++i) {
        QTest::mouseClick(f.SB, Qt::LeftButton);
    }
    QVERIFY(!f.debugColumn->isHidden());
    const QRect frame = f.frameGeometry();
    QVERIFY(frame.width() > normal);
    QVERIFY(frame.left() >= available.left());
    QVERIFY(frame.top() >= available.top());
    QVERIFY(frame.left() < available.right() - 100);
    if (frame.width() <= available.width()) {
        QVERIFY(available.contains(frame));
    }
}

QTEST_MAIN(TestForm1Desktop)
#include "test_form1_desktop.moc"
