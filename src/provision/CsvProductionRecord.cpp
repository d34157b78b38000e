#include "CsvProductionRecord.h"

#include <algorithm>

namespace tavixat {

std::unique_ptr<CsvProductionRecord> CsvProductionRecord::open(const QString& path, int first,
                                                               QString& error) {
    std::unique_ptr<CsvProductionRecord> record(new CsvProductionRecord);
    if (!record->report_.open(path, error))
        return nullptr;
    auto history = ProvisionReport::readHistory(path, error);
    if (!history)
        return nullptr;
    record->history_ = std::move(*history);
    record->nextUnit_ = std::max(record->history_.highestUnit + 1, first);
    return record;
}

int CsvProductionRecord::unitDoneFor(const QString& ownAddress) const {
    return history_.doneUnits.value(ownAddress, 0);
}

std::optional<int> CsvProductionRecord::takeUnit(QString& error) {
    if (nextUnit_ <= kHighestUnit)
        return nextUnit_++;
    error = QStringLiteral("every unit up to %1 is given: give another --report to go on.")
                .arg(kHighestUnit);
    return std::nullopt;
}

bool CsvProductionRecord::keep(const ReportRow& row, QString& error) {
    if (!report_.append(row, error))
        return false;
    if (row.result == QLatin1String("ok"))
        history_.doneUnits.insert(row.ownAddress, row.unit);
    return true;
}

} // namespace tavixat
