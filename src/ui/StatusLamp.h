#pragma once

#include <QColor>
#include <QWidget>

namespace tavixat {

// The connection lamp: a circle filled with one solid colour, outlined in black. What the colour
// means is its tooltip and, for screen readers, its accessible name.
class StatusLamp : public QWidget {
    Q_OBJECT
public:
    explicit StatusLamp(QWidget* parent = nullptr);

    void setState(const QColor& fill, const QString& meaning);
    QColor fillColor() const { return fillColor_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fillColor_ = Qt::red;
};

} // namespace tavixat
