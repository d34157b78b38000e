#pragma once

#include "DatabaseUrl.h"

#include <QSqlDatabase>
#include <QString>
#include <optional>

class QSqlQuery;

namespace tavixat {

// The production database of a factory: one PostgreSQL database that the provision runs of every
// PC share, reached through Qt's QPSQL driver. A connection of Qt's belongs to the thread that
// opened it, so each thread that asks gets its own, opened on first use and again after the
// server was lost.
class ProductionDatabase {
public:
    static constexpr int kSchemaVersion = 2;

    explicit ProductionDatabase(DatabaseUrl url);

    const DatabaseUrl& url() const { return url_; }

    // This thread's connection, open; nothing, with why it cannot be reached, when it is not.
    std::optional<QSqlDatabase> connection(QString& error) const;
    // Closes and lets go of this thread's connection.
    void leaveThread() const;

    // Creates the tables when the database has none yet, or brings those of an earlier version to
    // this one, in one transaction; refuses tables of a later version. False, with the reason.
    bool ensureSchema(QString& error) const;

    // Runs the prepared query, or `direct` unprepared (a server prepares no CREATE). False, with
    // the reason, when it failed; unreachable then says whether the server could not be reached
    // (worth trying again later, on a new connection) rather than refusing the statement.
    bool run(QSqlQuery& query, QString& error, bool& unreachable, const QString& direct = {}) const;

private:
    QString connectionName() const;
    QString unreachableText(const QString& reason) const;
    // The version of the tables, 0 when there are none; nothing, with the reason.
    std::optional<int> schemaVersion(QSqlQuery& query, QString& error) const;
    bool makeSchema(QSqlDatabase& database, QString& error) const;

    DatabaseUrl url_;
};

} // namespace tavixat
