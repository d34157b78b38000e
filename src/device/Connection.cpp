#include "Connection.h"

#include "Commands.h"
#include "ConnectionWindow.h"
#include "DeviceState.h"
#include "Exchanges.h"
#include "Platform.h"
#include "QueryFields.h"
#include "SerialPort.h"
#include "SettingsRules.h"
#include "SettingsTransfer.h"
#include "StoredPort.h"
#include "Version.h"
#include "modComm.h"

namespace tavixat {

namespace {

const QString kConnectCaption = QStringLiteral("Connect");
const QString kDisconnectCaption = QStringLiteral("Disconnect");
const QString kNoReply = QStringLiteral("No reply from device!");

QString gateMessage(const QString& version) {
    return QStringLiteral("Invalid firmware version (") + version + QStringLiteral(")!") +
           QStringLiteral("\r\n\r\n") + QStringLiteral("It must be v2.0 or higher!");
}

} // namespace

Connection::Connection(modComm& comm, Platform& platform, DeviceState& device,
                       ConnectionWindow& window, PortMemory portMemory, Pace pace, QObject* parent)
    : QObject(parent), comm_(comm), platform_(platform), device_(device), window_(window),
      portMemory_(portMemory), pace_(pace) {
    comm_.setPace(pace);
    connect(&comm_.port(), &SerialPort::linkLost, this, &Connection::onLinkLost);
}

QString Connection::partlySavedMessage() {
    return QStringLiteral("The settings may be only partly saved: connect again and check them.");
}

// Handlers

void Connection::cmdConnect_Click() {
    // A held click keeps the meaning the button had when it was pressed.
    const QString pressed = window_.connectCaption();
    holdOrRun([this, pressed] {
        if (window_.connectCaption() != pressed)
            return;
        if (pressed == kConnectCaption)
            connectSequence();
        else
            disconnectSequence();
    });
}

void Connection::cmdExit_Click() {
    holdOrRun([this] { exitSequence(); });
}

void Connection::cmdWrite_Click() {
    holdOrRun([this] {
        // Save is offered only while connected; a held click may find the connection gone.
        if (window_.connectCaption() == kDisconnectCaption)
            saveSequence();
    });
}

void Connection::Timer1_Timer() {
    if (running_ || windowGone_)
        return;
    run([this] { keepAlive(); });
}

bool Connection::PingDevice() {
    return exchange::sendAcknowledged(comm_, command::Ping, reply::Ready);
}

bool Connection::mayCloseNow() {
    if (!running_)
        return true;
    closePending_ = true;
    return false;
}

void Connection::windowUnloaded() {
    windowGone_ = true;
    held_.clear();
}

// Keeping exchanges apart

void Connection::holdOrRun(Exchange exchange) {
    if (windowGone_)
        return;
    if (running_) {
        held_.append(std::move(exchange));
        return;
    }
    run(exchange);
}

void Connection::run(const Exchange& exchange) {
    running_ = true;
    exchange();
    running_ = false;
    afterExchange();
}

void Connection::afterExchange() {
    if (windowGone_) {
        held_.clear();
        return;
    }
    if (linkLost_)
        reportLinkLost();
    if (closePending_) {
        closePending_ = false;
        held_.clear();
        window_.unloadWindow();
        return;
    }
    if (!held_.isEmpty())
        run(held_.takeFirst());
}

// Sequences

void Connection::connectSequence() {
    pingsOfLastConnect_ = 0;
    outcome_ = Outcome::PortNotOpened;
    // The window's pause; a command line or a station has no reason to wait before it opens.
    if (pace_ == Pace::Window)
        platform_.sleep(kPauseBeforeOpenMs);
    if (stopRequested_) {
        outcome_ = Outcome::Stopped;
        return;
    }
    comm_.setRtsEnable(true);
    if (!comm_.OpenPort(window_.selectedPortIndex() + 1))
        return;
    if (portMemory_ == PortMemory::Remember)
        rememberPort(platform_, comm_.portNumber()); // a store that cannot be written: no matter
    window_.BeginBusy();
    outcome_ = Outcome::LinkLost;

    bool answered = pingSeries();
    if (!answered && !linkGone() && !stopRequested_) {
        // Some adapters answer only with RTS de-asserted.
        comm_.setRtsEnable(false);
        window_.BeginBusy();
        answered = pingSeries();
    }
    if (linkGone())
        return endConnectAttempt();
    if (stopRequested_)
        return stopConnectAttempt(answered);
    if (!answered)
        return failConnectAttempt(Outcome::NoReply, kNoReply);

    const std::optional<QString> version = exchange::requestVersion(comm_, platform_);
    if (linkGone())
        return endConnectAttempt();
    if (stopRequested_)
        return stopConnectAttempt(true);
    // Silence after a ping was answered is still no reply: there is no version to judge.
    if (!version)
        return failConnectAttempt(Outcome::NoReply, kNoReply);
    device_.FirmwareVersion = *version;
    if (!isVersionAccepted(device_.FirmwareVersion))
        return failConnectAttempt(Outcome::FirmwareRejected, gateMessage(device_.FirmwareVersion));

    if (stopRequested_)
        return stopConnectAttempt(true);
    const int arrived = ReadSettings(comm_, platform_, window_);
    if (linkGone())
        return endConnectAttempt();
    if (stopRequested_)
        return stopConnectAttempt(true);
    // Whatever the window would show now is a guess, and a save would write it.
    if (arrived < kQueryFieldCount)
        return failConnectAttempt(Outcome::IncompleteReply, incompleteReplyMessage(arrived));
    outcome_ = Outcome::Connected;
    window_.setKeepAliveEnabled(true);
    window_.SetConnectedState(true);
    window_.EndBusy();
}

bool Connection::pingSeries() {
    for (int i = 0; i < kPingsPerSeries; ++i) {
        ++pingsOfLastConnect_;
        if (PingDevice())
            return true;
        if (linkGone() || stopRequested_)
            return false;
    }
    return false;
}

void Connection::failConnectAttempt(Outcome outcome, const QString& message) {
    outcome_ = outcome;
    platform_.showMessage(message, MessageIcon::Error);
    endConnectAttempt();
}

void Connection::endConnectAttempt() {
    comm_.ClosePort();
    window_.EndBusy();
}

void Connection::stopConnectAttempt(bool answered) {
    outcome_ = Outcome::Stopped;
    if (answered)
        exchange::sendClosingNotice(comm_);
    endConnectAttempt();
}

void Connection::disconnectSequence() {
    exchange::sendClosingNotice(comm_);
    dropConnection();
}

void Connection::keepAlive() {
    if (PingDevice() || linkGone())
        return;
    // The device stopped answering: drop the connection without a word.
    dropConnection();
}

void Connection::exitSequence() {
    // A closed port carries no ping: there is nothing to wait for.
    if (comm_.isPortOpen() && PingDevice())
        exchange::sendClosingNotice(comm_);
    closePending_ = true;
}

void Connection::saveSequence() {
    window_.setKeepAliveEnabled(false);
    window_.BeginBusy();

    const QString problem = checkSettingsBeforeSave(window_, device_.FirmwareVersion);
    if (!problem.isEmpty()) {
        outcome_ = Outcome::SaveRefused;
        platform_.showMessage(problem, MessageIcon::Error);
    } else {
        const bool saved = WriteSettings(comm_, window_);
        if (linkGone()) {
            outcome_ = Outcome::LinkLost;
            // The loss is reported once the sequence is over; the connection is gone, and the
            // device may have taken only some of the commands.
            lostDuringSave_ = true;
            window_.EndBusy();
            return;
        }
        outcome_ = saved ? Outcome::Saved : Outcome::NotAcknowledged;
        if (saved)
            platform_.showMessage(QStringLiteral("Settings saved!"), MessageIcon::Information);
        else
            platform_.showMessage(kNoReply, MessageIcon::Error);
    }
    window_.setKeepAliveEnabled(true);
    window_.EndBusy();
}

// Loss of the link: the port's own error, as opposed to a reply that does not come.

bool Connection::linkGone() const {
    // The port may close itself on the loss before its report reaches us; a sequence that finds
    // it closed stops, and the report follows once the sequence is over.
    return linkLost_ || !comm_.isPortOpen();
}

void Connection::onLinkLost(const QString& description) {
    if (windowGone_)
        return;
    linkLost_ = true;
    linkLostDescription_ = description;
    if (!running_)
        reportLinkLost();
}

void Connection::reportLinkLost() {
    linkLost_ = false;
    outcome_ = Outcome::LinkLost;
    // No tick may start a ping while the message waits for the user.
    window_.setKeepAliveEnabled(false);
    QString message = modComm::portErrorMessage(comm_.portLabel(), linkLostDescription_);
    if (lostDuringSave_)
        message += QStringLiteral("\r\n") + partlySavedMessage();
    lostDuringSave_ = false;
    platform_.showMessage(message, MessageIcon::Error);
    dropConnection();
}

void Connection::dropConnection() {
    window_.SetConnectedState(false);
    window_.setKeepAliveEnabled(false);
    comm_.ClosePort();
}

} // namespace tavixat
