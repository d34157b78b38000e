#pragma once

#include "Platform.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

namespace tavixat {

// An adapter udev lists under /dev/serial/by-id: its stable path there, and the device that
// path leads to now (/dev/ttyUSB0, say).
struct AttachedAdapter {
    QString path;
    QString target;
};

// The numbers given to adapters no entry names yet, and the adapters left without one.
struct NumberAssignment {
    QMap<int, QString> added; // number -> by-id path
    QStringList unnumbered;   // by-id paths
};

// The rule alone, without files. `stored` maps the keys under "Ports" to their texts, `realPorts`
// holds the /dev/ttyS<m> paths that are real ports; COMn stands for /dev/ttyS<n-1>. Only the keys
// COM1 to COM16 count. An adapter is named when such an entry holds its by-id path or the device
// it leads to; each other adapter, in the order given, takes the lowest number from COM1 to COM16
// that no entry and no real port holds.
NumberAssignment assignNumbers(const QList<AttachedAdapter>& adapters,
                               const QHash<QString, QString>& stored,
                               const QSet<QString>& realPorts);

// The keys under "Ports" that name no port, sorted: they count for nothing.
QStringList ignoredPortKeys(const QHash<QString, QString>& stored);

// Whether a UART is there behind a serial device node, by the test Qt's port list applies: the
// node's entry in `ttyClassFolder` (/sys/class/tty) leads to a parent device (a virtual terminal
// has none), and when that device's driver is the 8250 one, which makes nodes for ports that may
// not exist, the port answers with a known UART type when asked (TIOCGSERIAL).
bool hasUart(const QString& ttyClassFolder, const QString& devicePath);

// The folder of stable adapter names: $TAVIXAT_SERIAL_BY_ID, else /dev/serial/by-id.
QString serialByIdFolder();

struct PortTable {
    QList<PortEntry> ports; // COM1 to COM16, in order
    QStringList unnumbered; // attached adapters without a number, each with the reason
    QStringList warnings;   // entries ignored, numbers that could not be saved
};

// Gives numbers to the adapters attached now that no [Ports] entry names, writing
// "COMn=<by-id path>" entries, then returns what each of COM1 to COM16 opens and whether
// that device is there. Entries already written are never changed. The store stays locked from
// the read to the last write, so two programs numbering at once never give one number twice.
// When the file cannot be written the numbers still hold in this process, and a warning says
// they are for this run only. Both front ends call this whenever they show the ports.
PortTable refreshPortTable();

} // namespace tavixat
