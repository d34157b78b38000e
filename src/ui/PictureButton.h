#pragma once

#include <QPushButton>

namespace tavixat {

// A push button that shows its picture centred above its caption (QPushButton puts the icon
// beside the text). Still a QPushButton: clicked(), text() and the focus behave as usual.
class PictureButton : public QPushButton {
    Q_OBJECT
public:
    explicit PictureButton(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static constexpr int kSpacing = 1; // between the picture and the caption
    static constexpr int kMargin = 2;  // inside the bevel, above and below
};

} // namespace tavixat
