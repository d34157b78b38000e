#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <optional>

namespace tavixat {

class LinkObserver;
class Platform;
class SerialPort;

// How the waits for the device's replies are paced. Both give the same result for every timing
// of the replies; only the time differs.
enum class Pace {
    // As the window polls: a read every 100 ms, after fixed pauses.
    Window,
    // As the replies come on the line: a wait ends as soon as what it waits for is complete, never
    // later than the window's would, taking each field where the window's reads would take it.
    Wire,
};

// The serial link: opens and closes the one port, sends commands and cuts the device's output
// into bracketed reply fields, one per request. Polled: nothing reacts to input on its own.
class modComm {
public:
    static constexpr int kPollMilliseconds = 100;
    static constexpr int kWaitPasses = 5;
    // A field that grows past this without its "]" is dropped, so a babbling device cannot make
    // memory grow without bound.
    static constexpr qsizetype kMaxFieldLength = 4096;
    static constexpr const char* kLineSettings = "9600,N,8,1";

    modComm(SerialPort& port, Platform& platform);
    ~modComm();
    modComm(const modComm&) = delete;
    modComm& operator=(const modComm&) = delete;

    // Told of every event on the line from now on (a trace); nullptr: no one.
    void setObserver(LinkObserver* observer);

    // "ERROR, Check COM<n>!" and, on the next line, what the port said.
    static QString portErrorMessage(int portNumber, const QString& description);
    static QString portErrorMessage(const QString& portLabel, const QString& description);

    bool OpenPort(int portNumber);
    void ClosePort();
    void FlushInput();
    void SendCommand(const QString& text);
    QString NextReplyField();
    // The next complete field, or nothing when none has arrived whole: unlike NextReplyField,
    // an empty field "[]" is told apart from no field at all.
    std::optional<QString> TakeReplyField();
    // The next field that answers the command now waiting: late replies still owed to earlier
    // commands are dropped on the way. Used where the reply carries data (the version, the
    // settings), so that a ping's late "READY" is never read as data.
    std::optional<QString> TakeAnswerField();
    // True when the expected field arrives within the wait. Any field equal to it counts; a late
    // reply owed to an earlier command is dropped without costing a read; if the wait gives up,
    // its reply is owed from then on. The window gives up after 500 ms; a shorter wait may be
    // asked for where nothing must match the window's (a station looking for a module).
    bool WaitForReply(const QString& expected, int giveUpMs = kWaitPasses * kPollMilliseconds);
    // At the wire's pace: the next field that answers the command now waiting, as
    // TakeAnswerField gives it, once one has come whole by `deadline` (the platform's clock);
    // nothing at the deadline, or at once when the port is closed.
    std::optional<QString> AwaitAnswerOnWire(qint64 deadline);

    void setPace(Pace pace) { pace_ = pace; }
    Pace pace() const { return pace_; }

    // The RTS line; set while closed, it takes effect when the port opens.
    void setRtsEnable(bool asserted);

    bool isPortOpen() const;
    int portNumber() const;
    QString portLabel() const;
    SerialPort& port() { return port_; }

    // Reader state, for inspection.
    QString rxBuffer() const { return RxBuffer.mid(rxPos_); }
    const QString& fieldText() const { return FieldText; }
    bool inField() const { return InField; }

private:
    // A field and the moment the input that closed it was read.
    struct TimedField {
        QString text;
        qint64 at = 0;
    };
    // How long a wait on the wire sleeps at most before it looks at the platform's events again.
    static constexpr int kWireStepMs = 50;

    bool waitForReplyOnWire(const QString& expected, int giveUpMs);
    std::optional<TimedField> takeTimedField();
    void appendInput();
    void compactBuffer();
    void resetReader();
    bool dropIfOwed(const QString& field);
    void settleOwed(const QString& answer);

    SerialPort& port_;
    Platform& platform_;
    LinkObserver* observer_ = nullptr;
    QMetaObject::Connection lossToObserver_;

    // Characters taken from the port and not yet scanned start at rxPos_, so taking fields off
    // the front costs nothing until the buffer is compacted.
    QString RxBuffer;
    qsizetype rxPos_ = 0;
    QString FieldText;
    bool InField = false;
    // Replies the device still owes to commands whose wait gave up, by text. It answers in
    // order, so once a later command's answer has come, nothing older is on its way.
    QHash<QString, int> owed_;

    Pace pace_ = Pace::Window;
    // For the wire's pace: when each piece of input was read, by the count of characters read in
    // all once it was; and the characters the field reader has scanned in all.
    struct Arrival {
        qint64 end = 0;
        qint64 at = 0;
    };
    QList<Arrival> arrivals_;
    qint64 readTotal_ = 0;
    qint64 scannedTotal_ = 0;
    // A field taken whole but not yet due for the wait that took it: the next read gets it.
    std::optional<TimedField> putBack_;
};

} // namespace tavixat
