#pragma once

#include "ProductionRecord.h"

#include <memory>

namespace tavixat {

// The production record of one PC: the CSV report, locked for the run, its rows read when it
// opens and each new row on disk before the run goes on.
class CsvProductionRecord : public ProductionRecord {
public:
    // The report at path, opened under its lock and read again there (a run that ended meanwhile
    // may have added rows); units go on from its highest, or from first when that is higher.
    // Nothing, with the reason, when it cannot be opened or continued.
    static std::unique_ptr<CsvProductionRecord> open(const QString& path, int first,
                                                     QString& error);

    int unitDoneFor(const QString& ownAddress) const override;
    std::optional<int> takeUnit(QString& error) override;
    bool keep(const ReportRow& row, QString& error) override;

private:
    CsvProductionRecord() = default;

    ProvisionReport report_;
    ReportHistory history_;
    int nextUnit_ = 1;
};

} // namespace tavixat
