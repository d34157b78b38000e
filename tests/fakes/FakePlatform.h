#pragma once

#include "Platform.h"

#include <QList>
#include <QMap>
#include <QStringList>
#include <functional>

namespace tavixat::test {

// Milliseconds of virtual time. Only sleeps, and a fake port waiting for input, move it.
struct VirtualClock {
    qint64 now() const { return now_; }
    void advance(qint64 ms) { now_ += ms; }
    qint64 now_ = 0;
};

struct ShownMessage {
    QString text;
    MessageIcon icon;
};

// A platform on a virtual clock: sleep advances the clock, processEvents runs the actions a
// test scheduled for a moment that has come, message boxes are recorded and return at once.
class FakePlatform : public Platform {
public:
    VirtualClock clock;
    QList<ShownMessage> messages;
    QMap<QString, QString> settings; // "Section/Key" -> value
    bool busyPointer = false;

    void schedule(qint64 atMs, std::function<void()> action) {
        qsizetype i = actions_.size();
        while (i > 0 && actions_[i - 1].first > atMs)
            --i;
        actions_.insert(i, {atMs, std::move(action)});
    }
    qint64 now() const override { return clock.now(); }

    void showMessage(const QString& text, MessageIcon icon) override {
        messages.append({text, icon});
    }
    QString readSetting(const QString& section, const QString& key,
                        const QString& defaultValue) override {
        return settings.value(section + u'/' + key, defaultValue);
    }
    bool saveSetting(const QString& section, const QString& key, const QString& value) override {
        settings.insert(section + u'/' + key, value);
        return true;
    }
    void sleep(int milliseconds) override { clock.advance(milliseconds); }
    void processEvents() override {
        // An action may schedule further ones; everything due runs, oldest first.
        while (!actions_.isEmpty() && actions_.first().first <= clock.now())
            actions_.takeFirst().second();
    }
    void setBusyPointer(bool busy) override { busyPointer = busy; }

private:
    QList<std::pair<qint64, std::function<void()>>> actions_; // by time, then by scheduling
};

} // namespace tavixat::test
