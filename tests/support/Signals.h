#pragma once

#include <QFile>
#include <QTest>
#include <csignal>
#include <sys/types.h>

// Sends the stopSignals one after another, each once the last is no longer pending: two at once
// may be taken in any order, by any of the program's threads.
inline bool sendInTurn(qint64 pid, const QList<int>& stopSignals) {
    const auto pending = [pid](int signal) {
        QFile status(QStringLiteral("/proc/%1/status").arg(pid));
        if (!status.open(QIODevice::ReadOnly))
            return false; // the program is gone: nothing waits
        const QByteArray text = status.read(8192);
        const qsizetype at = text.indexOf("ShdPnd:");
        const qulonglong mask =
            text.mid(at + 7, text.indexOf('\n', at) - at - 7).trimmed().toULongLong(nullptr, 16);
        return at >= 0 && (mask >> (signal - 1) & 1) != 0;
    };
    for (const int signal : stopSignals) {
        if (::kill(pid_t(pid), signal) != 0 ||
            !QTest::qWaitFor([&] { return !pending(signal); }, 5000))
            return false;
    }
    return true;
}
