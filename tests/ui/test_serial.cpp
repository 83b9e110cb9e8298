// The serial side against real terminals: QtSerialLink on a pseudo-terminal, and the whole
// device link of the window against the device simulator.

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <memory>

#include "device/qt/qt_serial_link.h"
#include "ui/device_controller.h"
#include "ui/form1.h"
#include "ui/scripted_dialogs.h"

using namespace korvala;
using korvala::ui::Answer;
using korvala::ui::DeviceController;
using korvala::ui::Form1;
using korvala::ui::ScriptedDialogs;

namespace {

// An in-process pseudo-terminal pair; the test plays the device on the master side.
struct Pty {
    int master = -1;
    int slave = -1;
    QString slaveName;
    bool open() {
        char name[256] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
            return false;
        slaveName = QString::fromLocal8Bit(name);
        return true;
    }
    void closeMaster() {
        if (master >= 0)
            ::close(master);
        master = -1;
    }
    ~Pty() {
        closeMaster();
        if (slave >= 0)
            ::close(slave);
    }
    std::string readMaster(int timeoutMs) const {
        pollfd p{master, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0)
            return {};
        char buffer[256];
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
    }
};

// The device simulator as a child process.
struct Simulator {
    QProcess process;
    QString slaveName;
    QString logPath, expectPath;

    bool start(const QTemporaryDir& dir, QStringList args) {
        logPath = dir.filePath(QStringLiteral("commands.txt"));
        expectPath = dir.filePath(QStringLiteral("expect.txt"));
        args << QStringLiteral("--log") << logPath << QStringLiteral("--expect") << expectPath
             << QStringLiteral("--lifetime") << QStringLiteral("120");
        process.start(QStringLiteral(KORVALA_DEVICE_SIM), args);
        if (!process.waitForStarted(5000))
            return false;
        while (!process.canReadLine()) {
            if (!process.waitForReadyRead(5000))
                return false;
        }
        slaveName = QString::fromLocal8Bit(process.readLine()).trimmed();
        return !slaveName.isEmpty();
    }
    QByteArray commands() const {
        QFile f(logPath);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    ~Simulator() {
        process.kill();
        process.waitForFinished(5000);
    }
};

std::vector<std::string> filledRecords(const Table& records) {
    std::vector<std::string> out;
    for (const Measurement& m : records) {
        if (m.isEmpty())
            continue;
        out.push_back(std::to_string(m.id) + "," + m.time.timeText() + "," + m.speed.text());
    }
    return out;
}

std::unique_ptr<Form1> makeWindow(ScriptedDialogs& dialogs) {
    ui::Form1Options options;
    options.showSplash = false;
    options.today = [] { return QDate(2026, 12, 6); };
    auto form = std::make_unique<Form1>(dialogs, options);
    form->setDeviceLinkVisible(true);
    return form;
}

}  // namespace

class TestSerial : public QObject {
    Q_OBJECT

