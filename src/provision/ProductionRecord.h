#pragma once

#include "ProvisionReport.h"

#include <QString>
#include <QStringList>

namespace tavixat {

// What the record says to a question: the answer, "ask again later" (the database cannot be
// reached now), or no (the run cannot go on, with the reason).
enum class RecordAnswer { Given, Unreachable, Refused };

// All that a production run must remember, asked of one place: the modules already done, the
// next unit number and each module's row. The run and its stations never know which kind of
// record they have. Stations ask it from their own threads, at once.
class ProductionRecord {
public:
    virtual ~ProductionRecord() = default;

    // The unit of the module's ok row into unit (0 when it has none), by its own address as
    // reportAddress() gives it.
    virtual RecordAnswer unitDoneFor(const QString& ownAddress, int& unit, QString& error) = 0;
    // The next unit number into row.unit, given once, for the module the row describes (its
    // place, own address and firmware). From here the unit is the module's: its row ends it.
    // A row that has a unit already (the second module of a kit) shares it.
    virtual RecordAnswer takeUnit(ReportRow& row, QString& error) = 0;
    // Before the first setting is sent: the name and PIN code the module is being given.
    virtual RecordAnswer beginSave(const ReportRow& row, QString& error) = 0;
    // Keeps the module's row; false, with the reason, when it could not be kept anywhere. True
    // with a reason when it is kept on this PC only for now, to be sent when the shared record
    // answers.
    virtual bool keep(const ReportRow& row, QString& error) = 0;
    // Empty while the record is where the run began it. Once it is not (a report replaced or
    // deleted during the run), what happened and where the rows from then on are: the run takes
    // no new module, and ends with the code for results not kept where they were asked for.
    virtual QString displacement() const = 0;
    // At the end of the run: the rows that were kept on this PC but never reached the shared
    // record, after a last try to send them; empty when there are none.
    virtual QString unsentRows() { return {}; }
    // A thread that asked the record is ending: what it held for that thread is let go.
    virtual void leaveThread() {}
};

} // namespace tavixat
