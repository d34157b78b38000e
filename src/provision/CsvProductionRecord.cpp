#include "CsvProductionRecord.h"

#include <QDateTime>
#include <QFileInfo>
#include <QMutexLocker>
#include <algorithm>

namespace tavixat {

std::unique_ptr<CsvProductionRecord> CsvProductionRecord::open(const QString& path, int first,
                                                               QString& error) {
    std::unique_ptr<CsvProductionRecord> record(new CsvProductionRecord);
    record->path_ = path;
    if (!record->report_->open(path, error))
        return nullptr;
    auto history = ProvisionReport::readHistory(path, error);
    if (!history)
        return nullptr;
    record->history_ = std::move(*history);
    record->nextUnit_ = std::max(record->history_.highestUnit + 1, first);
    return record;
}

RecordAnswer CsvProductionRecord::unitDoneFor(const QString& ownAddress, int& unit, QString&) {
    QMutexLocker lock(&mutex_);
    unit = history_.doneUnits.value(ownAddress, 0);
    return RecordAnswer::Given;
}

RecordAnswer CsvProductionRecord::takeUnit(ReportRow& row, QString& error) {
    QMutexLocker lock(&mutex_);
    if (!followReport(error) || !displacement_.isEmpty()) {
        if (error.isEmpty())
            error = displacement_;
        return RecordAnswer::Refused;
    }
    if (row.unit > 0) // the second module of a kit shares the first one's
        return RecordAnswer::Given;
    if (nextUnit_ <= kHighestUnit) {
        row.unit = nextUnit_++;
        return RecordAnswer::Given;
    }
    error = QStringLiteral("every unit up to %1 is given: give another --report to go on.")
                .arg(kHighestUnit);
    return RecordAnswer::Refused;
}

bool CsvProductionRecord::keep(const ReportRow& row, QString& error) {
    QMutexLocker lock(&mutex_);
    if (!followReport(error) || !report_->append(row, error))
        return false;
    if (row.result == QLatin1String("ok"))
        history_.doneUnits.insert(row.ownAddress, row.unit);
    return true;
}

QString CsvProductionRecord::displacement() const {
    QMutexLocker lock(&mutex_);
    return displacement_;
}

bool CsvProductionRecord::followReport(QString& error) {
    if (report_->isStillAtPath())
        return true;
    // A report saved over by hand may still be one to go on with; a deleted one is not made
    // anew under its name, where it would look like a report that never had these units.
    auto next = std::make_unique<ProvisionReport>();
    QString target = path_, why;
    if (!QFileInfo::exists(path_) || !ProvisionReport::readHistory(path_, why) ||
        !next->open(path_, why)) {
        // Beside it, named as the user named the report: the same folder part, a new file name.
        const QFileInfo old(path_);
        target =
            path_.chopped(old.fileName().size()) + old.completeBaseName() +
            QDateTime::currentDateTime().toString(QStringLiteral("-'from'-yyyyMMdd-hhmmss'.csv'"));
        next = std::make_unique<ProvisionReport>();
        if (!next->open(target, error))
            return false;
    }
    report_ = std::move(next);
    displacement_ = QStringLiteral("The report %1 was replaced or deleted during the run: no "
                                   "module is taken any more, and the rows from here on are in "
                                   "%2.")
                        .arg(path_, target);
    return true;
}

} // namespace tavixat
