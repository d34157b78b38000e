#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <functional>

namespace tavixat {

class ConnectionWindow;
class Platform;
class modComm;
enum class Pace;
struct DeviceState;

// The life cycle of a connection: connect with ping retries, RTS switching and the firmware
// gate; keep-alive; disconnect; exit; save. The window's handlers call in here.
//
// Exchanges with the device never overlap: they share the port and the stream of reply fields.
// A click that arrives while an exchange waits with the window enabled (the keep-alive ping, the
// Exit ping) is held and runs when that exchange has ended, unless the button it pressed no
// longer stands for the same action; a tick that falls due meanwhile is dropped; a close of the
// window is completed after the exchange.
class Connection : public QObject {
    Q_OBJECT
public:
    static constexpr int kPauseBeforeOpenMs = 500;
    static constexpr int kPingsPerSeries = 5;

    // Whether a connect that opened its port keeps the number for the next start.
    enum class PortMemory { Remember, Forget };

    // The pace is the front end's choice: the window keeps its polls and pauses, a command line
    // goes at the wire's pace, with no pause before the port opens.
    Connection(modComm& comm, Platform& platform, DeviceState& device, ConnectionWindow& window,
               PortMemory portMemory, Pace pace, QObject* parent = nullptr);

    void cmdConnect_Click();
    void cmdExit_Click();
    void cmdWrite_Click();
    void Timer1_Timer();
    bool PingDevice();

    // How the last connect or save ended, for a front end that acts on it without reading
    // message texts.
    enum class Outcome {
        None,
        Connected,
        PortNotOpened,
        NoReply,
        FirmwareRejected,
        IncompleteReply,
        LinkLost,
        Saved,
        SaveRefused,
        NotAcknowledged,
        Stopped
    };
    Outcome lastOutcome() const { return outcome_; }
    // Pings the last connect sent until one was answered (or all ten went unanswered).
    int pingsOfLastConnect() const { return pingsOfLastConnect_; }

    // A front end told to stop (a signal to the command-line tool) asks the running connect to
    // end before its next exchange: a module that answered is told "<EXIT>", the port closes and
    // the outcome is Stopped. A save is never cut: it runs to its end.
    void requestStop() { stopRequested_ = true; }
    // Said when a save may have been cut short.
    static QString partlySavedMessage();
    bool isStopRequested() const { return stopRequested_; }

    bool isExchangeRunning() const { return running_; }
    // The window asks before it closes. False: an exchange is running and the close will be
    // completed through unloadWindow() when it has ended.
    bool mayCloseNow();
    // The window is gone: nothing may touch it any more.
    void windowUnloaded();

private:
    using Exchange = std::function<void()>;

    void holdOrRun(Exchange exchange);
    void run(const Exchange& exchange);
    void afterExchange();

    void connectSequence();
    bool pingSeries();
    void failConnectAttempt(Outcome outcome, const QString& message);
    void endConnectAttempt();
    void stopConnectAttempt(bool answered);
    void disconnectSequence();
    void keepAlive();
    void exitSequence();
    void saveSequence();

    bool linkGone() const;
    void onLinkLost(const QString& description);
    void reportLinkLost();
    void dropConnection();

    modComm& comm_;
    Platform& platform_;
    DeviceState& device_;
    ConnectionWindow& window_;
    const PortMemory portMemory_;
    const Pace pace_;

    bool running_ = false;
    bool closePending_ = false;
    bool windowGone_ = false;
    bool linkLost_ = false;
    bool lostDuringSave_ = false;
    bool stopRequested_ = false;
    Outcome outcome_ = Outcome::None;
    int pingsOfLastConnect_ = 0;
    QString linkLostDescription_;
    QList<Exchange> held_;
};

} // namespace tavixat
