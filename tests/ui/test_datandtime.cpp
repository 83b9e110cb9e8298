// The date/time dialog writing the device's clock file onto a card drive.

#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "ui/datandtime.h"
#include "ui/scripted_dialogs.h"

using korvala::ui::datAndtime;
using korvala::ui::Icon;
using korvala::ui::ScriptedDialogs;

namespace {

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class TestDatAndTime : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        now = QDateTime(QDate(2026, 12, 3), QTime(16, 17, 46));
        dialogs.clear();
    }

    void startsWithThePcTimeAndItsCaptions() {
        datAndtime dlg(dialogs, clock());
        QCOMPARE(dlg.windowTitle(), QString::fromUtf8("Gerätedatum und Uhrzeit"));
        QCOMPARE(dlg.objectName(), QStringLiteral("datAndtime"));
        QCOMPARE(dlg.cmd_dateAndTime->text(), QStringLiteral("Datum/Uhrzeit stellen"));
        QCOMPARE(dlg.Command1->text(), QStringLiteral("Ok"));
        QCOMPARE(dlg.check1->text(), QStringLiteral("PC Zeit"));
        QVERIFY(dlg.check1->isChecked());
        QVERIFY(!dlg.Text2->isEnabled());
        QCOMPARE(dlg.Text2->text(), QStringLiteral("16:17:46"));
        QCOMPARE(dlg.datum->selectedDate(), QDate(2026, 12, 3));
        QCOMPARE(dlg.t_aktTime->interval(), 1000);
        QVERIFY(dlg.t_aktTime->isActive());
    }

    void timeFieldFollowsTheClockOnlyWhileTicked() {
        datAndtime dlg(dialogs, clock());
        now = now.addSecs(5);
        dlg.t_aktTime_Timer();
        QCOMPARE(dlg.Text2->text(), QStringLiteral("16:17:51"));

        dlg.check1->setChecked(false);
        dlg.t_aktTime_Timer();
        QVERIFY(dlg.Text2->isEnabled());
        dlg.Text2->setText(QStringLiteral("07:00:00"));
        now = now.addSecs(5);
        dlg.t_aktTime_Timer();
        QCOMPARE(dlg.Text2->text(), QStringLiteral("07:00:00"));

        dlg.check1->setChecked(true);
        dlg.t_aktTime_Timer();
        QVERIFY(!dlg.Text2->isEnabled());
        QCOMPARE(dlg.Text2->text(), QStringLiteral("16:17:56"));
    }

    void writesTheClockFileOntoTheChosenDrive() {
        QTemporaryDir card;
        QVERIFY(card.isValid());
        datAndtime dlg(dialogs, clock());
        dlg.setDrives({card.path(), QStringLiteral("/")});
        QCOMPARE(dlg.drive(), card.path());

        // A day picked in the calendar is not what gets written: the PC's date is.
        dlg.datum->setSelectedDate(QDate(2027, 1, 15));
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        dlg.activateWindow();
        emit dlg.datum->clicked(QDate(2027, 1, 15));
        QTRY_VERIFY(dlg.cmd_dateAndTime->hasFocus());
        dlg.cmd_dateAndTime->click();

        const QString path = card.path() + QStringLiteral("/timeset.txt");
        const QByteArray bytes = fileBytes(path);
        QCOMPARE(bytes, QByteArray("/03/12/2026/16:17:46\r\n"));
        QCOMPARE(bytes.size(), 22);
        QCOMPARE(dlg.datum->selectedDate(), QDate(2026, 12, 3));
        QCOMPARE(dialogs.messages(),
                 QStringList{path + QString::fromUtf8(" wurde geändert: /03/12/2026/16:17:46")});
        QVERIFY(dlg.isVisible());

        // A second click writes the time of that click.
        now = QDateTime(QDate(2027, 3, 5), QTime(9, 4, 7));
        dlg.cmd_dateAndTime->click();
        QCOMPARE(fileBytes(path), QByteArray("/05/03/2027/09:04:07\r\n"));
    }

    void unwritableDriveIsReportedAndTheDialogStays() {
        datAndtime dlg(dialogs, clock());
        dlg.show();
        // /proc takes no new files, even from root.
        if (!QDir(QStringLiteral("/proc")).exists())
            QSKIP("no /proc to stand in for a read-only card");
        dlg.setDrives({QStringLiteral("/proc")});
        QVERIFY(!dlg.saveTime_Click(QStringLiteral("/03/12/2026/16:17:46"), dlg.drive()));
        QCOMPARE(dialogs.calls.size(), std::size_t{1});
        QVERIFY(dialogs.calls[0].icon == Icon::Warning);
        QVERIFY(dialogs.calls[0].text.contains(QStringLiteral("schreibgeschützt oder voll")));
        QVERIFY(dlg.isVisible());

        QTemporaryDir dir;
        const QString gone = dir.path() + QStringLiteral("/karte");
        dlg.setDrives({gone});
        dlg.cmd_dateAndTime->click();
        QVERIFY(dialogs.calls[1].text.contains(QStringLiteral("ist nicht bereit")));
        QVERIFY(!QFile::exists(gone + QStringLiteral("/timeset.txt")));
        QVERIFY(dlg.isVisible());

        dlg.setDrives({});
        dlg.cmd_dateAndTime->click();
        QCOMPARE(dialogs.calls[2].text, QString::fromUtf8("Es ist kein SD-Laufwerk ausgewählt."));
    }

    void okClosesTheDialog() {
        datAndtime dlg(dialogs, clock());
        dlg.show();
        dlg.Command1->click();
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(dialogs.calls.empty());
    }

    void rootFolderIsTheLastDrive() {
        const QStringList drives = datAndtime::cardDrives();
        QVERIFY(!drives.contains(QString()));
        const auto root = drives.indexOf(QStringLiteral("/"));
        if (root >= 0)
            QCOMPARE(root, drives.size() - 1);
    }

  private:
    datAndtime::Clock clock() {
        return [this] { return now; };
    }

    QDateTime now;
    ScriptedDialogs dialogs;
};

QTEST_MAIN(TestDatAndTime)
#include "test_datandtime.moc"
