#include "device/qt/qt_serial_link.h"

#include <QCollator>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>
#include <climits>

namespace korvala {

namespace {

bool isUsbAdapter(const QString& name) {
    return name.startsWith(QLatin1String("ttyUSB")) || name.startsWith(QLatin1String("ttyACM"));
}

}  // namespace

// QSerialPort's own texts are the system's, in English on most machines; the user reads these
// in the port's message box.
QString QtSerialLink::errorText(QSerialPort::SerialPortError error) {
    switch (error) {
        case QSerialPort::DeviceNotFoundError:
            return QStringLiteral("Die Schnittstelle gibt es nicht (Gerät nicht angeschlossen?).");
        case QSerialPort::PermissionError:
            return QString::fromUtf8(
                "Keine Berechtigung für die Schnittstelle, oder ein anderes Programm benutzt sie.");
        case QSerialPort::OpenError:
            return QString::fromUtf8("Die Schnittstelle ist bereits geöffnet.");
        case QSerialPort::NotOpenError:
            return QString::fromUtf8("Die Schnittstelle ist nicht geöffnet.");
        case QSerialPort::UnsupportedOperationError:
            return QString::fromUtf8(
                "Das Gerät ist keine serielle Schnittstelle oder kann nicht auf 19200 Baud, 8N1 "
                "gestellt werden.");
        case QSerialPort::ResourceError:
            return QString::fromUtf8(
                "Die Schnittstelle ist nicht mehr verfügbar (Gerät abgezogen?).");
        case QSerialPort::ReadError:
            return QStringLiteral("Fehler beim Lesen von der Schnittstelle.");
        case QSerialPort::WriteError:
            return QStringLiteral("Fehler beim Senden an die Schnittstelle.");
        case QSerialPort::TimeoutError:
            return QString::fromUtf8("Zeitüberschreitung an der Schnittstelle.");
        default:
            return QStringLiteral("Unbekannter Fehler der Schnittstelle (Nr. %1).")
                .arg(static_cast<int>(error));
    }
}

QtSerialLink::QtSerialLink() : QtSerialLink(systemPortNames()) {}

QtSerialLink::QtSerialLink(QStringList portNames) : names_(std::move(portNames)) {
    // A device that is pulled out while open must not leave a port that claims to be open: the
    // transfer would wait for text that can never come and the card command would write into
    // nothing. A hung-up line reports a read error on every poll, not only once, so it is closed
    // on the first.
    QObject::connect(&port_, &QSerialPort::errorOccurred, &port_,
                     [this](QSerialPort::SerialPortError error) {
                         if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
                             return;
                         if (!port_.isOpen())
                             return;
                         lastError_ = errorText(port_.error());
                         close();
                         if (onLost)
                             onLost();
                     });
}

QtSerialLink::~QtSerialLink() {
    close();
}

QStringList QtSerialLink::systemPortNames() {
    QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    QCollator collator;
    collator.setNumericMode(true);
    std::stable_sort(ports.begin(), ports.end(),
                     [&](const QSerialPortInfo& a, const QSerialPortInfo& b) {
                         const bool usbA = isUsbAdapter(a.portName());
                         const bool usbB = isUsbAdapter(b.portName());
                         if (usbA != usbB)
                             return usbA;
                         return collator.compare(a.portName(), b.portName()) < 0;
                     });
    QStringList names;
    for (const QSerialPortInfo& info : ports) {
        if (names.size() == kMaxPorts)
            break;
        names << info.systemLocation();
    }
    return names;
}

QString QtSerialLink::portName(int portNumber) const {
    if (portNumber < 1 || portNumber > kMaxPorts || portNumber > names_.size())
        return {};
    return names_.at(portNumber - 1);
}

QString QtSerialLink::displayName(int portNumber) const {
    const QString name = portName(portNumber);
    // Pseudo-terminals all end in a bare number; keep their folder so they can be told apart.
    if (name.startsWith(QLatin1String("/dev/pts/")))
        return name.mid(5);
    return name.startsWith(QLatin1Char('/')) ? QFileInfo(name).fileName() : name;
}

bool QtSerialLink::configure(QSerialPort& port) {
    return port.setBaudRate(kBaudRate) && port.setDataBits(QSerialPort::Data8) &&
           port.setParity(QSerialPort::NoParity) && port.setStopBits(QSerialPort::OneStop) &&
           port.setFlowControl(QSerialPort::NoFlowControl);
}

bool QtSerialLink::portTest(int portNumber) const {
    const QString name = portName(portNumber);
    if (name.isEmpty())
        return false;
    QSerialPort probe;
    probe.setPortName(name);
    const bool ok = probe.open(QIODevice::ReadWrite);
    probe.close();
    return ok;
}

bool QtSerialLink::open(int portNumber) {
    close();
    const QString name = portName(portNumber);
    if (name.isEmpty()) {
        lastError_ = QStringLiteral("Keine Schnittstelle mit der Nummer %1.").arg(portNumber);
        return false;
    }
    port_.setPortName(name);
    // Qt keeps at most this much unread; the rest waits in the system's buffer instead of being
    // lost. Qt has no setting for the transmit side, and the two commands are one byte each.
    port_.setReadBufferSize(kReadBufferSize);
    if (!port_.open(QIODevice::ReadWrite)) {
        lastError_ = errorText(port_.error());
        return false;
    }
    if (!configure(port_)) {
        lastError_ = errorText(port_.error());
        port_.close();
        return false;
    }
    number_ = portNumber;
    lastError_.clear();
    return true;
}

void QtSerialLink::close() {
    if (port_.isOpen())
        port_.close();
    number_ = 0;
}

int QtSerialLink::bytesAvailable() const {
    return isOpen() ? static_cast<int>(std::min<qint64>(port_.bytesAvailable(), INT_MAX)) : 0;
}

std::string QtSerialLink::readAll() {
    if (!isOpen())
        return {};
    const QByteArray bytes = port_.readAll();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void QtSerialLink::write(const std::string& text) {
    if (!isOpen())
        return;
    port_.write(text.data(), static_cast<qint64>(text.size()));
    // Out now, not when the event loop next runs.
    port_.flush();
}

}  // namespace korvala
