#pragma once

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <pwd.h>
#include <unistd.h>

// A PostgreSQL server of the test's own, made with initdb in a temporary folder and listening on
// a Unix socket there only. PostgreSQL will not run as root: then it runs as the postgres user
// that Debian's package makes, and owns the folder.
class PostgresServer {
public:
    // False, with what went wrong, when it cannot be made or started.
    bool start(QString& error) {
        const passwd* user = ::geteuid() == 0 ? ::getpwnam("postgres") : nullptr;
        if (user && ::chown(QFile::encodeName(dir_.path()).constData(), user->pw_uid, 0) != 0)
            user = nullptr;
        if (::geteuid() == 0 && !user)
            return error = "no postgres user to run the server as root", false;
        return run("initdb", {"-D", data(), "-A", "trust", "-U", "tavixat"}, error) &&
               startAgain(error);
    }
    bool startAgain(QString& error) {
        return run("pg_ctl",
                   {"-D", data(), "-l", dir_.filePath("log"), "-w", "-o",
                    "-k " + dir_.path() + " -c listen_addresses=''", "start"},
                   error);
    }
    bool stop(const QString& mode, QString& error) {
        return run("pg_ctl", {"-D", data(), "-w", "-m", mode, "stop"}, error);
    }
    ~PostgresServer() {
        QString ignored;
        stop("immediate", ignored);
    }
    QString url() const { return "postgresql:///postgres?host=" + dir_.path() + "&user=tavixat"; }

private:
    QString data() const { return dir_.filePath("data"); }
    // The newest server under Debian's folder for them, as the postgres user when root.
    bool run(const QString& tool, const QStringList& args, QString& error) {
        const QString bin = "/usr/lib/postgresql/" +
                            QDir("/usr/lib/postgresql")
                                .entryList(QDir::Dirs, QDir::Name | QDir::Reversed)
                                .value(0) +
                            "/bin/" + tool;
        QProcess process;
        if (::geteuid() == 0)
            process.start("runuser", QStringList{"-u", "postgres", "--", bin} + args);
        else
            process.start(bin, args);
        if (process.waitForFinished(60000) && process.exitCode() == 0)
            return true;
        error = bin + " failed (install the postgresql package): " + process.errorString() + ' ' +
                process.readAllStandardError();
        return false;
    }

    QTemporaryDir dir_;
};
