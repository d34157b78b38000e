#include "QtSerialPort.h"

#include "PortNames.h"
#include "PortTable.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QThread>
#include <algorithm>
#include <utility>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tavixat {

namespace {

QString modeText(uint mode) {
    return QStringLiteral("0%1").arg(mode & 0777, 3, 8, QLatin1Char('0'));
}

QString nothingThere(const QString& path, const DeviceFacts& facts) {
    QString text = QStringLiteral("%1: there is no such device.\r\n").arg(path);
    if (facts.attachedPorts.isEmpty())
        return text + QStringLiteral("No serial adapter is attached: plug one in, then choose "
                                     "its COM number in the port list.");
    return text + QStringLiteral("Attached now:\r\n") +
           facts.attachedPorts.join(QStringLiteral("\r\n"));
}

QString notAllowed(const QString& path, const DeviceFacts& facts) {
    const QString user = facts.user.isEmpty() ? QStringLiteral("your user name") : facts.user;
    // Joining the group helps only where the group may read and write, and root is no group to
    // hand out.
    const bool groupGrantsAccess = (facts.mode & 0060) == 0060 && !facts.group.isEmpty() &&
                                   facts.group != QStringLiteral("root");
    if (groupGrantsAccess)
        return QStringLiteral("%1: you are not allowed to use this port. Add yourself to the group "
                              "%2 (sudo usermod -aG %2 %3), then log out and in again.")
            .arg(path, facts.group, user);
    return QStringLiteral("%1: you (%2) are not allowed to use this port. It belongs to %3 (group "
                          "%4) with mode %5, which no group membership changes: an administrator "
                          "or a udev rule must grant you access.")
        .arg(path, user, facts.owner, facts.group, modeText(facts.mode));
}

QString busy(const QString& path) {
    return QStringLiteral("%1: the port is busy (in use by another program).").arg(path);
}

// The file the serial port opens for a name: a relative name is one under /dev.
QString systemPath(const QString& name) {
    const bool located = name.startsWith(u'/') || name.startsWith(QLatin1String("./")) ||
                         name.startsWith(QLatin1String("../"));
    return located ? name : QStringLiteral("/dev/") + name;
}

} // namespace

DeviceFacts gatherDeviceFacts(const QString& name) {
    const QString path = systemPath(name);
    DeviceFacts facts;
    const PortTable table = refreshPortTable();
    for (const PortEntry& entry : table.ports)
        if (entry.attached)
            facts.attachedPorts.append(portKey(entry.number) + QStringLiteral(": ") + entry.device);
    facts.attachedPorts.append(table.unnumbered);
    const auto entry = std::find_if(table.ports.cbegin(), table.ports.cend(),
                                    [&](const PortEntry& e) { return e.device == path; });
    facts.attached = entry != table.ports.cend() ? entry->attached : QFileInfo::exists(path);
#ifdef Q_OS_UNIX
    const QByteArray file = path.toLocal8Bit();
    struct stat status {};
    if (::stat(file.constData(), &status) != 0) {
        facts.kind = DeviceFacts::Kind::Missing;
        return facts;
    }
    facts.kind =
        S_ISCHR(status.st_mode) ? DeviceFacts::Kind::SerialPort : DeviceFacts::Kind::NotSerialPort;
    if (facts.kind == DeviceFacts::Kind::SerialPort) {
        // A character device that is no terminal (/dev/null) takes no line settings.
        const int fd = ::open(file.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            if (!::isatty(fd))
                facts.kind = DeviceFacts::Kind::NotSerialPort;
            ::close(fd);
        }
    }
    facts.mode = status.st_mode & 0777;
    if (const passwd* owner = ::getpwuid(status.st_uid))
        facts.owner = QString::fromLocal8Bit(owner->pw_name);
    if (const group* group = ::getgrgid(status.st_gid))
        facts.group = QString::fromLocal8Bit(group->gr_name);
    if (const passwd* user = ::getpwuid(::getuid()))
        facts.user = QString::fromLocal8Bit(user->pw_name);
    // Both a busy port and a forbidden one fail with PermissionError: only this tells them apart.
    facts.userMayUse =
        ::access(file.constData(), R_OK | W_OK) == 0 || (errno != EACCES && errno != EPERM);
#endif
    return facts;
}

QString describeOpenFailure(const QString& path, QSerialPort::SerialPortError error,
                            const QString& reason, const DeviceFacts& facts) {
    if (error == QSerialPort::DeviceNotFoundError || facts.kind == DeviceFacts::Kind::Missing ||
        !facts.attached)
        return nothingThere(path, facts);
    if (facts.kind == DeviceFacts::Kind::NotSerialPort)
        return QStringLiteral("%1 is not a serial port.").arg(path);
    switch (error) {
    case QSerialPort::PermissionError:
        if (!facts.userMayUse)
            return notAllowed(path, facts);
        return busy(path);
    default:
        return QStringLiteral("%1: the port cannot be opened (%2).").arg(path, reason);
    }
}

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

    // Qt takes a name without a leading "/" to be under /dev: a relative path is made whole.
    devicePath_ =
        givenPath_.isEmpty() ? devicePathFor(commPort_) : QFileInfo(givenPath_).absoluteFilePath();
    if (!line_) {
        errorDescription =
            QStringLiteral("%1: the line settings \"%2\" are not valid (expected e.g. 9600,N,8,1).")
                .arg(devicePath_, settingsText_);
        return false;
    }
    if (!lockDevice()) {
        errorDescription = busy(devicePath_);
        return false;
    }
    configurePort();
    if (!port_.open(QIODevice::ReadWrite)) {
        unlockDevice();
        errorDescription = describeOpenFailure(devicePath_, port_.error(), port_.errorString(),
                                               gatherDeviceFacts(devicePath_));
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

bool QtSerialPort::lockDevice() {
#ifdef Q_OS_UNIX
    // Locked before Qt opens it: Qt's open sets up the line and flushes it both ways, which must
    // not happen under a program already talking through it. Opening a line that is open already
    // changes nothing on it.
    const int fd = ::open(systemPath(devicePath_).toLocal8Bit().constData(),
                          O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno != EBUSY; // other failures: Qt's open fails too, and tells why
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool taken = errno == EWOULDBLOCK;
        ::close(fd);
        return !taken;
    }
    lockFd_ = fd;
#endif
    return true;
}

void QtSerialPort::unlockDevice() {
#ifdef Q_OS_UNIX
    if (lockFd_ >= 0)
        ::close(std::exchange(lockFd_, -1)); // closing the descriptor drops its lock
#endif
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
    if (port_.isOpen()) {
        closing_ = true;
        port_.close();
        closing_ = false;
        port_.clearError();
    }
    unlockDevice();
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

bool QtSerialPort::waitForInput(int milliseconds) {
    if (!isOpen()) {
        QThread::msleep(ulong(std::max(milliseconds, 0)));
        return false;
    }
    if (port_.bytesAvailable() > 0)
        return true;
    // Sleeps in the system until a byte comes: a station that waits costs no CPU.
    const bool arrived = port_.waitForReadyRead(milliseconds);
    if (port_.error() == QSerialPort::TimeoutError)
        port_.clearError();
    return arrived && isOpen();
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
