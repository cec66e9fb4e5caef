#pragma once

// The timing report of a run: for every page executed, when it was planned to start, when it did, how late that was,
// what it did and whether its input was delivered; and how the run ended. Written as JSON for scripts (--report) and
// kept for the editor's last runs.

#include <QByteArray>
#include <QList>
#include <QString>

namespace cli {

struct ReportRow {
    int page = 0;         // 1-based page number
    int repetition = 0;   // 1-based pass over the project
    double plannedMs = 0; // from the run's start
    double actualMs = 0;
    QString operation; // as describeOperation names it, a typed text only counted
    QString condition; // as describeCondition names it
    bool delivered = true;
};

enum class RunOutcome { Finished, Stopped, NotDelivered };

struct RunReport {
    QString project;
    QList<ReportRow> pages;
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

#include "model/pagemodel.h"
#include "run/schedule.h"

#include <vector>

namespace cli {

// The report of a run from its page timings (times counted from the first page's planned start) and the project it
// ran. failure is the run's first undelivered input (its page is marked undelivered); stopped tells a stop by the user
// from a run that went to its end.
RunReport makeReport(const QString& project, const std::vector<::PageTiming>& timings, const model::EntryList& commands,
                     const model::EntryList& conditions, const QString& failure, bool stopped);

// Where the editor keeps the reports of its last runs: "reports" in the program's state directory.
QString reportDirectory();

} // namespace cli
