#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace tavixat {

// One record of comma-separated values as RFC 4180 writes it, ended by CR LF: a field with a
// comma, a double quote, a CR or an LF is put in double quotes, its quotes doubled.
QString csvRecord(const QStringList& fields);

struct CsvRecord {
    QStringList fields;
    int line = 0; // where it starts, from 1
};

// The records of the text, quoted fields across line ends included; a CR LF or a bare LF ends a
// record. Nothing, and a message naming the line, for a quote that is not closed, text after a
// closing quote, or a last record cut before its line end.
std::optional<QList<CsvRecord>> parseCsv(const QString& text, QString& error);

} // namespace tavixat
