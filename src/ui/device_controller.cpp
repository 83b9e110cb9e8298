#include "ui/device_controller.h"

#include <QAction>
#include <QApplication>
#include <QChart>
#include <QFrame>
#include <QLabel>
#include <QLegend>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTextCursor>
#include <QTime>
#include <QTimer>

#include "device/card_commands.h"
#include "model/encoding.h"
#include "ui/dialogs.h"
#include "ui/form1.h"
#include "ui/speed_chart.h"

namespace korvala::ui {

DeviceController::DeviceController(Form1& form, QtSerialLink& link, QObject* parent)
    : QObject(parent), form_(form), link_(link), receiver_(form.session(), link) {
    timeOfDay = [] { return QTime::currentTime().toString(QStringLiteral("hh:mm:ss")); };

    connect(form_.act_new, &QAction::triggered, this, &DeviceController::new_Click);
    connect(form_.act_loeschen, &QAction::triggered, this, &DeviceController::loeschen_Click);
    connect(form_.act_auto, &QAction::triggered, this, &DeviceController::auto_Click);
    for (int i = 0; i < QtSerialLink::kMaxPorts; ++i) {
        connect(form_.act_comp[static_cast<std::size_t>(i)], &QAction::triggered, this,
                [this, i] { comp_Click(i + 1); });
    }
    connect(form_.portMenu(), &QMenu::aboutToShow, this, &DeviceController::refreshPortMenu);
    connect(form_.inputTimer, &QTimer::timeout, this, &DeviceController::inputTimer_Timer);
    connect(form_.dlg_cancel, &QPushButton::clicked, this, &DeviceController::dlgCancelled);
    // A measurement opened while a transfer runs (a file, a drop, the archive) is the user's
    // choice: the transfer gives way, so its records never land on the opened site.
    connect(&form_, &Form1::sessionRefreshed, this, [this] {
        if (!refreshing_ && receiver_.receiving())
            dlgCancelled();
    });

    // Shutting down closes the port after whatever the window itself does then. The window may
    // outlive this controller, so the hook checks that it is still there.
    QPointer<DeviceController> self(this);
    auto before = std::move(form_.beforeExit);
    form_.beforeExit = [self, before = std::move(before)] {
        if (before)
            before();
        if (self)
            self->closePort();
    };
    link_.onLost = [this] { portLost(); };
}

DeviceController::~DeviceController() {
    link_.onLost = nullptr;
    if (hourglass_)
        QApplication::restoreOverrideCursor();
}

// ---- transfer ----

void DeviceController::new_Click() {
    form_.saveall();
    const StartOutcome outcome =
        receiver_.start(form_.todayText().toStdString(), timeOfDay().toStdString());
    showDebugLog();
    if (outcome == StartOutcome::PortClosed) {
        // Nothing was touched; say why nothing happens instead of ignoring the command.
        form_.session().setPanel(1, "Keine Schnittstelle geöffnet.");
        return;
    }
    if (outcome != StartOutcome::Started)
        return;

    // The measurement on screen is gone: the grids, report, charts and captions show the empty
    // one, whatever becomes of the transfer.
    refreshFromSession();
    form_.dlg_input->show();
    form_.dlg_input->raise();
    form_.inputTimer->start();
    form_.PB1->setValue(form_.PB1->minimum());
    if (auto* chart = form_.findChild<SpeedChart*>())
        chart->chart()->legend()->setVisible(true);
    if (!hourglass_) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        hourglass_ = true;
    }
}

void DeviceController::inputTimer_Timer() {
    const TickOutcome outcome = receiver_.tick();
    if (outcome == TickOutcome::Idle) {
        // The line is drained, or a timer started elsewhere has nothing to poll.
        form_.inputTimer->stop();
        return;
    }
    if (outcome == TickOutcome::Draining)
        return;
    form_.Text1->setText(QString::fromStdString(cp1252ToUtf8(receiver_.lastPiece())));
    form_.Label11->setText(QString::number(receiver_.inBufferCount()));
    form_.PB1->setValue(receiver_.progress());
    showDebugLog();
    if (outcome == TickOutcome::Receiving)
        return;

    if (outcome == TickOutcome::Completed) {
        form_.SSTab1->setEnabled(true);
        refreshFromSession();
    }
    endTransfer();
    emit transferEnded(outcome);
}

