// The main window's run start: the run settings dialog, the run through the run launcher, and the way back.

#include "app/orvane.h"
#include "cli/runreport.h"
#include "editor/editedproject.h"
#include "runui/rundialog.h"
#include "runui/runlauncher.h"
#include "runui/runstart.h"

#include <QMessageBox>

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
    if (!runLauncher) {
        runLauncher = new RunLauncher(this);
        connect(runLauncher, &RunLauncher::finished, this, &orvane::onRunFinished);
    }
    runLauncher->start({config.stertTime, config.runNumber, config.stopCommand, project->commands, project->conditions,
                        runProjectName(config.filePath)});
    hide();
}

void orvane::onRunFinished(const cli::RunReport& report)
{
    // Kept as the last run's report.
    if (cli::storeReport(report, cli::reportDirectory()).isEmpty())
        qWarning("The report of the run could not be kept in %s", qPrintable(cli::reportDirectory()));
    show();
    activateWindow();
    // A run that lost input ended early: say what did not arrive rather than let it pass for a complete run.
    if (!report.failure.isEmpty())
        QMessageBox::warning(this, tr("入力を送れませんでした"), report.failure + tr("\n実行を中止しました。"));
}

void orvane::stopActiveRun()
{
    if (runLauncher)
        runLauncher->stop(QDeadlineTimer(10000));
}
