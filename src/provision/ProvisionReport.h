#pragma once

#include "ProvisionRequest.h"

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QString>
#include <optional>

namespace tavixat {

// One module's attempt, a row of the report.
struct ReportRow {
    QDateTime time;
    QString station;
    QString device;
    int unit = 0;
    QString ownAddress;
    QString firmware;
    QString name;
    QString pin;
    QString result; // ok, failed or skipped
    QString detail; // the message of a failure
    double seconds = 0;
    QString partner; // the other module's own address, for a module of a kit
};

// What a report already holds, so that a restarted run numbers on and skips the modules done.
struct ReportHistory {
    int highestUnit = 0; // 0: no row yet
    // The unit of each own address with an ok row, the address as reportAddress() gives it.
    QHash<QString, int> doneUnits;
    // A report written before the partner column has one column less; its rows go on so.
    bool hasPartner = true;
};

// An own address as the report keys it: lower case, without spaces.
QString reportAddress(const QString& address);
// True for what the own_address column may hold: twelve lower-case hexadecimal digits.
bool isReportAddress(const QString& address);

// The report of a production run: CSV as RFC 4180, appended to, a header line first when the
// file is new. Each row reaches the disk before append returns, so a run that is killed keeps
// every row it wrote.
class ProvisionReport {
public:
    static const QStringList kColumns;
    // The columns of a report written before kits had partners.
    static QStringList columnsBeforePartner() { return kColumns.mid(0, kColumns.size() - 1); }
    // The row's fields as the report writes them, one for each column.
    static QStringList fieldsOf(const ReportRow& row);

    // Opens the file at path for appending, creating it readable by its owner alone (it holds
    // PIN codes). False, with the reason in error, when it cannot.
    bool open(const QString& path, QString& error);
    // Writes the row and waits until it is on disk. False, with the reason in error, when any of
    // that fails: the caller must not go on as if it were kept.
    bool append(const ReportRow& row, QString& error);
    // True while the file at its path is still the one it opened and locked: a spreadsheet that
    // saves over a report writes a new file under the name, and a deleted one has none.
    bool isStillAtPath() const;

    // The report at path; an empty history when there is no file yet. Nothing, with the reason,
    // when it cannot be read or is not a report (a FIFO or a device is not one: it would be waited
    // for or read without end).
    static std::optional<ReportHistory> readHistory(const QString& path, QString& error);

private:
    bool writeDurably(const QByteArray& bytes, QString& error);

    QFile file_;
    QString path_;
    qsizetype columns_ = 0; // those of the file's header
};

// The time as ISO 8601 with its offset from UTC: "2026-12-07T09:30:05+01:00".
QString isoTimeWithOffset(const QDateTime& time);

} // namespace tavixat
