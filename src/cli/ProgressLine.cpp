#include "ProgressLine.h"

#include <cstdio>
#include <unistd.h>
#include <utility>

namespace tavixat {

namespace {

void printError(const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

} // namespace

void ProgressLine::begin(const QString& text) {
    if (::isatty(STDERR_FILENO)) {
        printError(text + QStringLiteral(" … "));
        open_ = true;
    }
}

void ProgressLine::end(const QString& text) {
    if (std::exchange(open_, false))
        printError(text + u'\n');
}

void ProgressLine::message(const QString& text, MessageIcon icon) {
    if (open_ && icon == MessageIcon::Information)
        return;
    printError((std::exchange(open_, false) ? QStringLiteral("\n") : QString()) + text + u'\n');
}

} // namespace tavixat
