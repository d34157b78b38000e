#include "PictureButton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace tavixat {

PictureButton::PictureButton(QWidget* parent) : QPushButton(parent) {}

QSize PictureButton::sizeHint() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    const QSize picture = iconSize();
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
    const int textWidth = fontMetrics().horizontalAdvance(text());
    const int width = qMax(picture.width(), textWidth) +
                      2 * (frame + style()->pixelMetric(QStyle::PM_ButtonMargin, &option, this));
    const int height = picture.height() + kSpacing + fontMetrics().height() + 2 * (frame + kMargin);
    return {width, height};
}

void PictureButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);

    // The style draws the button's face; picture and caption are placed here.
    QStyleOptionButton bevel = option;
    bevel.text.clear();
    bevel.icon = QIcon();
    painter.drawControl(QStyle::CE_PushButtonBevel, bevel);

    const QRect content = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    const QSize picture = iconSize();
    const int textHeight = fontMetrics().height();
    const int top =
        content.top() + (content.height() - picture.height() - kSpacing - textHeight) / 2;

    const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
    const QPixmap pixmap = icon().pixmap(picture, devicePixelRatio(), mode);
    const QSize shown = pixmap.deviceIndependentSize().toSize();
    painter.drawPixmap(content.left() + (content.width() - shown.width()) / 2,
                       top + (picture.height() - shown.height()) / 2, pixmap);

    const QRect textRect(content.left(), top + picture.height() + kSpacing, content.width(),
                         textHeight);
    painter.drawItemText(textRect, Qt::AlignHCenter | Qt::AlignTop, palette(), isEnabled(), text(),
                         QPalette::ButtonText);

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = style()->subElementRect(QStyle::SE_PushButtonFocusRect, &option, this);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

} // namespace tavixat
