#pragma once

#include <QIcon>

namespace tavixat {

// The pictures drawn for this program (scripts/make-pictures), built in as resources.
QIcon applicationIcon();
QIcon connectPicture();
QIcon refreshPicture();

} // namespace tavixat
