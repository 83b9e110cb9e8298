// The real message and file dialogs behind the Dialogs interface, and the date/time dialog that
// writes the device's clock file onto a card drive.

#include "test_form1_support.h"
#include "ui/datandtime.h"
#include "ui/qt_dialogs.h"

using namespace korvala::ui;
using namespace korvala::ui::test;

namespace {

// Runs `act` on the modal dialog of type T once it is shown.
template <typename T>
void whenShown(std::function<void(T*)> act) {
    auto* poll = new QTimer;
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        if (auto* d = qobject_cast<T*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            act(d);
        }
    });
    poll->start();
}

}  // namespace

class TestDialogs : public QObject {
    Q_OBJECT

  private slots:
    // The buttons read German; Escape in a box without Abbrechen means Nein.
    void askMapsTheButtonPressed_data() {
        QTest::addColumn<Buttons>("buttons");
        QTest::addColumn<QString>("press");  // "Escape": the key
        QTest::addColumn<Answer>("answer");
        QTest::newRow("Ja") << Buttons::YesNoCancel << "Ja" << Answer::Yes;
        QTest::newRow("Nein") << Buttons::YesNoCancel << "Nein" << Answer::No;
        QTest::newRow("Abbrechen") << Buttons::YesNoCancel << "Abbrechen" << Answer::Cancel;
        QTest::newRow("OK") << Buttons::OkCancel << "OK" << Answer::Ok;
        QTest::newRow("Escape without Abbrechen") << Buttons::YesNo << "Escape" << Answer::No;
    }
    void askMapsTheButtonPressed() {
        QFETCH(Buttons, buttons);
        QFETCH(QString, press);
        QFETCH(Answer, answer);
        whenShown<QMessageBox>([press](QMessageBox* box) {
            for (QAbstractButton* b : box->buttons()) {
                if (b->text() == press) {
                    b->click();
                    return;
                }
            }
            QTest::keyClick(box, Qt::Key_Escape);
        });
        QtDialogs dialogs;
        QCOMPARE(dialogs.ask(QStringLiteral("Speichern?"), QStringLiteral("Frage"), buttons,
                             Icon::Question),
                 answer);
    }

    void saveDialogProposesAndAddsExtension() {
        QTemporaryDir dir;
        QString proposed, folder;
        whenShown<QFileDialog>([&](QFileDialog* d) {
            auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            proposed = name->text();
            folder = d->directory().absolutePath();
            name->setText(QStringLiteral("messung"));
            QMetaObject::invokeMethod(d, "accept");
        });
        QtDialogs dialogs;
        const auto chosen = dialogs.saveFile(QStringLiteral("Speichern unter"), dir.path(),
                                             QStringLiteral("Haupt031226.spt"),
                                             QStringLiteral("(*.spt)"), QStringLiteral("spt"));
        QCOMPARE(proposed, QStringLiteral("Haupt031226.spt"));
        QCOMPARE(QDir(folder).canonicalPath(), QDir(dir.path()).canonicalPath());
        QCOMPARE(QFileInfo(chosen.value_or(QString())).fileName(), QStringLiteral("messung.spt"));
        whenShown<QFileDialog>([](QFileDialog* d) { d->reject(); });
        QVERIFY(!dialogs.openFile(QStringLiteral("Öffnen"), dir.path(), QStringLiteral("(*.spt)")));
    }

    void clockFileIsWrittenOntoTheChosenDrive() {
        QDateTime now(QDate(2026, 12, 3), QTime(16, 17, 46));
        QTemporaryDir card;
        ScriptedDialogs dialogs;
        datAndtime dlg(dialogs, [&] { return now; });
        dlg.setDrives({card.path(), QStringLiteral("/")});
        // A day picked in the calendar is not what gets written: the PC's date is.
        dlg.datum->setSelectedDate(QDate(2027, 1, 15));
        dlg.show();
        dlg.cmd_dateAndTime->click();
        const QString path = card.filePath(QStringLiteral("timeset.txt"));
        QCOMPARE(fileBytes(path), QByteArray("/03/12/2026/16:17:46\r\n"));
        QCOMPARE(dialogs.messages(),
                 QStringList{path + QString::fromUtf8(" wurde geändert: /03/12/2026/16:17:46")});
        QVERIFY(dlg.isVisible());
        // A click writes the PC's time of that click, whatever the time field shows.
        now = QDateTime(QDate(2027, 3, 5), QTime(9, 4, 7));
        dlg.check1->setChecked(false);
        dlg.Text2->setText(QStringLiteral("07:00:00"));
        dlg.cmd_dateAndTime->click();
        QCOMPARE(fileBytes(path), QByteArray("/05/03/2027/09:04:07\r\n"));
        // A drive that takes no file (/proc, even for root) is reported; the dialog stays.
        dlg.setDrives({QStringLiteral("/proc")});
        dlg.cmd_dateAndTime->click();
        QVERIFY(dialogs.messages().last().contains(QStringLiteral("schreibgeschützt oder voll")));
        QVERIFY(!QFile::exists(QStringLiteral("/proc/timeset.txt")));
        QVERIFY(dlg.isVisible());
    }
};

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
