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
};

} // namespace tavixat
