#include "LineLink.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace tavixat::sim {

LineLink::~LineLink() {
    remove();
}

bool LineLink::create(const QString& linkPath, const QString& target, QString& error) {
    const QFileInfo existing(linkPath);
    if (existing.isSymLink()) {
        if (!QFile::remove(linkPath)) {
            error = QStringLiteral("cannot replace the link %1.").arg(linkPath);
            return false;
        }
    } else if (existing.exists()) {
        error =
            QStringLiteral("%1 exists and is not a symbolic link; leaving it alone.").arg(linkPath);
        return false;
    }
    if (::symlink(QFile::encodeName(target).constData(), QFile::encodeName(linkPath).constData()) !=
        0) {
        error = QStringLiteral("cannot make the link %1: %2")
                    .arg(linkPath, QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    linkPath_ = linkPath;
    target_ = target;
    return true;
}

void LineLink::remove() {
    if (linkPath_.isEmpty())
        return;
    // Another run may have taken the name over since; its link stays.
    if (QFileInfo(linkPath_).symLinkTarget() == target_)
        QFile::remove(linkPath_);
    linkPath_.clear();
}

} // namespace tavixat::sim
