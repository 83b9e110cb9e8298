// The serial side against a real terminal: QtSerialLink and the whole device link of the window
// against the device simulator on a pseudo-terminal.

#include "device/qt/qt_serial_link.h"
#include "test_form1_support.h"
#include "ui/day_grid_model.h"
#include "ui/device_controller.h"

using namespace korvala;
using namespace korvala::ui;
using namespace korvala::ui::test;

namespace {

const QString kNoPort = QStringLiteral("/dev/korvala-no-such-port");

// The device simulator as a child process on a pseudo-terminal of its own; it logs every
// command it receives and the records it sends.
struct Simulator {
    explicit Simulator(QStringList args) {
        args << QStringLiteral("--log") << dir.filePath(QStringLiteral("commands.txt"))
             << QStringLiteral("--expect") << dir.filePath(QStringLiteral("expect.txt"))
             << QStringLiteral("--lifetime") << QStringLiteral("120");
        process.start(QStringLiteral(KORVALA_DEVICE_SIM), args);
        while (process.waitForStarted(5000) && !process.canReadLine()) {
            if (!process.waitForReadyRead(5000)) {
                return;
            }
        }
        slaveName = QString::fromLocal8Bit(process.readLine()).trimmed();
    }
    ~Simulator() {
        process.kill();
        process.waitForFinished(5000);
    }
    QByteArray commands() const { return fileBytes(dir.filePath(QStringLiteral("commands.txt"))); }
    QTemporaryDir dir;
    QProcess process;
    QString slaveName;
};

// The window with its device link on the given ports (the first is port 1).
struct Device : WindowFixture {
    explicit Device(const QStringList& ports) : link(ports), controller(*form, link) {
        form->setDeviceLinkVisible(true);
    }
    QtSerialLink link;
    DeviceController controller;
};

// The records with a speed as "number,hh:mm:ss,speed", the way the simulator lists them.
QByteArrayList filledRecords(const Table& records) {
    QByteArrayList out;
    for (const Measurement& m : records) {
        if (!m.isEmpty()) {
            out << QByteArray::fromStdString(std::to_string(m.id) + "," + m.time.timeText() + "," +
                                             m.speed.text());
        }
    }
    return out;
}

}  // namespace

class TestSerial : public QObject {
    Q_OBJECT

  private slots:
    // The reasons a port does not open are German; on the simulator's terminal the port test
    // leaves the port closed, and a vanished device closes it by itself.
    void linkOnAPseudoTerminal() {
        QtSerialLink broken({kNoPort, QStringLiteral("/dev/null")});
        QVERIFY(!broken.open(1));
        QCOMPARE(
            broken.lastError(),
            QString::fromUtf8("Die Schnittstelle gibt es nicht (Gerät nicht angeschlossen?)."));
        QVERIFY(!broken.open(2));
        QCOMPARE(broken.lastError(), QString::fromUtf8("Das Gerät ist keine serielle Schnittstelle "
                                                       "oder kann nicht auf 19200 Baud, 8N1 "
                                                       "gestellt werden."));
        Simulator sim({QStringLiteral("--records"), QStringLiteral("3")});
        if (sim.slaveName.isEmpty()) {
            QSKIP("the device simulator could not open a pseudo-terminal");
        }
        QtSerialLink link({sim.slaveName});
        int lost = 0;
        link.onLost = [&] { ++lost; };
        QVERIFY(link.portTest(1));
        QVERIFY(!link.isOpen());
        QVERIFY(link.open(1));
        QCOMPARE(link.openPortNumber(), 1);
        sim.process.kill();
        QTRY_VERIFY_WITH_TIMEOUT(!link.isOpen(), 5000);
        QCOMPARE(lost, 1);
        QCOMPARE(link.openPortNumber(), 0);
        // A closed link neither reads nor writes, and does not fail.
        link.write("p");
        QCOMPARE(link.readAll(), std::string());
        QVERIFY(!link.portTest(1) && !link.open(1) && !link.lastError().isEmpty());
    }

