#include "ProvisionScreen.h"

#include "DisplayText.h"

#include <cstdio>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tavixat {

namespace {

constexpr int kWidestLine = 400;

void printOut(const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

int terminalColumns() {
    winsize size{};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1)
        return size.ws_col;
    return 80;
}

} // namespace

QString finishedText(const ReportRow& row) {
    if (row.result == QLatin1String("ok"))
        return QStringLiteral("OK %1 (%2 s)").arg(row.name).arg(row.seconds, 0, 'f', 1);
    if (row.result == QLatin1String("skipped"))
        return QStringLiteral("SKIPPED (unit %1)").arg(row.unit);
    return QStringLiteral("FAILED: ") + row.detail;
}

ProvisionScreen::ProvisionScreen() : terminal_(::isatty(STDOUT_FILENO) == 1) {}

void ProvisionScreen::addStation(const QString& name) {
    names_ << escapeControlCharacters(name);
    states_ << QStringLiteral("starting");
    changed_ = true;
}

void ProvisionScreen::setState(int station, const QString& state) {
    const QString shown = escapeControlCharacters(state);
    if (states_[station] == shown)
        return;
    states_[station] = shown;
    changed_ = true;
}

void ProvisionScreen::tellFinished(int station, const ReportRow& row) {
    setState(station, finishedText(row));
    if (!terminal_)
        printOut(QStringLiteral("%1: unit %2, %3: %4\n")
                     .arg(names_[station])
                     .arg(row.unit)
                     .arg(row.ownAddress.isEmpty() ? QStringLiteral("no own address")
                                                   : escapeControlCharacters(row.ownAddress),
                          escapeControlCharacters(finishedText(row))));
}

void ProvisionScreen::tellOpenFailure(int station, const QString& message) {
    if (terminal_)
        return;
    std::fputs(QStringLiteral("tavixat-cli: %1: %2\n")
                   .arg(names_[station], escapeControlCharacters(message))
                   .toLocal8Bit()
                   .constData(),
               stderr);
    std::fflush(stderr);
}

void ProvisionScreen::refresh(const QString& summary) {
    constexpr qint64 kSummaryPeriodMs = 1000;
    if (terminal_ &&
        (changed_ || (summary != shownSummary_ && sinceDrawn_.hasExpired(kSummaryPeriodMs))))
        draw(summary);
}

void ProvisionScreen::finish(const QString& summary) {
    if (terminal_)
        draw(summary);
    else
        printOut(summary + u'\n');
}

void ProvisionScreen::draw(const QString& summary) {
    QString text;
    if (drawnLines_ > 0)
        text += QStringLiteral("\x1b[%1A").arg(drawnLines_); // back to the first line
    for (qsizetype i = 0; i < names_.size(); ++i)
        text += QStringLiteral("\r\x1b[2K") +
                fitted(names_[i] + QStringLiteral(": ") + states_[i]) + u'\n';
    text += QStringLiteral("\r\x1b[2K") + fitted(summary) + u'\n';
    printOut(text);
    drawnLines_ = int(names_.size()) + 1;
    shownSummary_ = summary;
    changed_ = false;
    sinceDrawn_.start();
}

// A line that wraps would take two rows and throw the cursor arithmetic off.
QString ProvisionScreen::fitted(const QString& text) const {
    const int width = std::min(terminalColumns() - 1, kWidestLine);
    return text.size() > width ? text.left(width - 1) + QStringLiteral("…") : text;
}

} // namespace tavixat
