// The main window's recording: the recording settings, the recording itself with the window out of the way as for a
// run, and the recorded pages put in after the current page.

#include "app/orvane.h"
#include "editor/editedproject.h"
#include "record/recordingsession.h"
#include "runui/recorddialog.h"
#include "runui/runindicators.h"

#include <QMessageBox>

void orvane::startRecording()
{
    RecordDialog dialog(config.recordDelay > 0 ? config.recordDelay : config.stertTime, config.stopCommand, this);
    dialog.setRecordsMoves(config.recordMoves);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // Kept for the next recording, apart from the run's settings: a recording often wants more time to get ready.
    config.recordDelay = dialog.startDelay();
    config.recordMoves = dialog.recordsMoves();
    RecordingSession::Settings settings;
    settings.startDelay = dialog.startDelay();
    settings.stopCommand = config.stopCommand;
    settings.options.moves = dialog.recordsMoves();
    settings.options.idleCapSeconds = config.recordIdleCap;

    // A child of the window: a window closed by a quit signal meanwhile takes the recording with it, and its end lets
    // go of the desktop.
    auto* recording = new RecordingSession(this);
    connect(recording, &RecordingSession::finished, this, [this, recording](const record::Pages& pages) {
        recording->deleteLater();
        show();
        activateWindow();
        if (pages.commands.isEmpty()) {
            QMessageBox::information(this, tr("記録"),
                                     tr("操作が記録されなかったため、ページは追加されませんでした。"));
            return;
        }
        // All pages at once, then one refresh: the history takes the whole recording as one step.
        for (qsizetype i = 0; i < pages.commands.size(); ++i) {
            project->commands.insert(currentPage + i, pages.commands.at(i));
            project->conditions.insert(currentPage + i, pages.conditions.at(i));
        }
        ++currentPage;
        refreshPage();
    });
    if (!recording->start(settings)) {
        delete recording;
        QMessageBox::warning(this, tr("記録"), tr("このデスクトップでは操作を記録できません。"));
        return;
    }
    RunIndicators::show(recording);
    hide();
}