void DeviceController::refreshFromSession() {
    refreshing_ = true;
    form_.refreshFromSession();
    refreshing_ = false;
}

void DeviceController::endTransfer() {
    form_.inputTimer->stop();
    if (hourglass_) {
        hourglass_ = false;
        QApplication::restoreOverrideCursor();
    }
    form_.dlg_input->hide();
    form_.dlg_daten->hide();
}

void DeviceController::dlgCancelled() {
    receiver_.cancel();
    // The device goes on sending the cancelled transfer; the timer keeps emptying the line
    // behind the hidden overlay until it is quiet.
    if (receiver_.draining())
        form_.inputTimer->start();
    else
        form_.inputTimer->stop();
    form_.dlg_input->hide();
    form_.dlg_daten->hide();
    if (hourglass_) {
        hourglass_ = false;
        // The window's own handler may have reset the pointer already.
        if (QApplication::overrideCursor() != nullptr)
            QApplication::restoreOverrideCursor();
    }
}

void DeviceController::showDebugLog() {
    const std::string& log = receiver_.debugLog();
    if (static_cast<qsizetype>(log.size()) <= debugShown_)
        return;
    // Only the new part is appended: the log of a long transfer grows with every tick.
    QString added = QString::fromUtf8(log.data() + debugShown_,
                                      static_cast<qsizetype>(log.size()) - debugShown_);
    debugShown_ = static_cast<qsizetype>(log.size());
    added.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QTextCursor cursor(form_.Text6->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(added);
}

// ---- card ----

void DeviceController::loeschen_Click() {
    const Answer answer =
        form_.dialogs().ask(QString::fromUtf8("Karte Löschen?"),
                            QString::fromUtf8("Sollen die SD-Karte gelöscht werden?"),
                            Buttons::OkCancel, Icon::Question);
    if (answer != Answer::Ok)
        return;
    clearCard(link_);
}

// ---- ports ----

void DeviceController::refreshPortMenu() {
    const int open = link_.openPortNumber();
    for (int n = 1; n <= QtSerialLink::kMaxPorts; ++n) {
        QAction* entry = form_.act_comp[static_cast<std::size_t>(n - 1)];
        const QString name = link_.displayName(n);
        entry->setVisible(!name.isEmpty());
        if (name.isEmpty())
            continue;
        entry->setText(name);
        // The port in use cannot be opened a second time, but it is usable.
        entry->setEnabled(n == open || link_.portTest(n));
    }
    // The window starts with the first entry checked although no port is open yet; a mark on
    // a closed port would promise a transfer that "Daten auslesen" then refuses.
    markPort(open);
}

void DeviceController::comp_Click(int portNumber) {
    if (portNumber == link_.openPortNumber()) {
        markPort(portNumber);
        return;
    }
    if (form_.inputTimer->isActive())
        dlgCancelled();
    if (link_.open(portNumber)) {
        markPort(portNumber);
        return;
    }
    markPort(0);
    form_.dialogs().inform(Form1::messageTitle(),
                           QString::fromUtf8("Die Schnittstelle %1 kann nicht geöffnet werden.\n%2")
                               .arg(link_.displayName(portNumber), link_.lastError()),
                           Icon::Warning);
}

void DeviceController::auto_Click() {
    if (form_.inputTimer->isActive())
        dlgCancelled();
    link_.close();
    for (int n = 1; n <= QtSerialLink::kMaxPorts; ++n) {
        if (link_.portTest(n) && link_.open(n)) {
            markPort(n);
            return;
        }
    }
    markPort(0);
    form_.dialogs().inform(Form1::messageTitle(),
                           QString::fromUtf8("Es wurde keine freie Schnittstelle gefunden."),
                           Icon::Warning);
}

void DeviceController::markPort(int portNumber) {
    for (int n = 1; n <= QtSerialLink::kMaxPorts; ++n)
        form_.act_comp[static_cast<std::size_t>(n - 1)]->setChecked(n == portNumber);
}

void DeviceController::portLost() {
    markPort(0);
    // A running transfer ends by the silence rule; the status line says why at once.
    form_.session().setPanel(1, "Die Schnittstelle ist nicht mehr verfügbar.");
}

void DeviceController::closePort() {
    link_.close();
}

}  // namespace korvala::ui
