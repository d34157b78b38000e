#pragma once

#include <QString>

namespace tavixat {

// Firmware versions are compared as texts, ordinally: code unit by code unit, case-sensitive,
// the first difference decides and a leading part sorts first. "v10.0" sorts between "v1.1"
// and "v2.0". Never locale-aware, never numeric.
bool versionLess(const QString& a, const QString& b);

inline const QString kLowestAcceptedVersion = QStringLiteral("v1.1");
inline const QString kFullFeatureVersion = QStringLiteral("v2.0");

// The connect gate: versions below "v1.1" are refused.
bool isVersionAccepted(const QString& version);
// From "v1.1" up to below "v2.0" the PIN request is locked on.
bool isPinRequestLocked(const QString& version);

} // namespace tavixat
