#include "ProductionDatabase.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

namespace tavixat {

namespace {

// Taken by the run that creates the tables, so that two PCs starting on a new database at once
// do not both try.
constexpr qint64 kSchemaLockKey = 0x7461766978; // "tavix"

const char* const kSchema[] = {
    "CREATE TABLE tavixat_schema (version integer NOT NULL)",
    "CREATE TABLE tavixat_batches (name text PRIMARY KEY, next_unit integer NOT NULL)",
    "CREATE TABLE tavixat_modules ("
    " batch text NOT NULL REFERENCES tavixat_batches (name),"
    " unit integer NOT NULL, time timestamptz NOT NULL, pc text NOT NULL,"
    " station text NOT NULL, device text NOT NULL, own_address text NOT NULL,"
    " firmware text NOT NULL, name text NOT NULL, pin text NOT NULL,"
    " result text NOT NULL CHECK (result IN ('started', 'ok', 'failed', 'skipped')),"
    " detail text NOT NULL, seconds double precision NOT NULL,"
    " partner text NOT NULL DEFAULT '')",
    // A unit is given once per batch, to a module or to a kit of two (each its partner's); a
    // skipped row repeats the unit of the module's ok row.
    "CREATE UNIQUE INDEX tavixat_modules_unit ON tavixat_modules (batch, unit, partner)"
    " WHERE result <> 'skipped'",
    "CREATE INDEX tavixat_modules_done ON tavixat_modules (batch, own_address)"
    " WHERE result = 'ok'",
};

// Tables of version 1, from before kits, made those of this version.
const char* const kUpgradeFrom1[] = {
    "ALTER TABLE tavixat_modules ADD COLUMN partner text NOT NULL DEFAULT ''",
    "DROP INDEX tavixat_modules_unit",
    ("CREATE UNIQUE INDEX tavixat_modules_unit ON tavixat_modules (batch, unit, partner)"
     " WHERE result <> 'skipped'"),
    "UPDATE tavixat_schema SET version = 2",
};

// libpq's own words: their first line, which says what failed (the lines after it guess why,
// and a lost connection is told twice).
QString reasonOf(const QSqlError& error) {
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    text = text.section(u'\n', 0, 0).trimmed();
    return text.endsWith(u'.') ? text : text + u'.';
}

// SQLSTATE classes of a connection that failed or a server that is shutting down; no code at all
// is a connection lost before the server could say anything.
bool isUnreachableCode(const QString& code) {
    return code.isEmpty() || code.startsWith(QLatin1String("08")) ||
           code.startsWith(QLatin1String("57P"));
}

} // namespace

ProductionDatabase::ProductionDatabase(DatabaseUrl url) : url_(std::move(url)) {}

QString ProductionDatabase::connectionName() const {
    return QStringLiteral("tavixat-record-%1").arg(quintptr(QThread::currentThread()), 0, 16);
}

QString ProductionDatabase::unreachableText(const QString& reason) const {
    return QStringLiteral("The database %1 cannot be reached: %2").arg(url_.text, reason);
}

std::optional<QSqlDatabase> ProductionDatabase::connection(QString& error) const {
    const QString name = connectionName();
    QSqlDatabase database = QSqlDatabase::contains(name)
                                ? QSqlDatabase::database(name, false)
                                : QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    if (!database.isValid()) {
        error = QStringLiteral("The database client of Qt (QPSQL) is not installed: install "
                               "libqt6sql6-psql.");
        return std::nullopt;
    }
    if (database.isOpen())
        return database;
    url_.applyTo(database);
    if (!database.open()) {
        error = unreachableText(reasonOf(database.lastError()));
        return std::nullopt;
    }
    return database;
}

void ProductionDatabase::leaveThread() const {
    const QString name = connectionName();
    if (!QSqlDatabase::contains(name))
        return;
    QSqlDatabase::database(name, false).close();
    QSqlDatabase::removeDatabase(name);
}

bool ProductionDatabase::run(QSqlQuery& query, QString& error, bool& unreachable,
                             const QString& direct) const {
    if (direct.isEmpty() ? query.exec() : query.exec(direct))
        return true;
    const QSqlError failure = query.lastError();
    unreachable = isUnreachableCode(failure.nativeErrorCode());
    if (unreachable) {
        error = unreachableText(reasonOf(failure));
        // The next question opens a new connection.
        QSqlDatabase::database(connectionName(), false).close();
    } else {
        error = QStringLiteral("The database %1 refused a statement: %2")
                    .arg(url_.text, reasonOf(failure));
    }
    return false;
}

std::optional<int> ProductionDatabase::schemaVersion(QSqlQuery& query, QString& error) const {
    bool unreachable = false;
    // Read from the catalog's table, as of now: a name looked up as to_regclass does may still
    // miss the tables that a run we waited for has just made.
    query.prepare(QStringLiteral("SELECT EXISTS (SELECT 1 FROM pg_catalog.pg_tables "
                                 "WHERE schemaname = current_schema() "
                                 "AND tablename = 'tavixat_schema')"));
    if (!run(query, error, unreachable) || !query.next())
        return std::nullopt;
    if (!query.value(0).toBool())
        return 0;
    query.prepare(QStringLiteral("SELECT max(version) FROM tavixat_schema"));
    if (!run(query, error, unreachable) || !query.next())
        return std::nullopt;
    return query.value(0).toInt();
}

bool ProductionDatabase::makeSchema(QSqlDatabase& database, QString& error) const {
    // A station's role may not create tables; the owner's first run does, once.
    if (!database.transaction()) {
        error = unreachableText(reasonOf(database.lastError()));
        return false;
    }
    bool unreachable = false;
    QSqlQuery query(database);
    query.prepare(QStringLiteral("SELECT pg_advisory_xact_lock(:key)"));
    query.bindValue(QStringLiteral(":key"), kSchemaLockKey);
    bool made = run(query, error, unreachable);
    // Asked again under the lock: another PC may have made them meanwhile.
    const std::optional<int> version = made ? schemaVersion(query, error) : std::nullopt;
    QStringList statements;
    if (version == 0) {
        for (const char* statement : kSchema)
            statements << QString::fromLatin1(statement);
        statements << QStringLiteral("INSERT INTO tavixat_schema VALUES (%1)").arg(kSchemaVersion);
    } else if (version == 1) {
        for (const char* statement : kUpgradeFrom1)
            statements << QString::fromLatin1(statement);
    }
    made = version.has_value();
    for (const QString& statement : statements)
        if (!(made = run(query, error, unreachable, statement)))
            break;
    if (!made) {
        database.rollback();
        if (version == 1) // a station's role may not alter the tables; their owner's may
            error = QStringLiteral("%1 The tables are of version 1, from before kits: run "
                                   "tavixat-cli once as their owner (report --database will do) "
                                   "to bring them to version %2.")
                        .arg(error)
                        .arg(kSchemaVersion);
        return false;
    }
    if (!database.commit()) {
        error = QStringLiteral("The tables could not be made in the database %1: %2")
                    .arg(url_.text, reasonOf(database.lastError()));
        return false;
    }
    return true;
}

bool ProductionDatabase::ensureSchema(QString& error) const {
    auto database = connection(error);
    if (!database)
        return false;
    QSqlQuery query(*database);
    std::optional<int> version = schemaVersion(query, error);
    if (version && *version < kSchemaVersion) {
        if (!makeSchema(*database, error))
            return false;
        version = schemaVersion(query, error);
    }
    if (!version)
        return false;
    if (*version != kSchemaVersion) {
        error = QStringLiteral("The database %1 holds tables of version %2; this tavixat-cli "
                               "knows version %3.")
                    .arg(url_.text)
                    .arg(*version)
                    .arg(kSchemaVersion);
        return false;
    }
    return true;
}

} // namespace tavixat
