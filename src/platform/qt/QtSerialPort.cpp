#include "QtSerialPort.h"

#include "PortNames.h"

#include <QDeadlineTimer>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <unistd.h>
#endif

namespace tavixat {

namespace {

// Both fail with PermissionError: another program holding the port, or a user outside the
// group that owns it. Only the file's permissions tell them apart.
bool userMayNotUse(const QString& path) {
#ifdef Q_OS_UNIX
    if (::access(path.toLocal8Bit().constData(), R_OK | W_OK) == 0)
        return false;
    return errno == EACCES || errno == EPERM;
#else
    Q_UNUSED(path);
    return false;
#endif
}

QString describeOpenFailure(const QString& path, QSerialPort::SerialPortError error,
                            const QString& reason) {
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("%1: there is no such device (is the adapter plugged in?)").arg(path);
    case QSerialPort::PermissionError:
        if (userMayNotUse(path))
            return QStringLiteral("%1: you are not allowed to use this port. Add yourself to the "
                                  "dialout group (sudo usermod -aG dialout $USER), then log out "
                                  "and in again.")
                .arg(path);
        return QStringLiteral("%1: the port is busy (in use by another program).").arg(path);
    default:
        return QStringLiteral("%1: the port cannot be opened (%2).").arg(path, reason);
    }
}

} // namespace

QtSerialPort::QtSerialPort(QObject* parent) : SerialPort(parent) {
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialPort::handleError);
}

QtSerialPort::~QtSerialPort() {
    // No error of the closing port may reach a half-destroyed object.
    port_.disconnect(this);
    closeQuietly();
}

bool QtSerialPort::setCommPort(int number) {
    if (!isValidPortNumber(number))
        return false;
    commPort_ = number;
    return true;
}

QString QtSerialPort::portLabel() const {
    return givenPath_.isEmpty() ? SerialPort::portLabel() : givenPath_;
}

void QtSerialPort::setSettings(const QString& settings) {
    // Kept as given: a malformed text makes the next open fail and say why.
    settingsText_ = settings;
    line_ = parseLineSettings(settings);
}

void QtSerialPort::setInputLen(int length) {
    inputLen_ = qMax(0, length);
}

bool QtSerialPort::open(QString& errorDescription) {
    if (isOpen())
        return true;
    // A lost link whose close is still queued: finish it now, quietly.
    closeQuietly();

    devicePath_ = givenPath_.isEmpty() ? devicePathFor(commPort_) : givenPath_;
    if (!line_) {
        errorDescription =
            QStringLiteral("%1: the line settings \"%2\" are not valid (expected e.g. 9600,N,8,1).")
                .arg(devicePath_, settingsText_);
        return false;
    }
    configurePort();
    if (!port_.open(QIODevice::ReadWrite)) {
        errorDescription = describeOpenFailure(devicePath_, port_.error(), port_.errorString());
        port_.clearError();
        return false;
    }
    ++openSerial_;
    linkLost_ = false;
    // Bytes the line held before this open belong to no exchange of ours (a reply to a tool
    // that closed the port, or was killed, before reading it).
    port_.clear(QSerialPort::Input);
    applyRts();
    return true;
}

void QtSerialPort::configurePort() {
    port_.setPortName(devicePath_);
    port_.setBaudRate(line_->baudRate);
    port_.setParity(line_->parity);
    port_.setDataBits(line_->dataBits);
    port_.setStopBits(line_->stopBits);
    port_.setFlowControl(QSerialPort::NoFlowControl);
}

void QtSerialPort::close() {
    closeQuietly();
}

void QtSerialPort::closeQuietly() {
    ++openSerial_;
    linkLost_ = false;
    if (!port_.isOpen())
        return;
    closing_ = true;
    port_.close();
    closing_ = false;
    port_.clearError();
}

bool QtSerialPort::isOpen() const {
    return port_.isOpen() && !linkLost_;
}

void QtSerialPort::setRtsEnable(bool enabled) {
    rts_ = enabled;
    if (isOpen())
        applyRts();
}

void QtSerialPort::applyRts() {
    // A port without modem lines (a pseudo-terminal) refuses; that costs this system nothing.
    if (!port_.setRequestToSend(rts_))
        port_.clearError();
}

void QtSerialPort::discardInput() {
    if (isOpen())
        port_.clear(QSerialPort::Input); // the system's queue and what QSerialPort holds
}

QByteArray QtSerialPort::readInput() {
    if (!isOpen())
        return {};
    pullInput();
    return inputLen_ > 0 ? port_.read(inputLen_) : port_.readAll();
}

void QtSerialPort::pullInput() {
    // readAll only sees what the event loop or a wait has already taken from the system.
    for (int pass = 0; pass < kMaxPullPasses && port_.waitForReadyRead(0); ++pass) {
    }
    if (port_.error() == QSerialPort::TimeoutError)
        port_.clearError();
}

void QtSerialPort::writeOutput(const QByteArray& bytes) {
    if (!isOpen() || bytes.isEmpty())
        return;
    port_.write(bytes);
    pushOutput();
}

void QtSerialPort::pushOutput() {
    // write only queues; without this, bytes written right before a close would never leave.
    const QDeadlineTimer deadline(kWriteTimeout);
    while (port_.bytesToWrite() > 0 && !deadline.hasExpired() &&
           port_.waitForBytesWritten(int(deadline.remainingTime()))) {
    }
    if (port_.error() == QSerialPort::TimeoutError)
        port_.clearError();
}

void QtSerialPort::handleError(QSerialPort::SerialPortError error) {
    // A far end that went away shows as a zero-byte read, repeatedly, then as a resource error.
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)
        return;
    if (closing_ || linkLost_ || !port_.isOpen())
        return;
    linkLost_ = true;
    const QString description =
        QStringLiteral("%1: the device is gone (unplugged or hung up).").arg(devicePath_);
    // Closing inside the error signal would pull QSerialPort's notifier from under itself.
    QMetaObject::invokeMethod(
        this, [this, serial = openSerial_, description] { finishLinkLoss(serial, description); },
        Qt::QueuedConnection);
}

void QtSerialPort::finishLinkLoss(quint64 openSerial, const QString& description) {
    if (openSerial != openSerial_)
        return; // closed or opened again meanwhile: that close was the caller's own
    closeQuietly();
    emit linkLost(description);
}

} // namespace tavixat
