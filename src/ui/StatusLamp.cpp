#include "StatusLamp.h"

#include <QPainter>

namespace tavixat {

StatusLamp::StatusLamp(QWidget* parent) : QWidget(parent) {}

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
