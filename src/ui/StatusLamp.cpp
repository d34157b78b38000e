#include "StatusLamp.h"

#include <QAccessibleWidget>
#include <QPainter>

namespace tavixat {

namespace {

// Qt hands a status bar on to AT-SPI as one, so screen readers announce the lamp and its changes;
// an indicator would reach them as an object of unknown role.
QAccessibleInterface* lampInterface(const QString& className, QObject* object) {
    if (className != QLatin1String(StatusLamp::staticMetaObject.className()))
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::StatusBar);
}

} // namespace

StatusLamp::StatusLamp(QWidget* parent) : QWidget(parent) {
    static const bool installed = (QAccessible::installFactory(lampInterface), true);
    Q_UNUSED(installed);
}

void StatusLamp::setState(const QColor& fill, const QString& meaning) {
    // A new accessible name is announced as such.
    setAccessibleName(meaning);
    setToolTip(meaning);
    if (fill == fillColor_)
        return;
    fillColor_ = fill;
    update();
}

void StatusLamp::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(fillColor_);
    // Half a pixel in, so the outline is not cut at the widget's edge.
    painter.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

} // namespace tavixat
