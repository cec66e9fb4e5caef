// The main window's run start: the run settings dialog, the worker thread with its run, and the way back.

#include "app/orvane.h"
#include "cli/runreport.h"
#include "run/run.h"
#include "runui/rundialog.h"
#include "runui/runindicators.h"
#include "runui/runstart.h"

#include <QMessageBox>
#include <QThread>

#include <memory>
#include <vector>

void orvane::stertRun()
{
    RunDialog dialog(config.stertTime, config.runNumber, config.stopCommand, config.isUsedStert, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    config.stertTime = dialog.getStertTime();
    config.runNumber = dialog.getRunNumber();
    config.stopCommand = dialog.getStopCommand();
    config.isUsedStert = dialog.getIsUsedStert();
    startRun();
}

void orvane::startRun()
{
    auto* worker = new QThread(this);
    auto* run = new Run;
    run->configure(config.stertTime, config.runNumber, config.stopCommand, list_command, list_condition,
                   runProjectName(config.filePath));
    RunIndicators::show(run, runProjectName(config.filePath));
    run->moveToThread(worker);
    connect(worker, &QThread::started, run, &Run::start);
    // The run's record is read on its own thread as it finishes (the run may be deleted before the window hears of
    // it), then kept as the last run's report.
    struct Finished {
        std::vector<PageTiming> timings;
        bool stopped = false;
        QString failure;
    };
    auto finished = std::make_shared<Finished>();
    connect(
        run, &Run::finished, run,
        [run, finished] {
            finished->timings = run->pageTimings();
            finished->stopped = run->isStopRequested();
            finished->failure = run->failure();
        },
        Qt::DirectConnection);
    connect(run, &Run::finished, this,
            [finished, name = runProjectName(config.filePath), commands = list_command, conditions = list_condition] {
                const cli::RunReport report = cli::makeReport(name, finished->timings, commands, conditions,
                                                              finished->failure, finished->stopped);
                if (cli::storeReport(report, cli::reportDirectory()).isEmpty())
                    qWarning("The report of the run could not be kept in %s", qPrintable(cli::reportDirectory()));
            });
    connect(run, &Run::finished, worker, &QThread::quit);
    connect(run, &Run::finished, run, &QObject::deleteLater);
    connect(run, &Run::finished, this, &orvane::onRunFinished);
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    activeRun = run;
    activeRunThread = worker;
    activeRunState = run->sharedState();
    worker->start();
    hide();
}

void orvane::onRunFinished()
{
    show();
    activateWindow();
    // A run that lost input ended early: say what did not arrive rather than let it pass for a complete run.
    const QString failure = activeRunState ? activeRunState->failure() : QString();
    if (!failure.isEmpty())
        QMessageBox::warning(this, QStringLiteral("入力を送れませんでした"),
                             failure + QStringLiteral("\n実行を中止しました。"));
}

void orvane::stopActiveRun()
{
    // Only the worker thread object is looked at before the wait: it lives on this thread, while the run may be deleted
    // on its worker at any moment.
    if (!activeRunThread) {
        activeRunState.reset();
        return;
    }
    QThread* worker = activeRunThread.data();
    if (!stopRunAndWait(activeRunState, activeRun, worker, 10000)) {
        // A run that does not end is left to the process's exit rather than destroyed while its thread runs.
        worker->setParent(nullptr);
    }
    activeRun.clear();
    activeRunThread.clear();
    activeRunState.reset();
}
