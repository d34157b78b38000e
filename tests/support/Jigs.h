#pragma once

#include "CsvText.h"

#include <QFile>
#include <QStringList>

// The --jig option of a tavixat-sim that seats modules "<prefix>01", "<prefix>02" ... one after
// another, each present and then absent for the timing's "PRESENT_MS:ABSENT_MS" (by default long
// enough for a save even on a busy PC).
inline QString jigOf(const QString& prefix, int modules, const QString& timing = "6000:1500") {
    QStringList seats;
    for (int k = 1; k <= modules; ++k)
        seats << QStringLiteral("%1%2:%3").arg(prefix).arg(k, 2, 10, QChar(u'0')).arg(timing);
    return "--jig " + seats.join(u',');
}

// Writes the file anew; false when it cannot.
inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// What the file holds; nothing when it cannot be read.
inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The records of a CSV text, each as its fields; none when it is not CSV.
inline QList<QStringList> csvRows(const QByteArray& text) {
    QString error;
    const auto records = tavixat::parseCsv(QString::fromUtf8(text), error);
    QList<QStringList> rows;
    for (qsizetype i = 0; records && i < records->size(); ++i)
        rows << records->at(i).fields;
    return rows;
}
