#include "headlessrun.h"

#include "quitsignals.h"

#include "cli/runreport.h"
#include "model/keycombination.h"
#include "model/projectfile.h"
#include "platform/inputservices.h"
#include "run/run.h"
#include "runui/runlauncher.h"
#include "runui/runstart.h"
#include "settings/config.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QLockFile>
#include <QStandardPaths>
#include <QTextStream>

namespace {

QString runLockPath()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return QDir(dir).filePath(QStringLiteral("orvane-run.lock"));
}

} // namespace

int runWithoutEditor(const cli::Request& request, const model::ProjectData& project, QuitSignals& quitSignals)
{
    QTextStream err(stderr);
    const platform::DesktopLimit limit = platform::desktopLimit();
    if (!platform::services().canSynthesize()) {
        err << (limit == platform::DesktopLimit::NoInputProtocols
                    ? QCoreApplication::translate(
                          "orvane",
                          "この Wayland コンポジターは入力の合成を受け付けません（仮想キーボードと仮想ポインター"
                          "のプロトコルがなく、X11 の画面もありません）。")
                    : QCoreApplication::translate("orvane", "このデスクトップでは入力の自動操作を利用できません。"))
            << Qt::endl;
        return cli::ExitNotDelivered;
    }
    if (limit == platform::DesktopLimit::X11WindowsOnly)
        err << QCoreApplication::translate(
                   "orvane", "このデスクトップ（Wayland）では、入力は X11（XWayland）のウィンドウにだけ届きます。")
            << Qt::endl;
    // Two runs would fight over the same keyboard and pointer.
    QLockFile lock(runLockPath());
    if (!lock.tryLock(0)) {
        err << QCoreApplication::translate(
                   "orvane", "別の実行（orvane --run）が進行中です。終わってからもう一度実行してください。")
            << Qt::endl;
        return cli::ExitBadInput;
    }

    // Options left out come from the settings of the editor's last run; a run from the command line changes none.
    settings::Config config;
    settings::loadConfig(config);
    const int delay = request.delay.value_or(config.stertTime);
    const int repeat = request.endless ? EndlessRunNumber : request.repeat.value_or(config.runNumber);
    const QString stop = request.stop.value_or(config.stopCommand);
    if (!platform::services().canWatchKeys() && !keys::isNoCombination(stop))
        err << QCoreApplication::translate(
                   "orvane", "このデスクトップではキーの組み合わせで停止できません。orvane --stop で停止してください。")
            << Qt::endl;

    RunLauncher launcher;
    QEventLoop loop;
    cli::RunReport report;
    QObject::connect(&launcher, &RunLauncher::finished, &loop, [&](const cli::RunReport& ended) {
        report = ended;
        loop.quit();
    });
    QObject::connect(&quitSignals, &QuitSignals::quitRequested, &launcher, &RunLauncher::requestStop);
    const QString name = runProjectName(request.file);
    launcher.start({delay, repeat, stop, project.commands, project.conditions, name});
    loop.exec();
    launcher.stop(QDeadlineTimer(QDeadlineTimer::Forever));

    if (!request.report.isEmpty() && !cli::writeReport(report, request.report))
        err << QCoreApplication::translate("orvane", "レポートを書き込めませんでした: %1").arg(request.report)
            << Qt::endl;
    if (report.outcome == cli::RunOutcome::NotDelivered) {
        err << report.failure << Qt::endl;
        return cli::ExitNotDelivered;
    }
    return report.outcome == cli::RunOutcome::Stopped ? cli::ExitStopped : cli::ExitFinished;
}
