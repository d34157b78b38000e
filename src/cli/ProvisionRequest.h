#pragma once

#include <QString>
#include <QStringList>

namespace tavixat {

// Units are numbered from 1 to this; a row outside it is not one this tool wrote.
inline constexpr int kHighestUnit = 99999999;

// What `tavixat-cli provision` is asked to do, as the command line gives it; the production
// line carries it out.
struct ProvisionRequest {
    QString profilePath;
    QStringList ports; // each a station; empty with all
    bool all = false;  // every adapter under /dev/serial/by-id, now and later
    QString reportPath = QStringLiteral("tavixat-report.csv");
    int count = 0; // modules ok before the run ends; 0: no end
    int first = 0; // the first unit number; 0: one more than the report's highest
    bool again = false;
    bool pairs = false;  // the ports are kits' jigs, a Master's and a Slave's, two by two
    QString databaseUrl; // a factory's database; empty: the report alone
    QString batch;       // the database's numbering; empty: the profile's file name
};

} // namespace tavixat
