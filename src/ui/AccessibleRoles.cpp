#include "AccessibleRoles.h"

#include "DottedLine.h"
#include "StatusLamp.h"

#include <QAccessibleWidget>

namespace tavixat {

namespace {

// Qt hands a status bar on to AT-SPI as one, so screen readers announce the lamp and its changes;
// an indicator would reach them as an object of unknown role.
QAccessibleInterface* paintedWidgetInterface(const QString& className, QObject* object) {
    if (className == QLatin1String(StatusLamp::staticMetaObject.className()))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::StatusBar);
    if (className == QLatin1String(DottedLine::staticMetaObject.className()))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Separator);
    return nullptr;
}

} // namespace

void installAccessibleRoles() {
    // Qt keeps a factory once, however often it is installed.
    QAccessible::installFactory(paintedWidgetInterface);
}

} // namespace tavixat
