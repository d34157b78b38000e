#include "DatabaseReport.h"

#include "CliSession.h"
#include "CsvText.h"
#include "ProductionDatabase.h"
#include "ProvisionReport.h"

#include <QSqlQuery>
#include <cstdio>

namespace tavixat {

namespace {

ReportRow rowOf(const QSqlQuery& query) {
    ReportRow row;
    row.time = query.value(0).toDateTime().toLocalTime();
    row.station = query.value(1).toString();
    row.device = query.value(2).toString();
    row.unit = query.value(3).toInt();
    row.ownAddress = query.value(4).toString();
    row.firmware = query.value(5).toString();
    row.name = query.value(6).toString();
    row.pin = query.value(7).toString();
    row.result = query.value(8).toString();
    row.detail = query.value(9).toString();
    row.seconds = query.value(10).toDouble();
    row.partner = query.value(13).toString();
    return row;
}

} // namespace

int printDatabaseReport(const QString& url, const QString& batch) {
    QString error;
    const auto address = DatabaseUrl::parse(url, error);
    if (!address) {
        printCliError(error);
        return kExitUsage;
    }
    const ProductionDatabase database(*address);
    int code = kExitOutputFailed;
    if (auto connection =
            database.ensureSchema(error) ? database.connection(error) : std::nullopt) {
        QSqlQuery query(*connection);
        query.setForwardOnly(true); // a factory's rows are many: read them as they come
        query.prepare(QStringLiteral(
            "SELECT time, station, device, unit, own_address, firmware, name, pin, result, "
            "detail, seconds, pc, batch, partner FROM tavixat_modules "
            "WHERE :batch = '' OR batch = :batch ORDER BY batch, unit, time"));
        query.bindValue(QStringLiteral(":batch"), batch.isNull() ? QStringLiteral("") : batch);
        bool unreachable = false;
        if (database.run(query, error, unreachable)) {
            std::fputs(csvRecord(ProvisionReport::kColumns + QStringList{"pc", "batch"})
                           .toUtf8()
                           .constData(),
                       stdout);
            while (query.next())
                std::fputs(
                    csvRecord(ProvisionReport::fieldsOf(rowOf(query)) +
                              QStringList{query.value(11).toString(), query.value(12).toString()})
                        .toUtf8()
                        .constData(),
                    stdout);
            code = kExitDone;
        }
    }
    if (code != kExitDone)
        printCliError(error);
    database.leaveThread();
    return code;
}

} // namespace tavixat
