#pragma once
// Connects the main window's device-link entries, the transfer overlay and its 300 ms timer to
// the transfer receiver and the serial link. The window only carries the widgets; this object
// decides what a transfer, a port choice or the card command does to them.

#include <QObject>
#include <QString>

#include <functional>

#include "device/qt/qt_serial_link.h"
#include "device/transfer_receiver.h"

namespace korvala::ui {

class Form1;

class DeviceController final : public QObject {
    Q_OBJECT
  public:
    // `link` must outlive the controller. The controller closes the port when the window shuts
    // down.
    DeviceController(Form1& form, QtSerialLink& link, QObject* parent = nullptr);
    ~DeviceController() override;

    TransferReceiver& receiver() { return receiver_; }
    QtSerialLink& link() { return link_; }
    // The time of day written into the debug log at a transfer start ("hh:mm:ss").
    std::function<QString()> timeOfDay;

    // Menu commands, also callable directly.
    void new_Click();
    void loeschen_Click();
    void auto_Click();
    void comp_Click(int portNumber);
    // Re-reads which ports exist and which of them can be opened; runs whenever the port menu
    // opens.
    void refreshPortMenu();
    void closePort();

  signals:
    // A transfer ended; `outcome` is one of the ending TickOutcome values.
    void transferEnded(korvala::TickOutcome outcome);

  private:
    void inputTimer_Timer();
    void dlgCancelled();
    void endTransfer();
    // The window's views from the session, as the transfer's own refresh.
    void refreshFromSession();
    void showDebugLog();
    void markPort(int portNumber);
    void portLost();

    Form1& form_;
    QtSerialLink& link_;
    TransferReceiver receiver_;
    bool hourglass_ = false;
    bool refreshing_ = false;   // the refresh under way is the transfer's own
    qsizetype debugShown_ = 0;  // bytes of the debug log already in the debug box
};

}  // namespace korvala::ui
