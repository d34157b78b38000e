#include "DottedLine.h"

#include <QPainter>

namespace tavixat {

DottedLine::DottedLine(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void DottedLine::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::Disabled, QPalette::WindowText), 1, Qt::DotLine));
    painter.drawLine(0, 0, width() - 1, 0);
}

} // namespace tavixat
