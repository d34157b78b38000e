#include "DatabaseUrl.h"

#include <QSqlDatabase>
#include <QUrl>

namespace tavixat {

namespace {

// How long libpq tries to reach a server that does not answer, unless the URL says: a station
// that waits for the database retries, rather than hanging on one attempt.
constexpr int kConnectTimeoutSeconds = 5;

QString decoded(QStringView part) {
    return QUrl::fromPercentEncoding(part.toUtf8());
}

QString passwordProblem(const QString& text) {
    return QStringLiteral("--database %1 holds a password, which anyone on this PC can read with "
                          "ps: put it in ~/.pgpass or the PGPASSWORD variable, where the "
                          "database client reads it, and give the URL without it.")
        .arg(text);
}

// libpq's connection options are 'quoted', with \ before a quote or a backslash.
QString quotedOption(const QString& value) {
    QString quoted = value;
    quoted.replace(u'\\', QStringLiteral("\\\\")).replace(u'\'', QStringLiteral("\\'"));
    return u'\'' + quoted + u'\'';
}

} // namespace

std::optional<DatabaseUrl> DatabaseUrl::parse(const QString& text, QString& error) {
    const QString usage = QStringLiteral("--database %1 is not a URL such as "
                                         "postgresql://host/dbname or "
                                         "postgresql:///dbname?host=/run/postgresql.")
                              .arg(text);
    QStringView rest(text);
    for (const QLatin1StringView scheme :
         {QLatin1StringView("postgresql://"), QLatin1StringView("postgres://")})
        if (rest.startsWith(scheme)) {
            rest = rest.mid(scheme.size());
            break;
        }
    if (rest.size() == text.size()) {
        error = usage;
        return std::nullopt;
    }
    DatabaseUrl url;
    url.text = text;
    const qsizetype query = rest.indexOf(u'?');
    const QStringView parameters = query < 0 ? QStringView() : rest.mid(query + 1);
    rest = rest.left(query < 0 ? rest.size() : query);
    const qsizetype slash = rest.indexOf(u'/');
    url.dbname = slash < 0 ? QString() : decoded(rest.mid(slash + 1));
    QStringView authority = rest.left(slash < 0 ? rest.size() : slash);
    if (const qsizetype at = authority.lastIndexOf(u'@'); at >= 0) {
        const QStringView user = authority.left(at);
        if (user.contains(u':')) {
            error = passwordProblem(text);
            return std::nullopt;
        }
        url.user = decoded(user);
        authority = authority.mid(at + 1);
    }
    // host:port, [v6 address]:port
    const qsizetype close = authority.lastIndexOf(u']');
    const qsizetype colon = authority.lastIndexOf(u':');
    QStringView host = authority;
    if (colon > close) {
        bool ok = false;
        url.port = authority.mid(colon + 1).toInt(&ok);
        if (!ok || url.port < 1 || url.port > 65535) {
            error = usage;
            return std::nullopt;
        }
        host = authority.left(colon);
    }
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.mid(1, host.size() - 2);
    url.host = decoded(host);
    bool timeoutGiven = false;
    bool optionsGiven = false;
    for (const QStringView pair : parameters.split(u'&', Qt::SkipEmptyParts)) {
        const qsizetype equals = pair.indexOf(u'=');
        if (equals <= 0) {
            error = usage;
            return std::nullopt;
        }
        const QString key = decoded(pair.left(equals));
        const QString value = decoded(pair.mid(equals + 1));
        if (key == QLatin1String("password")) {
            error = passwordProblem(text);
            return std::nullopt;
        }
        // Qt joins the options with ";", so a value cannot hold one.
        if (value.contains(u';') || key.contains(u';') || key.contains(u' ')) {
            error = QStringLiteral("--database %1: the parameter %2 cannot hold \";\" or be "
                                   "named with a space.")
                        .arg(text, key);
            return std::nullopt;
        }
        if (key == QLatin1String("host")) {
            url.host = value;
        } else if (key == QLatin1String("dbname")) {
            url.dbname = value;
        } else if (key == QLatin1String("user")) {
            url.user = value;
        } else if (key == QLatin1String("port")) {
            bool ok = false;
            url.port = value.toInt(&ok);
            if (!ok || url.port < 1 || url.port > 65535) {
                error = usage;
                return std::nullopt;
            }
        } else {
            timeoutGiven = timeoutGiven || key == QLatin1String("connect_timeout");
            optionsGiven = optionsGiven || key == QLatin1String("options");
            url.options.append({key, value});
        }
    }
    if (!timeoutGiven)
        url.options.append(
            {QStringLiteral("connect_timeout"), QString::number(kConnectTimeoutSeconds)});
    // The client would print the server's warnings (a shutdown, say) on standard error as they
    // come, in the middle of the run's lines; a failure is told by the run, in its own words.
    if (!optionsGiven)
        url.options.append(
            {QStringLiteral("options"), QStringLiteral("-c client_min_messages=error")});
    return url;
}

void DatabaseUrl::applyTo(QSqlDatabase& database) const {
    database.setHostName(host);
    database.setPort(port);
    database.setDatabaseName(dbname);
    database.setUserName(user);
    QStringList joined;
    for (const auto& [key, value] : options)
        joined << key + u'=' + quotedOption(value);
    database.setConnectOptions(joined.join(u';'));
}

} // namespace tavixat
