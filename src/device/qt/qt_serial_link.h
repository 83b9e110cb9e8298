#pragma once
// The serial port of the device link on QSerialPort. Port numbers 1..15 name the serial devices
// of this machine in a fixed order (USB adapters first, as a measuring device is usually
// attached through one), or an explicit list of device paths (pseudo-terminals in tests).
//
// Reading is polled: the receiver's timer asks for whatever arrived, nothing reacts to the
// port's own signals except a vanished device, which closes the port so that every later user
// sees it closed.

#include <QSerialPort>
#include <QString>
#include <QStringList>

#include <functional>
#include <string>

#include "device/serial_link.h"

namespace korvala {

class QtSerialLink final : public SerialLink {
  public:
    static constexpr int kMaxPorts = 15;
    static constexpr qint32 kBaudRate = 19200;
    static constexpr qint64 kReadBufferSize = 2048;

    // Numbers the serial devices that exist now.
    QtSerialLink();
    // Numbers the given device paths or port names instead (1 = the first).
    explicit QtSerialLink(QStringList portNames);
    ~QtSerialLink() override;

    QtSerialLink(const QtSerialLink&) = delete;
    QtSerialLink& operator=(const QtSerialLink&) = delete;

    // The serial devices of this machine, in the order the numbers are given out.
    static QStringList systemPortNames();
    void setPortNames(QStringList portNames) { names_ = std::move(portNames); }
    const QStringList& portNames() const { return names_; }
    // The device behind a port number; empty when the number names none.
    QString portName(int portNumber) const;
    // The name shown in the port menu ("ttyUSB0" for /dev/ttyUSB0).
    QString displayName(int portNumber) const;

    // PortTest: opens and closes the port; true when the open succeeded. Leaves it closed and
    // shows nothing. A port in use (also by this link) tests false.
    bool portTest(int portNumber) const;

    bool open(int portNumber) override;
    void close() override;
    bool isOpen() const override { return port_.isOpen(); }
    int bytesAvailable() const override;
    std::string readAll() override;
    void write(const std::string& text) override;

    // The number of the open port, 0 when closed.
    int openPortNumber() const { return isOpen() ? number_ : 0; }
    // Why the last open failed, or why the port was lost, in German.
    QString lastError() const { return lastError_; }
    static QString errorText(QSerialPort::SerialPortError error);
    // Called when the open port vanished (the device was unplugged); the port is closed by then.
    std::function<void()> onLost;

  private:
    static bool configure(QSerialPort& port);

    QStringList names_;
    QSerialPort port_;
    int number_ = 0;
    QString lastError_;
};

}  // namespace korvala
