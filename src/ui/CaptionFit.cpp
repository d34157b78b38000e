#include "CaptionFit.h"

#include "PictureButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>

namespace tavixat {

namespace {

constexpr double kSmallestPointSize = 6.0;
constexpr double kPointStep = 0.5;
// Room a group box keeps left and right of its title.
constexpr int kTitleInset = 8;
// Inner margins a line edit keeps around its text, inside the frame.
constexpr int kLineEditHorizontalMargin = 2;
constexpr int kLineEditVerticalMargin = 1;

bool fitsIn(const QSize& needed, const QSize& available) {
    return needed.width() <= available.width() && needed.height() <= available.height();
}

bool pushButtonFits(const QPushButton& button) {
    if (qobject_cast<const PictureButton*>(&button))
        return fitsIn(button.sizeHint(), button.size());
    QStyleOptionButton option;
    option.initFrom(&button);
    const QRect contents =
        button.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &button);
    const QFontMetrics metrics = button.fontMetrics();
    return fitsIn({metrics.horizontalAdvance(button.text()), metrics.height()}, contents.size());
}

bool lineEditFits(const QLineEdit& edit) {
    const int frame = edit.hasFrame() ? edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth) : 0;
    const QSize available(edit.width() - 2 * (frame + kLineEditHorizontalMargin),
                          edit.height() - 2 * (frame + kLineEditVerticalMargin));
    const QFontMetrics metrics = edit.fontMetrics();
    return fitsIn({metrics.horizontalAdvance(edit.text()), metrics.height()}, available);
}

bool comboBoxFits(const QComboBox& combo) {
    QStyleOptionComboBox option;
    option.initFrom(&combo);
    option.editable = combo.isEditable();
    const QRect field = combo.style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                      QStyle::SC_ComboBoxEditField, &combo);
    const QFontMetrics metrics = combo.fontMetrics();
    int widest = 0;
    for (int i = 0; i < combo.count(); ++i)
        widest = qMax(widest, metrics.horizontalAdvance(combo.itemText(i)));
    return fitsIn({widest, metrics.height()}, field.size());
}

bool groupBoxFits(const QGroupBox& box) {
    return box.fontMetrics().horizontalAdvance(box.title()) + 2 * kTitleInset <= box.width();
}

bool controlFits(const QWidget& control) {
    if (control.isHidden())
        return true; // never seen
    if (const auto* label = qobject_cast<const QLabel*>(&control))
        return fitsIn(label->sizeHint(), label->size());
    if (const auto* button = qobject_cast<const QPushButton*>(&control))
        return pushButtonFits(*button);
    if (qobject_cast<const QCheckBox*>(&control) || qobject_cast<const QRadioButton*>(&control))
        return fitsIn(control.sizeHint(), control.size());
    if (const auto* edit = qobject_cast<const QLineEdit*>(&control))
        return lineEditFits(*edit);
    if (const auto* combo = qobject_cast<const QComboBox*>(&control))
        return comboBoxFits(*combo);
    if (const auto* box = qobject_cast<const QGroupBox*>(&control))
        return groupBoxFits(*box);
    return true;
}

} // namespace

bool captionsFit(const QWidget& window) {
    const auto widgets = window.findChildren<QWidget*>();
    for (const QWidget* widget : widgets) {
        // Only the window's own controls: the parts a combo box is built of are not captions.
        const QWidget* parent = widget->parentWidget();
        const bool placed = parent == &window || qobject_cast<const QGroupBox*>(parent);
        if (placed && !controlFits(*widget))
            return false;
    }
    return true;
}

void fitCaptionFont(QWidget& window) {
    // Most desktops' fonts fit as they are; setting the font anew would restyle every control.
    if (captionsFit(window))
        return;
    QFont font = window.font();
    if (font.pointSizeF() <= 0)
        return; // a font sized in pixels: leave it as the platform gave it
    for (double size = font.pointSizeF() - kPointStep; size >= kSmallestPointSize;
         size -= kPointStep) {
        font.setPointSizeF(size);
        window.setFont(font);
        if (captionsFit(window))
            return;
    }
}

} // namespace tavixat
