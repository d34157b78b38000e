#pragma once

#include "ProvisionReport.h"

#include <QElapsedTimer>
#include <QStringList>

namespace tavixat {

// How a finished module is shown: "OK Unit-007 (2.4 s)", "FAILED: …", "SKIPPED (unit 3)"; the
// module's text as it is, for the screen to escape once.
QString finishedText(const ReportRow& row);

// A production run on standard output. On a terminal: a line per station, rewritten in place,
// and a summary line under them. Otherwise a plain line per finished module and the summary at
// the end, with no cursor codes. Not thread-safe: the run calls it under its lock.
class ProvisionScreen {
public:
    ProvisionScreen();

    void addStation(const QString& name);
    void setState(int station, const QString& state);
    void tellFinished(int station, const ReportRow& row);
    // A station's port did not open at the start: said on standard error when no station line
    // shows it.
    void tellOpenFailure(int station, const QString& message);
    // Draws the lines again when a station's changed, or each second for the summary's rate (a
    // terminal only).
    void refresh(const QString& summary);
    // The last word: the lines as they ended and the summary.
    void finish(const QString& summary);

private:
    void draw(const QString& summary);
    QString fitted(const QString& text) const;

    const bool terminal_;
    QStringList names_;
    QStringList states_;
    QString shownSummary_;
    QElapsedTimer sinceDrawn_;
    int drawnLines_ = 0;
    bool changed_ = true;
};

} // namespace tavixat
