#pragma once

#include "ProvisionReport.h"

#include <QString>
#include <optional>

namespace tavixat {

// All that a production run must remember, asked of one place: the modules already done, the
// next unit number and each module's row. The run and its stations never know which kind of
// record they have. Not thread-safe: the run asks it under its own lock.
class ProductionRecord {
public:
    virtual ~ProductionRecord() = default;

    // The unit of the module's ok row, by its own address as reportAddress() gives it; 0 when
    // it has none.
    virtual int unitDoneFor(const QString& ownAddress) const = 0;
    // The next unit number, given once; nothing, with the reason, when none is left.
    virtual std::optional<int> takeUnit(QString& error) = 0;
    // Keeps the module's row; false, with the reason, when it could not be kept.
    virtual bool keep(const ReportRow& row, QString& error) = 0;
    // Empty while the record is where the run began it. Once it is not (a report replaced or
    // deleted during the run), what happened and where the rows from then on are: the run takes
    // no new module, and ends with the code for results not kept where they were asked for.
    virtual QString displacement() const = 0;
};

} // namespace tavixat
