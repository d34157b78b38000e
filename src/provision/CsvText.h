#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace tavixat {

// One record of comma-separated values as RFC 4180 writes it, ended by CR LF: a field with a
// comma, a double quote, a CR or an LF is put in double quotes, its quotes doubled.
QString csvRecord(const QStringList& fields);

// A spreadsheet runs a cell that starts with "=", "+", "-" or "@" as a formula, and trims or
// acts on a leading tab or CR: true when the text starts so.
bool startsLikeFormula(const QString& text);
// The text with a leading "'" when it starts like a formula, so that a spreadsheet shows it as
// the text it is; else as it is.
QString spreadsheetText(const QString& text);

struct CsvRecord {
    QStringList fields;
    int line = 0; // where it starts, from 1
};

// The records of the text, quoted fields across line ends included; a CR LF or a bare LF ends a
// record. Nothing, and a message naming the line, for a quote that is not closed, text after a
// closing quote, or a last record cut before its line end.
std::optional<QList<CsvRecord>> parseCsv(const QString& text, QString& error);

} // namespace tavixat
