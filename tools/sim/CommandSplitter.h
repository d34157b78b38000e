#pragma once

#include <QByteArray>
#include <QList>

namespace tavixat::sim {

// Cuts the byte stream the device hears into "<...>" commands, however the bytes are split
// over writes. Bytes outside brackets are dropped, a "<" restarts the command being gathered,
// and a command that grows past kMaxCommandLength without its ">" is dropped.
class CommandSplitter {
public:
    static constexpr qsizetype kMaxCommandLength = 256;

    // The texts between "<" and ">" of every command completed by these bytes, in order.
    QList<QByteArray> push(const QByteArray& bytes);

private:
    QByteArray gathered_;
    bool inCommand_ = false;
};

} // namespace tavixat::sim
