#include "qt_serial_link.h"

#include <QSerialPort>
#include <QSerialPortInfo>
#include <algorithm>
#include <cerrno>

#include "posix_serial_link.h"

namespace vexor {

namespace {

// The system's error number behind a refused open. Qt keeps only its own
// category, so the number is the one the failed call left, when it agrees
// with the category.
int open_error_number(QSerialPort::SerialPortError category, int saved_errno) {
    switch (category) {
        case QSerialPort::DeviceNotFoundError:
            return saved_errno == ENODEV || saved_errno == ENXIO ? saved_errno : ENOENT;
        case QSerialPort::PermissionError:
            // Anything but a refused permission is a port another program holds
            // (its lock file, or the exclusive mode).
            return saved_errno == EACCES || saved_errno == EPERM ? EACCES : EBUSY;
        default:
            return saved_errno;
    }
}

}  // namespace

QtSerialLink::QtSerialLink() = default;

QtSerialLink::~QtSerialLink() {
    close();
}

void QtSerialLink::close() {
    if (port_) {
        port_->close();
    }
}

bool QtSerialLink::open(const std::string& device, int baud, std::string& error) {
    close();
    received_.clear();
    port_ = std::make_unique<QSerialPort>();
    port_->setPortName(QString::fromStdString(device));
    port_->setBaudRate(baud);
    port_->setDataBits(QSerialPort::Data8);
    port_->setParity(QSerialPort::NoParity);
    port_->setStopBits(QSerialPort::OneStop);
    port_->setFlowControl(QSerialPort::NoFlowControl);
    errno = 0;
    if (!port_->open(QIODevice::ReadWrite)) {
        const int saved_errno = errno;
        const int number = open_error_number(port_->error(), saved_errno);
        error = number != 0 ? grbl::serial_open_failure(device, number)
                            : "Impossible d'ouvrir le port « " + device +
                                  " » : " + port_->errorString().toStdString() + ".";
        port_.reset();
        return false;
    }
    QObject::connect(port_.get(), &QSerialPort::errorOccurred, port_.get(),
                     [this](QSerialPort::SerialPortError e) {
                         if (e == QSerialPort::ResourceError || e == QSerialPort::WriteError ||
                             e == QSerialPort::ReadError) {
                             lose();
                         }
                     });
    return true;
}

bool QtSerialLink::is_open() const {
    return port_ && port_->isOpen();
}

void QtSerialLink::lose() {
    if (is_open()) {
        received_ += port_->readAll().toStdString();
        port_->close();
    }
}

bool QtSerialLink::write(std::string_view bytes) {
    if (!is_open()) {
        return false;
    }
    const auto size = static_cast<qint64>(bytes.size());
    if (port_->write(bytes.data(), size) != size) {
        lose();
        return false;
    }
    // Out now, not at the next turn of the event loop: a real-time byte
    // (feed hold, reset) must not wait, and a machine shut down as the
    // program quits has no event loop left to send it.
    port_->flush();
    return is_open();
}

std::string QtSerialLink::read_available() {
    std::string out;
    out.swap(received_);
    if (!is_open()) {
        return out;
    }
    // Without an event loop (the program quitting), nothing fills Qt's
    // buffer: a wait of no time reads what the device has sent.
    if (port_->bytesAvailable() == 0) {
        port_->waitForReadyRead(0);
    }
    if (!is_open()) {
        out += received_;
        received_.clear();
        return out;
    }
    out += port_->readAll().toStdString();
    return out;
}

std::vector<SerialPortChoice> serial_ports() {
    std::vector<SerialPortChoice> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        ports.push_back({info.systemLocation().toStdString(), info.description().toStdString(),
                         info.manufacturer().toStdString()});
    }
    std::sort(ports.begin(), ports.end(), [](const SerialPortChoice& a, const SerialPortChoice& b) {
        return a.device < b.device;
    });
    return ports;
}

}  // namespace vexor
