#pragma once

class QWidget;

namespace tavixat {

// True when every shown control placed on `window` or on one of its frames shows its caption,
// text or list items whole at the control's fixed size.
bool captionsFit(const QWidget& window);

// Gives `window` the largest font size, going down from its default in half points, at which
// every caption fits. The geometry is fixed, so the text has to adapt to it, not the reverse.
void fitCaptionFont(QWidget& window);

} // namespace tavixat
