#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <optional>

class QSqlDatabase;

namespace tavixat {

// Where the production database is, read from a URL as libpq reads one:
// postgresql://[user@]host[:port]/dbname[?key=value&...], where host may be a Unix socket folder
// (postgresql:///dbname?host=/run/postgresql). Qt's PostgreSQL driver takes the parts, not the
// URL, so it is taken apart here.
struct DatabaseUrl {
    QString text; // as given, for messages: it never holds a password
    QString host;
    int port = -1; // -1: libpq's default
    QString dbname;
    QString user;
    QList<QPair<QString, QString>> options; // the other parameters, such as sslmode

    // Nothing, with the reason, for text that is not such a URL or that holds a password: the
    // command line is what ps shows to everyone.
    static std::optional<DatabaseUrl> parse(const QString& text, QString& error);

    // The parts into a connection of Qt's QPSQL driver.
    void applyTo(QSqlDatabase& database) const;
};

} // namespace tavixat
