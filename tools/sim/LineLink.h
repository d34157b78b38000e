#pragma once

#include <QString>

namespace tavixat::sim {

// A symbolic link to the line at a path of the user's choice, so the tool can be pointed at a
// fixed name. Removed again when this object goes, if it still points at the line.
class LineLink {
public:
    LineLink() = default;
    ~LineLink();
    LineLink(const LineLink&) = delete;
    LineLink& operator=(const LineLink&) = delete;

    // Replaces a symbolic link already at linkPath (a leftover from an earlier run) but never
    // anything else. False with error set on failure.
    bool create(const QString& linkPath, const QString& target, QString& error);
    void remove();

private:
    QString linkPath_;
    QString target_;
};

} // namespace tavixat::sim
