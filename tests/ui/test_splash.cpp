// The splash box at start and the about box.

#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "ui/splash.h"

using namespace korvala::ui;

class TestSplash : public QObject {
    Q_OBJECT

  private slots:
    void texts();
    void closesByItselfAfterASecond();
    void userClosesEarly_data();
    void userClosesEarly();
    void aboutBox();
};

void TestSplash::texts() {
    frmSplash s;
    QCOMPARE(s.lblCompanyProduct->text(), QStringLiteral("Korvala\n7 Tage SD ZX"));
    QCOMPARE(s.lblVersion->text(), QStringLiteral("Version 0.6.1 Beta"));
    QVERIFY(s.lblCompany->text().endsWith(QStringLiteral("2026")));
    QVERIFY(!s.imgLogo->pixmap().isNull());
    QVERIFY(s.isModal());
}

void TestSplash::closesByItselfAfterASecond() {
    frmSplash s;
    QSignalSpy early(&s, &frmSplash::mainWindowRequested);
    QElapsedTimer clock;
    clock.start();
    // exec() returns when the box has closed itself.
    s.exec();
    QVERIFY(clock.elapsed() >= 900);
    QVERIFY(!s.isVisible());
    QCOMPARE(early.size(), 0);
}

void TestSplash::userClosesEarly_data() {
    QTest::addColumn<bool>("byKey");
    QTest::newRow("key press") << true;
    QTest::newRow("click on the frame") << false;
}

void TestSplash::userClosesEarly() {
    QFETCH(bool, byKey);
    frmSplash s;
    QSignalSpy early(&s, &frmSplash::mainWindowRequested);
    QTimer::singleShot(50, &s, [&] {
        if (byKey) {
            QTest::keyClick(&s, Qt::Key_Space);
        } else {
            // A click on a label inside the frame reaches the frame.
            QTest::mouseClick(s.lblVersion, Qt::LeftButton);
        }
    });
    s.exec();
    QVERIFY(!s.isVisible());
    QCOMPARE(early.size(), 1);
    QVERIFY(!s.Timer1->isActive());
}

void TestSplash::aboutBox() {
    frmAbout a;
    QCOMPARE(a.windowTitle(), QStringLiteral("Info zu Korvala 7 Tage SD ZX"));
    QCOMPARE(a.lblTitle->text(), QStringLiteral("Korvala\n7 Tage SD ZX"));
    // The same version text as the splash box, whether or not one was shown.
    QCOMPARE(a.lblVersion->text(), frmSplash().lblVersion->text());
    const QStringList contact = a.Text1->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(contact.size(), 5);
    QVERIFY(contact[3].startsWith(QStringLiteral("Tel.")));
    QVERIFY(contact[4].startsWith(QStringLiteral("Fax")));
    QVERIFY(a.Text1->isReadOnly());
    a.show();
    QTest::mouseClick(a.cmdOK, Qt::LeftButton);
    QVERIFY(!a.isVisible());
    QCOMPARE(a.result(), int(QDialog::Accepted));
}

QTEST_MAIN(TestSplash)
#include "test_splash.moc"
