#pragma once

#include "ProductionRecord.h"

#include <QMutex>
#include <memory>

namespace tavixat {

// The production record of one PC: the CSV report, locked for the run, its rows read when it
// opens and each new row on disk before the run goes on. A report replaced or deleted during the
// run (a spreadsheet saving over it, say) is noticed before each unit and each row: no unit is
// given any more, and the rows still to come go to the file at the path again when it is a report
// that can be continued and locked, else to a new file beside it, so that no row is lost.
class CsvProductionRecord : public ProductionRecord {
public:
    // The report at path, opened under its lock and read again there (a run that ended meanwhile
    // may have added rows); units go on from its highest, or from first when that is higher.
    // Nothing, with the reason, when it cannot be opened or continued.
    static std::unique_ptr<CsvProductionRecord> open(const QString& path, int first,
                                                     QString& error);

    RecordAnswer unitDoneFor(const QString& ownAddress, int& unit, QString& error) override;
    RecordAnswer takeUnit(ReportRow& row, QString& error) override;
    RecordAnswer beginSave(const ReportRow&, QString&) override { return RecordAnswer::Given; }
    bool keep(const ReportRow& row, QString& error) override;
    QString displacement() const override;

private:
    CsvProductionRecord() = default;

    // True, after moving the report elsewhere when it is not at its path any more, while rows
    // can be kept; false, with the reason, when no file for them could be opened.
    bool followReport(QString& error);

    mutable QMutex mutex_;
    QString path_;
    std::unique_ptr<ProvisionReport> report_ = std::make_unique<ProvisionReport>();
    ReportHistory history_;
    int nextUnit_ = 1;
    QString displacement_;
};

} // namespace tavixat
