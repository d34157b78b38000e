#pragma once

#include "CsvProductionRecord.h"
#include "ProductionDatabase.h"

#include <QList>
#include <QMutex>
#include <functional>
#include <memory>

namespace tavixat {

// The production record of a factory: unit numbers and rows in a PostgreSQL database that every
// PC's run shares, per batch. A unit is reserved in the database, with a started row, before
// anything is saved to the module; the row is finished after the read-back. Each row is kept in
// this PC's CSV report as well, first, so that a row the database cannot take now is not lost:
// it is sent again as soon as the database answers, and named at the end if it never does.
class PostgresProductionRecord : public ProductionRecord {
public:
    // Connects (exit 7 on failure, before any port opens) and makes the tables when there are
    // none. Nothing, with the reason.
    static std::unique_ptr<PostgresProductionRecord> open(const DatabaseUrl& url,
                                                          const QString& batch, QString& error);
    // Lets go of the connection of the thread it was made in, which ends it.
    ~PostgresProductionRecord() override { database_.leaveThread(); }

    // The highest unit the batch has given, 0 for a new batch; nothing, with the reason.
    std::optional<int> highestGiven(QString& error) const;
    // Makes the batch if it is new and numbers on from first (0: from its highest); false, with
    // the reason, when it has already given first or a unit above it (refused is then true), or
    // when the database failed.
    bool claimBatch(int first, QString& error, bool& refused);
    // The PC's own copy of the rows.
    bool openCopy(const QString& reportPath, QString& error);

    RecordAnswer unitDoneFor(const QString& ownAddress, int& unit, QString& error) override;
    RecordAnswer takeUnit(ReportRow& row, QString& error) override;
    RecordAnswer beginSave(const ReportRow& row, QString& error) override;
    bool keep(const ReportRow& row, QString& error) override;
    QString displacement() const override { return copy_->displacement(); }
    QString unsentRows() override;
    void leaveThread() override { database_.leaveThread(); }

private:
    PostgresProductionRecord(const DatabaseUrl& url, const QString& batch);

    // Sends the rows kept while the database could not be reached, in order; false when it still
    // cannot be.
    bool sendUnsent(QString& error);
    // Finishes the module's started row, or adds the row when it has none.
    RecordAnswer send(const ReportRow& row, QString& error);
    // Runs the query on this thread's connection.
    RecordAnswer ask(const QString& statement, const QVariantMap& values, QString& error,
                     const std::function<void(QSqlQuery&)>& read = {}) const;

    ProductionDatabase database_;
    const QString batch_;
    const QString pc_;
    std::unique_ptr<CsvProductionRecord> copy_;
    QString reportPath_;
    QMutex unsentMutex_;
    QList<ReportRow> unsent_;
    QList<ReportRow> refused_; // rows the database would not take
    QString refusal_;
};

} // namespace tavixat
