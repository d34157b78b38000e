#include "PortTable.h"

#include "PortNames.h"
#include "SettingsStore.h"

#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <linux/serial.h>
#include <optional>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace tavixat {

namespace {

const QString kPortsGroup = QStringLiteral("Ports");
const QString kSerialPrefix = QStringLiteral("/dev/ttyS");
const QString kTtyClassFolder = QStringLiteral("/sys/class/tty");

QList<AttachedAdapter> attachedAdapters() {
    const QDir folder(serialByIdFolder());
    QList<AttachedAdapter> adapters;
    // udev's names are symbolic links to character devices; QDir counts those as System.
    const auto names =
        folder.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names) {
        const QFileInfo link(folder.filePath(name));
        if (link.exists()) // a link left behind by an unplugged adapter leads nowhere
            adapters.append({link.absoluteFilePath(), link.canonicalFilePath()});
    }
    return adapters;
}

// Asks the driver what it has at the port; a node without a UART answers "unknown".
bool answersAsUart(const QString& devicePath) {
#ifdef Q_OS_LINUX
    const int fd = ::open(QFile::encodeName(devicePath).constData(),
                          O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    serial_struct info{};
    const bool answered = ::ioctl(fd, TIOCGSERIAL, &info) == 0;
    ::close(fd);
    return answered && info.type != PORT_UNKNOWN;
#else
    Q_UNUSED(devicePath);
    return false;
#endif
}

// Which of the /dev/ttyS paths asked about have a UART behind them; each is looked at once.
class SerialPorts {
public:
    bool isReal(const QString& devicePath) {
        auto it = known_.find(devicePath);
        if (it == known_.end())
            it = known_.insert(devicePath, hasUart(kTtyClassFolder, devicePath));
        return *it;
    }
    // The real ones among ttyS0 to ttyS15, for which COM1 to COM16 stand when no entry names
    // another device.
    QSet<QString> realAmongFirstSixteen() {
        QSet<QString> paths;
        for (int n = kFirstPortNumber; n <= kLastPortNumber; ++n)
            if (const QString path = kSerialPrefix + QString::number(n - 1); isReal(path))
                paths.insert(path);
        return paths;
    }

private:
    QHash<QString, bool> known_;
};

// Writes the new numbers, noting those that hold for this run only or not at all.
void saveNumbers(const NumberAssignment& assignment, PortTable& table) {
    QStringList runOnly;
    for (auto it = assignment.added.cbegin(); it != assignment.added.cend(); ++it) {
        const QString key = kPortsGroup + u'/' + portKey(it.key());
        if (storeText(key, it.value()))
            continue;
        // QSettings keeps a write it could not save for the rest of the process.
        if (readStoredText(key, {}) == it.value())
            runOnly.append(QStringLiteral("%1 = %2").arg(portKey(it.key()), it.value()));
        else
            table.unnumbered.append(
                QStringLiteral("%1 (no COM number: the settings file cannot be used)")
                    .arg(it.value()));
    }
    if (!runOnly.isEmpty())
        table.warnings.append(QStringLiteral("%1 cannot be written, so these new port numbers hold "
                                             "for this run only: %2.")
                                  .arg(settingsFileName(), runOnly.join(QStringLiteral(", "))));
    for (const QString& path : assignment.unnumbered)
        table.unnumbered.append(QStringLiteral("%1 (no COM number: COM1 to COM16 are all taken; "
                                               "remove an entry under [Ports] to free one)")
                                    .arg(path));
}

bool isAttached(const QString& device, SerialPorts& serialPorts) {
    if (device.startsWith(kSerialPrefix))
        return serialPorts.isReal(device);
    return QFileInfo::exists(device);
}

} // namespace

NumberAssignment assignNumbers(const QList<AttachedAdapter>& adapters,
                               const QHash<QString, QString>& stored,
                               const QSet<QString>& realPorts) {
    QSet<QString> named;
    for (auto it = stored.cbegin(); it != stored.cend(); ++it)
        if (portNumberOfKey(it.key()) != 0)
            named.insert(it.value().trimmed());
    QSet<int> taken;
    for (int n = kFirstPortNumber; n <= kLastPortNumber; ++n)
        if (stored.contains(portKey(n)) ||
            realPorts.contains(kSerialPrefix + QString::number(n - 1)))
            taken.insert(n);

    NumberAssignment result;
    for (const AttachedAdapter& adapter : adapters) {
        if (named.contains(adapter.path) || named.contains(adapter.target))
            continue;
        int free = kFirstPortNumber;
        while (free <= kLastPortNumber && taken.contains(free))
            ++free;
        if (free > kLastPortNumber) {
            result.unnumbered.append(adapter.path);
            continue;
        }
        taken.insert(free);
        result.added.insert(free, adapter.path);
    }
    return result;
}

QStringList ignoredPortKeys(const QHash<QString, QString>& stored) {
    QStringList keys;
    for (auto it = stored.cbegin(); it != stored.cend(); ++it)
        if (portNumberOfKey(it.key()) == 0)
            keys.append(it.key());
    keys.sort();
    return keys;
}

bool hasUart(const QString& ttyClassFolder, const QString& devicePath) {
    const QString parent =
        ttyClassFolder + u'/' + QFileInfo(devicePath).fileName() + QStringLiteral("/device");
    if (!QFileInfo::exists(parent))
        return false;
    const QString driver =
        QFileInfo(QFile::symLinkTarget(parent + QStringLiteral("/driver"))).fileName();
    return driver != QLatin1String("serial8250") || answersAsUart(devicePath);
}

QString serialByIdFolder() {
    const QString chosen = qEnvironmentVariable("TAVIXAT_SERIAL_BY_ID");
    return chosen.isEmpty() ? QStringLiteral("/dev/serial/by-id") : chosen;
}

PortTable refreshPortTable() {
    SerialPorts serialPorts;
    const QSet<QString> realPaths = serialPorts.realAmongFirstSixteen();
    const QList<AttachedAdapter> adapters = attachedAdapters();

    PortTable table;
    QHash<QString, QString> stored = readStoredGroup(kPortsGroup);
    NumberAssignment assignment = assignNumbers(adapters, stored, realPaths);
    // The lock, and the disk sync it costs, only when a number is to be written: the numbers are
    // then worked out again under it, from what another instance may have written meanwhile.
    std::optional<StoreLock> lock;
    if (!assignment.added.isEmpty()) {
        lock.emplace();
        stored = readStoredGroup(kPortsGroup);
        assignment = assignNumbers(adapters, stored, realPaths);
    }
    for (const QString& key : ignoredPortKeys(stored))
        table.warnings.append(QStringLiteral("%1: the entry \"%2\" under [Ports] is ignored: "
                                             "only COM1 to COM16 name a port.")
                                  .arg(settingsFileName(), key));
    saveNumbers(assignment, table);
    lock.reset();

    for (int n = kFirstPortNumber; n <= kLastPortNumber; ++n) {
        const QString device = devicePathFor(n);
        table.ports.append({n, device, isAttached(device, serialPorts)});
    }
    return table;
}

} // namespace tavixat
