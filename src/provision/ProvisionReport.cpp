#include "ProvisionReport.h"

#include "CsvText.h"
#include "DisplayText.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <cstdlib>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include <cstring>
#include <sys/file.h>
#include <sys/stat.h>

namespace tavixat {

namespace {

constexpr int kSecondsPerMinute = 60;
constexpr int kMinutesPerHour = 60;

// What came from the module is never run by a spreadsheet that opens the report, and holds no
// control character; the profile's name and PIN code cannot start like a formula.
QString columnValue(const ReportRow& row, qsizetype column) {
    const QString values[] = {isoTimeWithOffset(row.time),
                              row.station,
                              row.device,
                              QString::number(row.unit),
                              spreadsheetText(row.ownAddress),
                              spreadsheetText(escapeControlCharacters(row.firmware)),
                              row.name,
                              row.pin,
                              row.result,
                              spreadsheetText(escapeControlCharacters(row.detail)),
                              QString::number(row.seconds, 'f', 2),
                              spreadsheetText(row.partner)};
    return values[column];
}

bool syncToDisk(QFile& file) {
#ifdef Q_OS_WIN
    return _commit(file.handle()) == 0;
#else
    // A pipe or a terminal has no disk to reach: what it was given is all there is to do.
    return ::fsync(file.handle()) == 0 || errno == EINVAL;
#endif
}

// A new file's name lives in its folder: synced too, or a crash could take the file, rows and all.
bool syncFolderOf(const QString& path) {
#ifdef Q_OS_WIN
    Q_UNUSED(path);
    return true; // no folder handle to sync there; the file's own flush is what Windows offers
#else
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    return synced;
#endif
}

// A report is a regular file: a FIFO would be waited for, a device such as /dev/zero read
// without end, and neither keeps rows.
QString notRegularProblem(const QString& path, const struct stat& st) {
    if (S_ISREG(st.st_mode))
        return {};
    return QStringLiteral("The report %1 is not a regular file: give the path of a CSV file.")
        .arg(path);
}

// The rows under the header into the history; a message naming the line for a row that is not
// one.
QString addRows(const QList<CsvRecord>& records, ReportHistory& history) {
    const qsizetype columns = records.first().fields.size();
    const qsizetype unitColumn = ProvisionReport::kColumns.indexOf(QStringLiteral("unit"));
    const qsizetype addressColumn =
        ProvisionReport::kColumns.indexOf(QStringLiteral("own_address"));
    const qsizetype resultColumn = ProvisionReport::kColumns.indexOf(QStringLiteral("result"));
    for (qsizetype i = 1; i < records.size(); ++i) {
        const CsvRecord& r = records[i];
        if (r.fields == QStringList{QString()})
            continue; // a blank line
        bool ok = false;
        const qint64 unit = r.fields.size() == columns ? r.fields[unitColumn].toLongLong(&ok) : 0;
        if (!ok)
            return QStringLiteral("line %1 is not a row of %2 fields with a unit number.")
                .arg(r.line)
                .arg(columns);
        if (unit < 1 || unit > kHighestUnit)
            return QStringLiteral("line %1 holds unit %2; units run from 1 to %3.")
                .arg(r.line)
                .arg(unit)
                .arg(kHighestUnit);
        history.highestUnit = std::max(history.highestUnit, int(unit));
        if (r.fields[resultColumn] == QLatin1String("ok"))
            history.doneUnits.insert(reportAddress(r.fields[addressColumn]), int(unit));
    }
    return {};
}

} // namespace

const QStringList ProvisionReport::kColumns = {"time",        "station",  "device",  "unit",
                                               "own_address", "firmware", "name",    "pin",
                                               "result",      "detail",   "seconds", "partner"};

bool ProvisionReport::open(const QString& path, QString& error) {
    // A new file gets the owner's bits alone. One that is there keeps its mode: the user may have
    // shared it on purpose (a group that checks the run), and a run that only appends has no
    // business narrowing or widening it. Never waits: a FIFO without a reader fails at once.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0600);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        error = QStringLiteral("Cannot write the report %1: %2.")
                    .arg(path, QString::fromLocal8Bit(strerror(errno)));
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    error = notRegularProblem(path, st);
    if (!error.isEmpty() ||
        !file_.open(fd, QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered,
                    QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        if (error.isEmpty())
            error =
                QStringLiteral("Cannot write the report %1: %2.").arg(path, file_.errorString());
        return false;
    }
    path_ = path;
    // Two runs on one report would give out the same unit numbers.
    if (::flock(file_.handle(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        error = QStringLiteral("The report %1 is in use by another provision run: give each run "
                               "a report of its own, or run one with all the stations.")
                    .arg(path);
        file_.close();
        return false;
    }
    columns_ = kColumns.size();
    if (file_.size() > 0) {
        QFile existing(path);
        if (existing.open(QIODevice::ReadOnly) &&
            existing.readLine().trimmed() == csvRecord(columnsBeforePartner()).trimmed())
            columns_ = columnsBeforePartner().size();
        return true;
    }
    if (!writeDurably(csvRecord(kColumns).toUtf8(), error))
        return false;
    if (!syncFolderOf(path_)) {
        error = QStringLiteral("Cannot write the report %1: its folder cannot be synced to disk.")
                    .arg(path);
        return false;
    }
    return true;
}

QStringList ProvisionReport::fieldsOf(const ReportRow& row) {
    QStringList fields;
    for (qsizetype i = 0; i < kColumns.size(); ++i)
        fields << columnValue(row, i);
    return fields;
}

bool ProvisionReport::append(const ReportRow& row, QString& error) {
    return writeDurably(csvRecord(fieldsOf(row).mid(0, columns_)).toUtf8(), error);
}

bool ProvisionReport::isStillAtPath() const {
    struct stat atPath {
    }, held{};
    return file_.isOpen() && ::stat(QFile::encodeName(path_).constData(), &atPath) == 0 &&
           ::fstat(file_.handle(), &held) == 0 && atPath.st_dev == held.st_dev &&
           atPath.st_ino == held.st_ino;
}

bool ProvisionReport::writeDurably(const QByteArray& bytes, QString& error) {
    // One write for the whole row: a row is never split between two writes of other stations.
    if (!file_.isOpen() || file_.write(bytes) != bytes.size() || !syncToDisk(file_)) {
        error = QStringLiteral("Cannot write the report %1: %2.")
                    .arg(path_,
                         file_.isOpen() ? file_.errorString() : QStringLiteral("it is not open"));
        return false;
    }
    return true;
}

std::optional<ReportHistory> ProvisionReport::readHistory(const QString& path, QString& error) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        if (errno == ENOENT)
            return ReportHistory{};
    } else if (error = notRegularProblem(path, st); !error.isEmpty()) {
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("Cannot read the report %1: %2.").arg(path, file.errorString());
        return std::nullopt;
    }
    const auto records = parseCsv(QString::fromUtf8(file.readAll()), error);
    ReportHistory history;
    const bool before =
        records && !records->isEmpty() && records->first().fields == columnsBeforePartner();
    if (records && !records->isEmpty() && records->first().fields != kColumns && !before)
        error = QStringLiteral("its first line is not the header %1.").arg(kColumns.join(u','));
    else if (records && !records->isEmpty())
        error = addRows(*records, history);
    history.hasPartner = !before;
    if (!error.isEmpty()) {
        error = QStringLiteral("The report %1 cannot be continued: %2").arg(path, error);
        return std::nullopt;
    }
    return history;
}

QString reportAddress(const QString& address) {
    return address.toLower().remove(u' ');
}

bool isReportAddress(const QString& address) {
    static const QRegularExpression kTwelveDigits(QStringLiteral("^[0-9a-f]{12}$"));
    return kTwelveDigits.match(address).hasMatch();
}

QString isoTimeWithOffset(const QDateTime& time) {
    const int offsetMinutes = time.offsetFromUtc() / kSecondsPerMinute;
    const int absolute = std::abs(offsetMinutes);
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
           (offsetMinutes < 0 ? u'-' : u'+') +
           QStringLiteral("%1:%2")
               .arg(absolute / kMinutesPerHour, 2, 10, QChar(u'0'))
               .arg(absolute % kMinutesPerHour, 2, 10, QChar(u'0'));
}

} // namespace tavixat
