#pragma once

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <pwd.h>
#include <unistd.h>

// A PostgreSQL server of the test's own, made with initdb in a temporary folder and listening on
// a Unix socket there only. PostgreSQL will not run as root: then it runs as the postgres user
// that Debian's package makes.
class PostgresServer {
public:
    // False, with what went wrong, when it cannot be made or started.
    bool start(QString& error) {
        const QStringList found =
            QDir("/usr/lib/postgresql").entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        bin_ = found.isEmpty() ? QString() : "/usr/lib/postgresql/" + found.last() + "/bin/";
        if (!QFile::exists(bin_ + "initdb")) {
            error = "no initdb under /usr/lib/postgresql: install the postgresql package";
            return false;
        }
        if (::geteuid() == 0) {
            const passwd* user = ::getpwnam("postgres");
            if (!user || ::chown(QFile::encodeName(dir_.path()).constData(), user->pw_uid,
                                 user->pw_gid) != 0) {
                error = "no postgres user to run the server as root";
                return false;
            }
        }
        return run("initdb", {"-D", data(), "-A", "trust", "-U", "tavixat", "-E", "UTF8"}, error) &&
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
    bool run(const QString& tool, const QStringList& args, QString& error) {
        QProcess process;
        if (::geteuid() == 0)
            process.start("runuser", QStringList{"-u", "postgres", "--", bin_ + tool} + args);
        else
            process.start(bin_ + tool, args);
        if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
            process.exitCode() == 0)
            return true;
        error = tool + " failed: " + process.errorString() + ' ' + process.readAllStandardError();
        return false;
    }

    QTemporaryDir dir_;
    QString bin_;
};
