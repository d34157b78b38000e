#include "CommandSplitter.h"

namespace tavixat::sim {

QList<QByteArray> CommandSplitter::push(const QByteArray& bytes) {
    QList<QByteArray> commands;
    for (const char c : bytes) {
        if (c == '<') {
            inCommand_ = true;
            gathered_.clear();
        } else if (!inCommand_) {
            continue;
        } else if (c == '>') {
            commands << gathered_;
            gathered_.clear();
            inCommand_ = false;
        } else if (gathered_.size() >= kMaxCommandLength) {
            gathered_.clear();
            inCommand_ = false;
        } else {
            gathered_.append(c);
        }
    }
    return commands;
}

} // namespace tavixat::sim
