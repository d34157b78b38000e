#include "modComm.h"

#include "LinkObserver.h"
#include "Platform.h"
#include "SerialPort.h"

#include <algorithm>
#include <utility>

namespace tavixat {

modComm::modComm(SerialPort& port, Platform& platform) : port_(port), platform_(platform) {}

modComm::~modComm() {
    QObject::disconnect(lossToObserver_);
}

void modComm::setObserver(LinkObserver* observer) {
    observer_ = observer;
    QObject::disconnect(lossToObserver_);
    if (observer)
        lossToObserver_ = QObject::connect(&port_, &SerialPort::linkLost,
                                           [observer](const QString& d) { observer->linkLost(d); });
}

QString modComm::portErrorMessage(int portNumber, const QString& description) {
    return portErrorMessage(portKey(portNumber), description);
}

QString modComm::portErrorMessage(const QString& portLabel, const QString& description) {
    return QStringLiteral("ERROR, Check ") + portLabel + QStringLiteral("!") +
           QStringLiteral("\r\n") + description;
}

bool modComm::OpenPort(int portNumber) {
    if (port_.isOpen())
        return true;

    QString description;
    bool opened = false;
    const bool accepted = port_.setCommPort(portNumber);
    if (accepted) {
        port_.setSettings(QString::fromLatin1(kLineSettings));
        port_.setInputLen(0);
        opened = port_.open(description);
    } else {
        description = QStringLiteral("There is no serial port number %1; choose COM1 to COM16.")
                          .arg(portNumber);
    }

    if (!opened) {
        if (observer_)
            observer_->portNotOpened(description);
        // Name the port that was asked for, even when its number was refused.
        const QString shown = accepted ? port_.portLabel() : portKey(portNumber);
        platform_.showMessage(portErrorMessage(shown, description), MessageIcon::Error);
        return false;
    }

    if (observer_)
        observer_->portOpened(port_.portLabel(), port_.devicePath(),
                              QString::fromLatin1(kLineSettings), port_.rtsEnable());
    // A new connection starts clean: nothing said on the line before belongs to it.
    resetReader();
    return true;
}

void modComm::ClosePort() {
    if (!port_.isOpen())
        return;
    port_.close();
    if (observer_)
        observer_->portClosed();
}

void modComm::setRtsEnable(bool asserted) {
    const bool changed = port_.isOpen() && port_.rtsEnable() != asserted;
    port_.setRtsEnable(asserted);
    if (changed && observer_)
        observer_->rtsChanged(asserted);
}

void modComm::FlushInput() {
    if (port_.isOpen())
        port_.discardInput();
    RxBuffer.clear();
    rxPos_ = 0;
    arrivals_.clear();
    scannedTotal_ = readTotal_;
    putBack_.reset();
}

void modComm::resetReader() {
    FlushInput();
    FieldText.clear();
    InField = false;
    owed_.clear();
}

void modComm::SendCommand(const QString& text) {
    if (!port_.isOpen())
        return;
    const QByteArray bytes = text.toLatin1();
    if (observer_)
        observer_->bytesSent(bytes);
    port_.writeOutput(bytes);
}

bool modComm::isPortOpen() const {
    return port_.isOpen();
}

int modComm::portNumber() const {
    return port_.commPort();
}

QString modComm::portLabel() const {
    return port_.portLabel();
}

void modComm::appendInput() {
    const QByteArray bytes = port_.readInput();
    if (bytes.isEmpty())
        return;
    if (observer_)
        observer_->bytesReceived(bytes);
    readTotal_ += bytes.size();
    arrivals_.append({readTotal_, platform_.now()});
    // One byte per character, both ways.
    RxBuffer.append(QString::fromLatin1(bytes));
}

void modComm::compactBuffer() {
    if (rxPos_ == RxBuffer.size()) {
        RxBuffer.clear();
        rxPos_ = 0;
    } else if (rxPos_ > 4096 && rxPos_ * 2 > RxBuffer.size()) {
        RxBuffer.remove(0, rxPos_);
        rxPos_ = 0;
    }
}

QString modComm::NextReplyField() {
    return TakeReplyField().value_or(QString());
}

std::optional<QString> modComm::TakeReplyField() {
    if (putBack_)
        return std::exchange(putBack_, std::nullopt)->text;
    if (!port_.isOpen())
        return std::nullopt;
    appendInput();
    if (rxPos_ == RxBuffer.size()) {
        compactBuffer();
        return std::nullopt;
    }

    std::optional<QString> result;
    const qsizetype end = RxBuffer.size();
    qsizetype i = rxPos_;
    bool closed = false;
    for (; i < end && !closed; ++i) {
        const QChar c = RxBuffer.at(i);
        if (c == u'[') {
            InField = true;
            FieldText.clear();
        } else if (c == u']') {
            InField = false;
            result = FieldText;
            FieldText.clear();
            closed = true;
        } else if (InField) {
            if (FieldText.size() >= kMaxFieldLength) {
                InField = false;
                FieldText.clear();
            } else {
                FieldText.append(c);
            }
        }
    }
    scannedTotal_ += i - rxPos_;
    rxPos_ = i;
    compactBuffer();
    return result;
}

std::optional<QString> modComm::TakeAnswerField() {
    std::optional<QString> field = TakeReplyField();
    while (field && dropIfOwed(*field))
        field = TakeReplyField();
    if (field)
        owed_.clear();
    return field;
}

bool modComm::WaitForReply(const QString& expected, int giveUpMs) {
    // Owed from now on: if this wait gives up, the reply may still come.
    ++owed_[expected];
    if (pace_ == Pace::Wire)
        return waitForReplyOnWire(expected, giveUpMs);
    const int lastPass = std::max(giveUpMs / kPollMilliseconds, 1);
    for (int passes = 1;; ++passes) {
        platform_.processEvents();
        platform_.sleep(kPollMilliseconds);
        if (passes >= lastPass) {
            if (observer_)
                observer_->replyMissed(expected);
            return false;
        }
        std::optional<QString> field = TakeReplyField();
        while (field && *field != expected && dropIfOwed(*field))
            field = TakeReplyField();
        if (field.value_or(QString()) == expected) {
            settleOwed(expected);
            return true;
        }
    }
}

std::optional<modComm::TimedField> modComm::takeTimedField() {
    if (putBack_)
        return std::exchange(putBack_, std::nullopt);
    std::optional<QString> text = TakeReplyField();
    if (!text)
        return std::nullopt;
    // The field ends at its "]"; the first input that reached past it brought it.
    const qint64 closing = scannedTotal_ - 1;
    while (!arrivals_.isEmpty() && arrivals_.first().end <= closing)
        arrivals_.removeFirst();
    return TimedField{*text, arrivals_.isEmpty() ? platform_.now() : arrivals_.first().at};
}

// The window reads at 100, 200, 300 and 400 ms after the command and gives up at 500: at each
// read it drops the late replies owed to earlier commands and takes one other field, which ends
// the wait when it is the one expected. Here each field is taken when it comes, and counted at
// the read that would first have seen it, so the same fields are taken, and the same result
// comes, sooner.
bool modComm::waitForReplyOnWire(const QString& expected, int giveUpMs) {
    const qint64 start = platform_.now();
    const qint64 giveUp = start + giveUpMs;
    const int lastRead = (giveUpMs - 1) / kPollMilliseconds; // 4 for the window's 500 ms
    int read = 1;
    for (;;) {
        platform_.processEvents();
        while (std::optional<TimedField> field = takeTimedField()) {
            const qint64 after = field->at - start;
            read = std::max(read, int((std::max(after, qint64(1)) + kPollMilliseconds - 1) /
                                      kPollMilliseconds));
            if (read > lastRead) {
                putBack_ = field; // the window's wait is over before it would read this
                break;
            }
            if (field->text == expected) {
                settleOwed(expected);
                return true;
            }
            if (!dropIfOwed(field->text))
                ++read;
        }
        const qint64 left = giveUp - platform_.now();
        if (left <= 0) {
            if (observer_)
                observer_->replyMissed(expected);
            return false;
        }
        if (read > lastRead)
            platform_.sleep(int(left)); // nothing that comes now can count
        else
            port_.waitForInput(int(std::min<qint64>(left, kWireStepMs)));
    }
}

std::optional<QString> modComm::AwaitAnswerOnWire(qint64 deadline) {
    for (;;) {
        while (std::optional<TimedField> field = takeTimedField()) {
            if (field->at > deadline) {
                putBack_ = field;
                return std::nullopt;
            }
            if (dropIfOwed(field->text))
                continue;
            owed_.clear();
            return field->text;
        }
        const qint64 left = deadline - platform_.now();
        if (left <= 0 || !port_.isOpen())
            return std::nullopt;
        platform_.processEvents();
        port_.waitForInput(int(std::min<qint64>(left, kWireStepMs)));
    }
}

bool modComm::dropIfOwed(const QString& field) {
    const auto it = owed_.find(field);
    if (it == owed_.end())
        return false;
    if (--*it == 0)
        owed_.erase(it);
    return true;
}

// The same texts are alike: the answer that came settles the oldest one owed, and those of
// the same text still owed may yet come. Other texts were owed before it and are over.
void modComm::settleOwed(const QString& answer) {
    const int stillOwed = owed_.value(answer) - 1;
    owed_.clear();
    if (stillOwed > 0)
        owed_.insert(answer, stillOwed);
}

} // namespace tavixat
