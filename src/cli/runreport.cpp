#include "runreport.h"

#include <QDateTime>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include "cli/projectsummary.h"
#include "settings/config.h"

#include <algorithm>

namespace cli {

namespace {

const QString ReportPrefix = QStringLiteral("run-");
const QString ReportSuffix = QStringLiteral(".json");

QString outcomeName(RunOutcome outcome)
{
    switch (outcome) {
    case RunOutcome::Finished:
        return QStringLiteral("finished");
    case RunOutcome::Stopped:
        return QStringLiteral("stopped");
    case RunOutcome::NotDelivered:
        return QStringLiteral("not_delivered");
    }
    return {};
}

double roundedMs(double ms)
{
    return std::round(ms * 1000.0) / 1000.0;
}

QStringList storedReports(const QString& dir)
{
    // Time-stamped names sort in time order.
    QStringList names = QDir(dir).entryList({ReportPrefix + QLatin1Char('*') + ReportSuffix}, QDir::Files, QDir::Name);
    return names;
}

} // namespace

QByteArray reportJson(const RunReport& report)
{
    QJsonArray pages;
    double longest = 0;
    for (const ReportRow& page : report.pages) {
        const double lateness = page.actualMs - page.plannedMs;
        longest = std::max(longest, lateness);
        pages.append(QJsonObject{
            {QStringLiteral("page"), page.page},
            {QStringLiteral("repetition"), page.repetition},
            {QStringLiteral("operation"), page.operation},
            {QStringLiteral("condition"), page.condition},
            {QStringLiteral("planned_ms"), roundedMs(page.plannedMs)},
            {QStringLiteral("actual_ms"), roundedMs(page.actualMs)},
            {QStringLiteral("lateness_ms"), roundedMs(lateness)},
            {QStringLiteral("delivered"), page.delivered},
        });
    }
    QJsonObject summary{
        {QStringLiteral("pages"), static_cast<int>(report.pages.size())},
        {QStringLiteral("longest_lateness_ms"), roundedMs(longest)},
        {QStringLiteral("outcome"), outcomeName(report.outcome)},
    };
    if (!report.failure.isEmpty())
        summary.insert(QStringLiteral("failure"), report.failure);
    const QJsonObject root{
        {QStringLiteral("project"), report.project},
        {QStringLiteral("pages"), pages},
        {QStringLiteral("summary"), summary},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool writeReport(const RunReport& report, const QString& path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(reportJson(report));
    return file.commit();
}

QString storeReport(const RunReport& report, const QString& dir, int keep)
{
    if (!QDir().mkpath(dir))
        return {};
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    QString path = QDir(dir).filePath(ReportPrefix + stamp + ReportSuffix);
    // Two runs within the same millisecond keep both reports.
    for (int n = 1; QFileInfo::exists(path); ++n)
        path = QDir(dir).filePath(ReportPrefix + stamp + QStringLiteral("-%1").arg(n) + ReportSuffix);
    if (!writeReport(report, path))
        return {};
    const QStringList names = storedReports(dir);
    for (qsizetype i = 0; i + keep < names.size(); ++i)
        QFile::remove(QDir(dir).filePath(names.at(i)));
    return path;
}

RunReport makeReport(const QString& project, const std::vector<::PageTiming>& timings, const model::EntryList& commands,
                     const model::EntryList& conditions, const QString& failure, bool stopped)
{
    RunReport report;
    report.project = project;
    report.failure = failure;
    report.outcome = !failure.isEmpty() ? RunOutcome::NotDelivered
                     : stopped          ? RunOutcome::Stopped
                                        : RunOutcome::Finished;
    if (timings.empty())
        return report;
    const auto origin = timings.front().planned;
    const auto ms = [origin](std::chrono::steady_clock::time_point at) {
        return std::chrono::duration<double, std::milli>(at - origin).count();
    };
    for (const ::PageTiming& timing : timings) {
        report.pages.append(ReportRow{timing.page + 1, timing.repetition + 1, ms(timing.planned), ms(timing.actual),
                                      describeOperation(commands.value(timing.page), false),
                                      describeCondition(conditions.value(timing.page)), true});
    }
    // The run stops at its first undelivered input, so that input belongs to the last page that began.
    if (!failure.isEmpty())
        report.pages.last().delivered = false;
    return report;
}

QString reportDirectory()
{
    return settings::stateDirectory() + QStringLiteral("/reports");
}

QString latestReport(const QString& dir)
{
    const QStringList names = storedReports(dir);
    return names.isEmpty() ? QString() : QDir(dir).filePath(names.last());
}

} // namespace cli
