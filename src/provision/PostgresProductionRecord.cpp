#include "PostgresProductionRecord.h"

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QMutexLocker>
#include <QSqlQuery>
#include <QSysInfo>
#include <functional>

namespace tavixat {

namespace {

// How long the database takes for each module (QT_LOGGING_RULES="tavixat.record.debug=true"),
// so that a factory can see what its server adds to a module's time.
Q_LOGGING_CATEGORY(lcRecord, "tavixat.record", QtWarningMsg)

// Empty text, never NULL: every column holds text.
QString text(const QString& value) {
    return value.isNull() ? QStringLiteral("") : value;
}

// The columns of a row as the statements name them, from the row.
QVariantMap valuesOf(const ReportRow& row) {
    return {{QStringLiteral(":unit"), row.unit},
            {QStringLiteral(":time"), row.time},
            {QStringLiteral(":station"), text(row.station)},
            {QStringLiteral(":device"), text(row.device)},
            {QStringLiteral(":own"), text(row.ownAddress)},
            {QStringLiteral(":firmware"), text(row.firmware)},
            {QStringLiteral(":name"), text(row.name)},
            {QStringLiteral(":pin"), text(row.pin)},
            {QStringLiteral(":result"), text(row.result)},
            {QStringLiteral(":detail"), text(row.detail)},
            {QStringLiteral(":seconds"), row.seconds},
            {QStringLiteral(":partner"), text(row.partner)}};
}

} // namespace

PostgresProductionRecord::PostgresProductionRecord(const DatabaseUrl& url, const QString& batch)
    : database_(url), batch_(batch), pc_(QSysInfo::machineHostName()) {}

std::unique_ptr<PostgresProductionRecord>
PostgresProductionRecord::open(const DatabaseUrl& url, const QString& batch, QString& error) {
    std::unique_ptr<PostgresProductionRecord> record(new PostgresProductionRecord(url, batch));
    if (!record->database_.ensureSchema(error))
        return nullptr;
    return record;
}

bool PostgresProductionRecord::openCopy(const QString& reportPath, QString& error) {
    reportPath_ = reportPath;
    copy_ = CsvProductionRecord::open(reportPath, 1, error);
    return copy_ != nullptr;
}

RecordAnswer PostgresProductionRecord::ask(const QString& statement, const QVariantMap& values,
                                           QString& error,
                                           const std::function<void(QSqlQuery&)>& read) const {
    auto connection = database_.connection(error);
    if (!connection)
        return RecordAnswer::Unreachable;
    QSqlQuery query(*connection);
    query.prepare(statement);
    for (auto it = values.begin(); it != values.end(); ++it)
        if (statement.contains(it.key()))
            query.bindValue(it.key(), it.value());
    query.bindValue(QStringLiteral(":batch"), batch_);
    if (statement.contains(QLatin1String(":pc")))
        query.bindValue(QStringLiteral(":pc"), pc_);
    bool unreachable = false;
    if (!database_.run(query, error, unreachable))
        return unreachable ? RecordAnswer::Unreachable : RecordAnswer::Refused;
    if (read)
        read(query);
    return RecordAnswer::Given;
}

std::optional<int> PostgresProductionRecord::highestGiven(QString& error) const {
    int next = 1;
    const RecordAnswer answer =
        ask(QStringLiteral("SELECT next_unit FROM tavixat_batches WHERE name = :batch"), {}, error,
            [&next](QSqlQuery& query) {
                if (query.next())
                    next = query.value(0).toInt();
            });
    if (answer != RecordAnswer::Given)
        return std::nullopt;
    return next - 1;
}

bool PostgresProductionRecord::claimBatch(int first, QString& error, bool& refused) {
    refused = false;
    if (ask(QStringLiteral("INSERT INTO tavixat_batches (name, next_unit) VALUES (:batch, 1) "
                           "ON CONFLICT (name) DO NOTHING"),
            {}, error) != RecordAnswer::Given)
        return false;
    if (first == 0)
        return true;
    // At once, so that a PC that gave a unit meanwhile is seen: the batch must not have given
    // first or a unit above it.
    bool moved = false;
    if (ask(QStringLiteral("UPDATE tavixat_batches SET next_unit = :first "
                           "WHERE name = :batch AND next_unit <= :first"),
            {{QStringLiteral(":first"), first}}, error, [&moved](QSqlQuery& query) {
                moved = query.numRowsAffected() == 1;
            }) != RecordAnswer::Given)
        return false;
    if (moved)
        return true;
    refused = true;
    const std::optional<int> highest = highestGiven(error);
    if (highest)
        error = QStringLiteral("--first %1: the batch %2 has already given units up to %3; give "
                               "--first %4 or more, or another --batch.")
                    .arg(first)
                    .arg(batch_)
                    .arg(*highest)
                    .arg(*highest + 1);
    return false;
}

RecordAnswer PostgresProductionRecord::unitDoneFor(const QString& ownAddress, int& unit,
                                                   QString& error) {
    unit = 0;
    {
        // A module done here while the database was away is done all the same.
        QMutexLocker lock(&unsentMutex_);
        for (const ReportRow& row : std::as_const(unsent_))
            if (row.result == QLatin1String("ok") && row.ownAddress == ownAddress)
                unit = row.unit;
    }
    if (unit > 0)
        return RecordAnswer::Given;
    if (!sendUnsent(error))
        return RecordAnswer::Unreachable;
    return ask(QStringLiteral("SELECT unit FROM tavixat_modules WHERE batch = :batch "
                              "AND own_address = :own AND result = 'ok' LIMIT 1"),
               {{QStringLiteral(":own"), ownAddress}}, error, [&unit](QSqlQuery& query) {
                   if (query.next())
                       unit = query.value(0).toInt();
               });
}

RecordAnswer PostgresProductionRecord::takeUnit(ReportRow& row, QString& error) {
    if (!copy_->displacement().isEmpty()) {
        error = copy_->displacement();
        return RecordAnswer::Refused;
    }
    if (!sendUnsent(error))
        return RecordAnswer::Unreachable;
    // One statement, so one transaction: the batch's row is locked while its unit is counted on,
    // and the started row is there as soon as the unit is.
    if (row.unit > 0) // the second module of a kit shares the first one's
        return ask(QStringLiteral("INSERT INTO tavixat_modules (batch, unit, time, pc, station, "
                                  "device, own_address, firmware, name, pin, result, detail, "
                                  "seconds, partner) SELECT :batch, :unit, now(), :pc, :station, "
                                  ":device, :own, :firmware, '', '', 'started', '', :seconds, "
                                  ":partner"),
                   valuesOf(row), error);
    QElapsedTimer timer;
    timer.start();
    const RecordAnswer answer = ask(
        QStringLiteral("WITH given AS (UPDATE tavixat_batches SET next_unit = next_unit + 1 "
                       "WHERE name = :batch AND next_unit <= :highest "
                       "RETURNING next_unit - 1 AS unit) "
                       "INSERT INTO tavixat_modules (batch, unit, time, pc, station, device, "
                       "own_address, firmware, name, pin, result, detail, seconds, partner) "
                       "SELECT :batch, unit, :time, :pc, :station, :device, :own, :firmware, "
                       "'', '', 'started', '', :seconds, :partner FROM given RETURNING unit"),
        [&] {
            QVariantMap values = valuesOf(row);
            values.insert(QStringLiteral(":highest"), kHighestUnit);
            values.insert(QStringLiteral(":time"), QDateTime::currentDateTime());
            return values;
        }(),
        error,
        [&row](QSqlQuery& query) {
            if (query.next())
                row.unit = query.value(0).toInt();
        });
    qCDebug(lcRecord, "database reserve %.3f ms", double(timer.nsecsElapsed()) / 1e6);
    if (answer == RecordAnswer::Given && row.unit == 0) {
        error = QStringLiteral("the batch %1 has given every unit up to %2: give another --batch "
                               "to go on.")
                    .arg(batch_)
                    .arg(kHighestUnit);
        return RecordAnswer::Refused;
    }
    return answer;
}

RecordAnswer PostgresProductionRecord::beginSave(const ReportRow& row, QString& error) {
    return ask(QStringLiteral("UPDATE tavixat_modules SET name = :name, pin = :pin "
                              "WHERE batch = :batch AND unit = :unit AND own_address = :own "
                              "AND result = 'started'"),
               valuesOf(row), error);
}

RecordAnswer PostgresProductionRecord::send(const ReportRow& row, QString& error) {
    QElapsedTimer timer;
    timer.start();
    const RecordAnswer answer =
        ask(QStringLiteral("WITH finished AS (UPDATE tavixat_modules SET time = :time, "
                           "firmware = :firmware, name = :name, pin = :pin, result = :result, "
                           "detail = :detail, seconds = :seconds, partner = :partner "
                           "WHERE batch = :batch AND unit = :unit AND own_address = :own "
                           "AND result = 'started' RETURNING 1) "
                           "INSERT INTO tavixat_modules (batch, unit, time, pc, station, "
                           "device, own_address, firmware, name, pin, result, detail, seconds, "
                           "partner) SELECT :batch, :unit, :time, :pc, :station, :device, :own, "
                           ":firmware, :name, :pin, :result, :detail, :seconds, :partner "
                           "WHERE NOT EXISTS (SELECT 1 FROM finished)"),
            valuesOf(row), error);
    qCDebug(lcRecord, "database finish %.3f ms", double(timer.nsecsElapsed()) / 1e6);
    return answer;
}

bool PostgresProductionRecord::keep(const ReportRow& row, QString& error) {
    if (!copy_->keep(row, error))
        return false;
    QMutexLocker lock(&unsentMutex_);
    unsent_.append(row);
    lock.unlock();
    sendUnsent(error); // what cannot go now goes with the next question that reaches it
    return true;
}

bool PostgresProductionRecord::sendUnsent(QString& error) {
    // One sender at a time keeps the rows in their order.
    QMutexLocker lock(&unsentMutex_);
    while (!unsent_.isEmpty()) {
        const RecordAnswer answer = send(unsent_.first(), error);
        if (answer == RecordAnswer::Unreachable)
            return false;
        // A row the database refuses stays on this PC and is named at the end.
        if (answer == RecordAnswer::Refused) {
            refused_.append(unsent_.first());
            refusal_ = error;
        }
        unsent_.removeFirst();
    }
    return true;
}

QString PostgresProductionRecord::unsentRows() {
    QString why;
    sendUnsent(why);
    QMutexLocker lock(&unsentMutex_);
    const QList<ReportRow> left = refused_ + unsent_;
    if (left.isEmpty())
        return {};
    QStringList units;
    for (const ReportRow& row : left)
        units << QStringLiteral("%1 (%2 at %3)").arg(row.unit).arg(row.result, row.station);
    return QStringLiteral("%1 row%2 never reached the database and %3 only in the report %4: "
                          "unit%2 %5. %6")
        .arg(left.size())
        .arg(left.size() == 1 ? "" : "s", left.size() == 1 ? "is" : "are", reportPath_,
             units.join(QStringLiteral(", ")), unsent_.isEmpty() ? refusal_ : why);
}

} // namespace tavixat
