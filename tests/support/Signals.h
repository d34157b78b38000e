#pragma once

#include <QFile>
#include <QHash>
#include <QTest>
#include <csignal>

// Sends the signals one after another, each once it is no longer pending (the program's shared
// pending set in /proc): two at once may be taken in any order, by any of its threads.
// "INT", "TERM", "HUP" or "KILL".
inline bool sendInTurn(qint64 pid, const QStringList& names) {
    const QHash<QString, int> numbers{
        {"INT", SIGINT}, {"TERM", SIGTERM}, {"HUP", SIGHUP}, {"KILL", SIGKILL}};
    const auto pendingMask = [pid] {
        QFile status(QStringLiteral("/proc/%1/status").arg(pid));
        const QByteArray text = status.open(QIODevice::ReadOnly) ? status.read(8192) : "";
        const qsizetype at = text.indexOf("ShdPnd:");
        return at < 0 ? 0
                      : text.mid(at + 7, text.indexOf('\n', at) - at - 7)
                            .trimmed()
                            .toULongLong(nullptr, 16);
    };
    for (const QString& name : names) {
        const int signal = numbers.value(name);
        if (::kill(pid_t(pid), signal) != 0 ||
            !QTest::qWaitFor([&] { return (pendingMask() >> (signal - 1) & 1) == 0; }, 5000))
            return false;
    }
    return true;
}