  private slots:
    void portTestOpensAndClosesAnExistingPort();
    void portTestFailsForMissingPorts();
    void readsAndWritesOverTheTerminal();
    void vanishedDeviceClosesThePort();
    void portMenuListsUsablePortsAndMovesTheCheckMark();
    void autoOpensTheFirstUsablePort();
    void transferFromTheSimulatorLoadsItsMeasurement();
    void cancelEndsTheTransferAndRestoresThePointer();
    void cardClearingSendsOnlyAfterOk();
    void shutDownClosesThePort();
};

void TestSerial::portTestOpensAndClosesAnExistingPort() {
    Pty pty;
    if (!pty.open())
        QSKIP("no pseudo-terminal available");
    QtSerialLink link({pty.slaveName});
    QVERIFY(link.portTest(1));
    QVERIFY(!link.isOpen());
    // Closed again: it can be opened for use right after the test.
    QVERIFY(link.open(1));
    QCOMPARE(link.openPortNumber(), 1);
    link.close();
    QVERIFY(link.portTest(1));
}

void TestSerial::portTestFailsForMissingPorts() {
    QtSerialLink link({QStringLiteral("/dev/korvala-no-such-port")});
    QVERIFY(!link.portTest(1));
    QVERIFY(!link.portTest(0));
    QVERIFY(!link.portTest(2));
    QVERIFY(!link.portTest(QtSerialLink::kMaxPorts + 1));
    QVERIFY(!link.open(1));
    QVERIFY(!link.isOpen());
    QVERIFY(!link.lastError().isEmpty());
    // A closed link neither reads nor writes, and does not fail.
    link.write("p");
    QCOMPARE(link.readAll(), std::string());
    QCOMPARE(link.bytesAvailable(), 0);
}

void TestSerial::readsAndWritesOverTheTerminal() {
    Pty pty;
    if (!pty.open())
        QSKIP("no pseudo-terminal available");
    QtSerialLink link({pty.slaveName});
    QVERIFY(link.open(1));

    link.write("r");
    QCOMPARE(pty.readMaster(2000), std::string("r"));  // at once, without a line end

    const std::string text = "Begin : Mi 04.02.09\r\n,08:15:03,47\r\n";
    QCOMPARE(::write(pty.master, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    QTRY_COMPARE(link.bytesAvailable(), static_cast<int>(text.size()));
    QCOMPARE(link.readAll(), text);  // bytes unchanged: CR LF is not translated
    QCOMPARE(link.bytesAvailable(), 0);
    QCOMPARE(link.readAll(), std::string());
}

void TestSerial::vanishedDeviceClosesThePort() {
    Pty pty;
    if (!pty.open())
        QSKIP("no pseudo-terminal available");
    QtSerialLink link({pty.slaveName});
    int lost = 0;
    link.onLost = [&] { ++lost; };
    QVERIFY(link.open(1));
    ::close(pty.slave);
    pty.slave = -1;
    pty.closeMaster();
    QTRY_VERIFY_WITH_TIMEOUT(!link.isOpen(), 5000);
    QCOMPARE(lost, 1);
    QCOMPARE(link.openPortNumber(), 0);
}

void TestSerial::portMenuListsUsablePortsAndMovesTheCheckMark() {
    Pty pty;
    if (!pty.open())
        QSKIP("no pseudo-terminal available");
    ScriptedDialogs dialogs;
    auto form = makeWindow(dialogs);
    QtSerialLink link({QStringLiteral("/dev/korvala-no-such-port"), pty.slaveName});
    DeviceController controller(*form, link);

    // No port chosen yet: the transfer does not start, and the status line says why.
    form->act_new->trigger();
    QVERIFY(form->dlg_input->isHidden());
    QVERIFY(!form->inputTimer->isActive());
    QTRY_COMPARE(form->panels[0]->text(), QString::fromUtf8("Keine Schnittstelle geöffnet."));

    emit form->portMenu()->aboutToShow();
    // Nothing is open, so no entry carries the check mark.
    for (QAction* entry : form->act_comp)
        QVERIFY(!entry->isChecked());
    QVERIFY(form->act_comp[0]->isVisible());
    QVERIFY(!form->act_comp[0]->isEnabled());
    QCOMPARE(form->act_comp[0]->text(), QStringLiteral("korvala-no-such-port"));
    QVERIFY(form->act_comp[1]->isEnabled());
    QCOMPARE(form->act_comp[1]->text(), pty.slaveName.mid(5));
    QVERIFY(!form->act_comp[2]->isVisible());

    form->act_comp[1]->trigger();
    QCOMPARE(link.openPortNumber(), 2);
    QVERIFY(form->act_comp[1]->isChecked());
    QVERIFY(!form->act_comp[0]->isChecked());
    // The port in use stays usable in the menu although a second open would fail.
    emit form->portMenu()->aboutToShow();
    QVERIFY(form->act_comp[1]->isEnabled());

    // A port that cannot be opened is reported, and no entry claims to be in use.
    controller.comp_Click(1);
    QCOMPARE(dialogs.callsOf(ScriptedDialogs::Kind::Inform).size(), std::size_t{1});
    QVERIFY(dialogs.messages().constLast().contains(QStringLiteral("korvala-no-such-port")));
    QVERIFY(!link.isOpen());
    QVERIFY(!form->act_comp[0]->isChecked());
    QVERIFY(!form->act_comp[1]->isChecked());
}

void TestSerial::autoOpensTheFirstUsablePort() {
    Pty pty;
    if (!pty.open())
        QSKIP("no pseudo-terminal available");
    ScriptedDialogs dialogs;
    auto form = makeWindow(dialogs);
    QtSerialLink link({QStringLiteral("/dev/korvala-no-such-port"), pty.slaveName});
    DeviceController controller(*form, link);

    form->act_auto->trigger();
    QCOMPARE(link.openPortNumber(), 2);
    QVERIFY(form->act_comp[1]->isChecked());
    QVERIFY(dialogs.calls.empty());

    QtSerialLink none({QStringLiteral("/dev/korvala-no-such-port")});
    DeviceController second(*form, none);
    second.auto_Click();
    QVERIFY(!none.isOpen());
    QCOMPARE(dialogs.callsOf(ScriptedDialogs::Kind::Inform).size(), std::size_t{1});
}

void TestSerial::transferFromTheSimulatorLoadsItsMeasurement() {
    QTemporaryDir dir;
    Simulator sim;
    if (!sim.start(dir, {QStringLiteral("--records"), QStringLiteral("300")}))
        QSKIP("the device simulator could not open a pseudo-terminal");
    ScriptedDialogs dialogs;
    auto form = makeWindow(dialogs);
    form->Text3->setText(QStringLiteral("Alter Ort"));
    QtSerialLink link({sim.slaveName});
    DeviceController controller(*form, link);
    emit form->portMenu()->aboutToShow();
    form->act_comp[0]->trigger();
    QVERIFY(link.isOpen());

    QSignalSpy ended(&controller, &DeviceController::transferEnded);
    form->act_new->trigger();
    QVERIFY(!form->dlg_input->isHidden());
    QVERIFY(form->inputTimer->isActive());
    QVERIFY(!form->act_saveas->isEnabled());
    QCOMPARE(form->Text3->text(), QString());
    QVERIFY(QApplication::overrideCursor() != nullptr);

    QVERIFY(ended.wait(30000));
    QCOMPARE(ended.at(0).at(0).value<TickOutcome>(), TickOutcome::Completed);
    QCOMPARE(sim.commands(), QByteArray("r\n"));

    // Exactly the simulator's records, each at the number of its line in the transfer.
    QFile expectFile(sim.expectPath);
    QVERIFY(expectFile.open(QIODevice::ReadOnly));
    QCOMPARE(expectFile.readLine().trimmed(), QByteArray("begin Begin : Mi 04.02.09 08:15"));
    std::vector<std::string> expected;
    while (!expectFile.atEnd())
        expected.push_back(expectFile.readLine().trimmed().toStdString());
    QCOMPARE(expected.size(), std::size_t{300});
    QCOMPARE(filledRecords(form->session().records()), expected);

    QCOMPARE(form->Text4->text(), QStringLiteral("04.02.09"));
    QCOMPARE(form->panels[0]->text(), QStringLiteral("Einlesen fertig."));
    QVERIFY(form->dlg_input->isHidden());
    QVERIFY(!form->inputTimer->isActive());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QCOMPARE(form->PB1->value(), kProgressMax);
    QVERIFY(!form->session().saved());
    QVERIFY(form->act_saveas->isEnabled());
    QVERIFY(form->act_export->isEnabled());
    QVERIFY(!form->act_save->isEnabled());
    QVERIFY(form->Text6->toPlainText().contains(QStringLiteral("Datum ermittelt:04.02.09")));

    // Unsaved data: the save question comes first, and Cancel keeps everything.
    dialogs.answers = {Answer::Cancel};
    form->act_new->trigger();
    QVERIFY(form->dlg_input->isHidden());
    QCOMPARE(filledRecords(form->session().records()).size(), std::size_t{300});
    QTest::qWait(300);
    QCOMPARE(sim.commands(), QByteArray("r\n"));
}

void TestSerial::cancelEndsTheTransferAndRestoresThePointer() {
    QTemporaryDir dir;
    Simulator sim;
    if (!sim.start(dir, {QStringLiteral("--silent")}))
        QSKIP("the device simulator could not open a pseudo-terminal");
    ScriptedDialogs dialogs;
    auto form = makeWindow(dialogs);
    QtSerialLink link({sim.slaveName});
    DeviceController controller(*form, link);
    controller.comp_Click(1);

    form->act_new->trigger();
    QVERIFY(controller.receiver().receiving());
    QTest::qWait(700);
    form->dlg_cancel->click();
    QVERIFY(!controller.receiver().receiving());
    QVERIFY(!form->inputTimer->isActive());
    QVERIFY(form->dlg_input->isHidden());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(form->session().inText().empty());
    QVERIFY(form->session().records().empty());
}

void TestSerial::cardClearingSendsOnlyAfterOk() {
    QTemporaryDir dir;
    Simulator sim;
    if (!sim.start(dir, {QStringLiteral("--silent")}))
        QSKIP("the device simulator could not open a pseudo-terminal");
    ScriptedDialogs dialogs;
    auto form = makeWindow(dialogs);
    QtSerialLink link({sim.slaveName});
    DeviceController controller(*form, link);

    // Closed port: the question is asked, nothing is sent.
    dialogs.answers = {Answer::Ok};
    form->act_loeschen->trigger();
    QCOMPARE(dialogs.calls.size(), std::size_t{1});
    QCOMPARE(dialogs.calls[0].title, QString::fromUtf8("Karte Löschen?"));
    QCOMPARE(dialogs.calls[0].text, QString::fromUtf8("Sollen die SD-Karte gelöscht werden?"));
    QVERIFY(dialogs.calls[0].buttons == ui::Buttons::OkCancel);

    controller.comp_Click(1);
    dialogs.answers = {Answer::Cancel};
    form->act_loeschen->trigger();
    const QString status = form->panels[0]->text();
    dialogs.answers = {Answer::Ok};
    form->act_loeschen->trigger();
    QTRY_COMPARE(sim.commands(), QByteArray("p\n"));
    QTest::qWait(300);
    QCOMPARE(sim.commands(), QByteArray("p\n"));
    QCOMPARE(form->panels[0]->text(), status);
    QVERIFY(form->session().saved());
}

void TestSerial::shutDownClosesThePort() {
    Pty pty;
    if (!pty.open())
        QSKIP("no pseudo-terminal available");
    ScriptedDialogs dialogs;
    auto form = makeWindow(dialogs);
    bool earlierHookRan = false;
    form->beforeExit = [&] { earlierHookRan = true; };
    QtSerialLink link({pty.slaveName});
    DeviceController controller(*form, link);
    controller.comp_Click(1);
    QVERIFY(link.isOpen());
    form->beforeExit();
    QVERIFY(!link.isOpen());
    QVERIFY(earlierHookRan);
}

QTEST_MAIN(TestSerial)
#include "test_serial.moc"
