#pragma once

#include <QWidget>

namespace tavixat {

// A horizontal separator: a dotted line, one pixel high, in the grey of disabled text.
class DottedLine : public QWidget {
    Q_OBJECT
public:
    explicit DottedLine(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tavixat
