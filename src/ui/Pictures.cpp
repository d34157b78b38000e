#include "Pictures.h"

#include <QString>

// The resources live in a static library: nothing references them, so the linker would drop
// them unless they are registered by hand. The macro must be used outside any namespace.
static void registerPictureResources() {
    Q_INIT_RESOURCE(pictures);
}

namespace tavixat {

namespace {

QIcon iconFromFiles(std::initializer_list<const char*> names) {
    static const bool registered = (registerPictureResources(), true);
    Q_UNUSED(registered);
    QIcon icon;
    for (const char* name : names)
        icon.addFile(QStringLiteral(":/pictures/") + QLatin1String(name));
    return icon;
}

} // namespace

QIcon applicationIcon() {
    return iconFromFiles({"app-16.png", "app-24.png", "app-32.png", "app-48.png", "app-64.png",
                          "app-72.png", "app-96.png", "app-128.png"});
}

QIcon connectPicture() {
    return iconFromFiles({"connect-16.png", "connect-32.png"});
}

QIcon refreshPicture() {
    return iconFromFiles({"refresh-19x14.png"});
}

} // namespace tavixat
