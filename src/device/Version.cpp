#include "Version.h"

namespace tavixat {

bool versionLess(const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseSensitive) < 0;
}

bool isVersionAccepted(const QString& version) {
    return !versionLess(version, kLowestAcceptedVersion);
}

bool isPinRequestLocked(const QString& version) {
    return isVersionAccepted(version) && versionLess(version, kFullFeatureVersion);
}

} // namespace tavixat
