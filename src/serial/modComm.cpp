#include "modComm.h"

#include "LinkObserver.h"
#include "Platform.h"
#include "SerialPort.h"

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
}

void modComm::resetReader() {
    port_.discardInput();
    RxBuffer.clear();
    rxPos_ = 0;
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
    if (observer_ && !bytes.isEmpty())
        observer_->bytesReceived(bytes);
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

bool modComm::WaitForReply(const QString& expected) {
    // Owed from now on: if this wait gives up, the reply may still come.
    ++owed_[expected];
    for (int passes = 1;; ++passes) {
        platform_.processEvents();
        platform_.sleep(kPollMilliseconds);
        if (passes == kWaitPasses) {
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