    // A device that never answers, beside a port that does not exist: the port menu and AUTO,
    // the card cleared only after Ok, a waiting transfer that ends with Abbrechen or gives way
    // to a file, and leaving the program closes the port.
    void portMenuAndSilentDevice() {
        Simulator sim({QStringLiteral("--silent")});
        if (sim.slaveName.isEmpty()) {
            QSKIP("the device simulator could not open a pseudo-terminal");
        }
        Device d({kNoPort, sim.slaveName});
        Form1& f = *d.form;
        // No port chosen yet: the transfer does not start, and the status line says why.
        f.act_new->trigger();
        QVERIFY(f.dlg_input->isHidden());
        QTRY_COMPARE(f.panels[0]->text(), QString::fromUtf8("Keine Schnittstelle geöffnet."));
        d.dialogs.answers = {Answer::Ok};
        f.act_loeschen->trigger();  // closed port: asked, nothing sent
        QCOMPARE(d.dialogs.messages(),
                 QStringList{QString::fromUtf8("Sollen die SD-Karte gelöscht werden?")});
        d.dialogs.clear();

        emit f.portMenu()->aboutToShow();
        QVERIFY(!f.act_comp[0]->isEnabled());
        QVERIFY(f.act_comp[1]->isEnabled());
        QVERIFY(!f.act_comp[2]->isVisible());
        f.act_auto->trigger();  // the first usable port
        QCOMPARE(d.link.openPortNumber(), 2);
        QVERIFY(f.act_comp[1]->isChecked());
        QVERIFY(d.dialogs.calls.empty());
        // The port in use stays usable in the menu although a second open would fail.
        emit f.portMenu()->aboutToShow();
        QVERIFY(f.act_comp[1]->isEnabled());
        // A port that cannot be opened is reported, and no entry claims to be in use.
        d.controller.comp_Click(1);
        QVERIFY(d.dialogs.messages().value(0).contains(QStringLiteral("korvala-no-such-port")));
        QVERIFY(!d.link.isOpen());
        QVERIFY(!f.act_comp[0]->isChecked() && !f.act_comp[1]->isChecked());
        // Without any usable port AUTO says so.
        d.link.setPortNames({kNoPort});
        f.act_auto->trigger();
        QVERIFY(!d.link.isOpen());
        QCOMPARE(d.dialogs.messages().size(), 2);

        d.link.setPortNames({kNoPort, sim.slaveName});
        d.controller.comp_Click(2);
        d.dialogs.answers = {Answer::Cancel, Answer::Ok};
        f.act_loeschen->trigger();
        f.act_loeschen->trigger();
        QTRY_COMPARE(sim.commands(), QByteArray("p\n"));
        f.act_new->trigger();
        QVERIFY(d.controller.receiver().receiving());
        QTRY_COMPARE(sim.commands(), QByteArray("p\nr\n"));  // once the line was quiet
        f.dlg_cancel->click();
        QVERIFY(!d.controller.receiver().receiving());
        QVERIFY(f.dlg_input->isHidden());
        QTRY_VERIFY(!f.inputTimer->isActive());  // once the line has been quiet a while
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QVERIFY(f.session().inText().empty() && f.session().records().empty());
        // A file opened while a transfer waits: the transfer gives way to it.
        f.act_new->trigger();
        d.open(QStringLiteral("alt.spt"), smallSpt());
        QVERIFY(!d.controller.receiver().receiving() && f.dlg_input->isHidden());
        QCOMPARE(f.Text3->text(), QStringLiteral("Ort A"));

        f.act_exit->trigger();
        QVERIFY(!d.link.isOpen());
    }

    // A read erases the measurement on screen at once. Cancelled, it leaves nothing for the next:
    // the device sends the cancelled transfer to its end, and the next read waits for it to pass
    // and gets its own transfer whole. That measurement unsaved, a read asks first.
    void transfersFromTheSimulator() {
        Simulator sim({QStringLiteral("--records"), QStringLiteral("3000"),
                       QStringLiteral("--pause"), QStringLiteral("40")});
        if (sim.slaveName.isEmpty()) {
            QSKIP("the device simulator could not open a pseudo-terminal");
        }
        Device d({sim.slaveName});
        Form1& f = *d.form;
        d.open(QStringLiteral("alt.spt"), smallSpt());
        emit f.portMenu()->aboutToShow();
        f.act_comp[0]->trigger();
        QVERIFY(d.link.isOpen());
        f.act_new->trigger();
        QVERIFY(!f.dlg_input->isHidden());
        QVERIFY(QApplication::overrideCursor() != nullptr);
        QCOMPARE(f.Text3->text(), QString());
        QCOMPARE(f.gridModels[0]->recordRows(), 0);
        QCOMPARE(f.lbl_vmax->text(), QStringLiteral("--"));
        QVERIFY(f.rtf->toPlainText().isEmpty());
        QVERIFY(!f.act_saveas->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(f.session().inText().size() > 4000, 10000);

        f.dlg_cancel->click();
        QVERIFY(f.dlg_input->isHidden() && f.session().inText().empty());
        QVERIFY(d.controller.receiver().draining() && f.inputTimer->isActive());
        QCOMPARE(f.gridModels[0]->recordRows(), 0);

        QSignalSpy ended(&d.controller, &DeviceController::transferEnded);
        f.act_new->trigger();
        QVERIFY(ended.wait(60000));
        QCOMPARE(ended.at(0).at(0).value<TickOutcome>(), TickOutcome::Completed);
        QCOMPARE(sim.commands(), QByteArray("r\nr\n"));
        // Exactly the simulator's records, each at the number of its line in the transfer.
        const QByteArrayList expect =
            fileBytes(sim.dir.filePath(QStringLiteral("expect.txt"))).trimmed().split('\n');
        QCOMPARE(expect.size(), 3001);
        QCOMPARE(filledRecords(f.session().records()), expect.mid(1));
        QCOMPARE(f.Text4->text(), QStringLiteral("04.02.09"));
        QCOMPARE(f.panels[0]->text(), QStringLiteral("Einlesen fertig."));
        QVERIFY(f.dlg_input->isHidden() && !f.inputTimer->isActive());
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QVERIFY(!f.session().saved());
        QVERIFY(f.act_saveas->isEnabled() && f.act_export->isEnabled() && !f.act_save->isEnabled());
        QVERIFY(f.Text6->toPlainText().contains(QStringLiteral("Datum ermittelt:04.02.09")));
        QVERIFY(f.Text6->toPlainText().contains(QStringLiteral("Vor der Anforderung verworfen: ")));

        d.dialogs.clear();
        d.dialogs.answers = {Answer::Cancel};
        f.act_new->trigger();
        QCOMPARE(d.dialogs.messages(),
                 QStringList{QStringLiteral("Sollen die Aktuellen Daten gespeichert werden?")});
        QVERIFY(f.dlg_input->isHidden());
        QCOMPARE(filledRecords(f.session().records()).size(), 3000);
        QTest::qWait(300);
        QCOMPARE(sim.commands(), QByteArray("r\nr\n"));

        // Saved under a name, the received measurement can be saved in place from now on.
        d.typeLocation(QStringLiteral("Nord"));
        d.dialogs.fileAnswers.push_back(d.dir.filePath(QStringLiteral("nord.spt")));
        f.act_saveas->trigger();
        QVERIFY(f.session().saved() && f.act_save->isEnabled());
    }
};

QTEST_MAIN(TestSerial)
#include "test_serial.moc"
