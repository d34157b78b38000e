#pragma once

#include "Platform.h"

#include <QList>
#include <QMap>
#include <QString>
#include <functional>

namespace tavixat::test {

// Milliseconds of virtual time. Only sleeps move it.
class VirtualClock {
public:
    qint64 now() const { return now_; }
    void advance(qint64 ms) { now_ += ms; }

private:
    qint64 now_ = 0;
};

struct ShownMessage {
    QString text;
    MessageIcon icon;
    qint64 at;
};

// A platform on a virtual clock: sleep advances the clock, processEvents runs the actions a
// test scheduled for a moment that has come, message boxes are recorded and return at once.
class FakePlatform : public Platform {
public:
    VirtualClock clock;
    QList<ShownMessage> messages;
    QList<int> sleeps;
    QMap<QString, QString> settings; // "Section/Key" -> value
    bool failSaving = false;
    bool busyPointer = false;
    int processEventsCalls = 0;

    void schedule(qint64 atMs, std::function<void()> action);
    qint64 now() const { return clock.now(); }
    int pendingActions() const { return int(actions_.size()); }
    QStringList messageTexts() const;

    void showMessage(const QString& text, MessageIcon icon) override;
    QString readSetting(const QString& section, const QString& key,
                        const QString& defaultValue) override;
    bool saveSetting(const QString& section, const QString& key, const QString& value) override;
    void sleep(int milliseconds) override;
    void processEvents() override;
    void setBusyPointer(bool busy) override { busyPointer = busy; }

private:
    struct Action {
        qint64 at;
        std::function<void()> run;
    };
    QList<Action> actions_;
};

} // namespace tavixat::test
