#pragma once

// The timing report of a run: for every page executed, when it was planned to start, when it did, how late that was,
// what it did and whether its input was delivered; and how the run ended. Written as JSON for scripts (--report) and
// kept for the editor's last runs.

#include <QByteArray>
#include <QList>
#include <QString>

namespace cli {

struct PageTiming {
    int page = 0;         // 1-based page number
    int repetition = 0;   // 1-based pass over the project
    double plannedMs = 0; // from the run's start
    double actualMs = 0;
    QString operation; // as describeOperation names it
    QString condition; // as describeCondition names it
    bool delivered = true;
};

enum class RunOutcome { Finished, Stopped, NotDelivered };

struct RunReport {
    QString project;
    QList<PageTiming> pages;
    RunOutcome outcome = RunOutcome::Finished;
    QString failure; // what could not be delivered, for RunOutcome::NotDelivered
};

QByteArray reportJson(const RunReport& report);

// Writes the report atomically; false (with nothing half-written) on failure.
bool writeReport(const RunReport& report, const QString& path);

// Keeps the editor's reports in dir: writes this one under a time-stamped name and removes all but the newest keep.
// Returns the path written, or an empty text on failure.
QString storeReport(const RunReport& report, const QString& dir, int keep = 10);
// The newest stored report in dir, or an empty text.
QString latestReport(const QString& dir);

} // namespace cli
