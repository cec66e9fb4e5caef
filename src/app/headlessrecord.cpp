#include "headlessrecord.h"

#include "quitsignals.h"

#include "model/projectfile.h"
#include "platform/inputservices.h"
#include "record/recordingsession.h"
#include "runui/runindicators.h"
#include "settings/config.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTextStream>

int recordWithoutEditor(const cli::Request& request, QuitSignals& quitSignals)
{
    QTextStream err(stderr);
    // Options left out come from the settings of the editor's last run, as for --run.
    settings::Config config;
    settings::loadConfig(config);
    RecordingSession::Settings settings;
    settings.startDelay = request.delay.value_or(config.stertTime);
    settings.stopCommand = request.stop.value_or(config.stopCommand);
    settings.options.moves = request.moves;
    settings.options.idleCapSeconds = config.recordIdleCap;

    RecordingSession recording;
    record::Pages pages;
    QEventLoop loop;
    QObject::connect(&recording, &RecordingSession::finished, &loop, [&](const record::Pages& made) {
        pages = made;
        loop.quit();
    });
    QObject::connect(&quitSignals, &QuitSignals::quitRequested, &recording, &RecordingSession::requestStop);
    if (!recording.start(settings)) {
        err << QCoreApplication::translate("orvane", "このデスクトップでは操作を記録できません。") << Qt::endl;
        return cli::ExitNotDelivered;
    }
    RunIndicators::show(&recording);
    loop.exec();

    // A project has at least one page, even when nothing was recorded.
    if (pages.commands.isEmpty())
        model::appendPage(pages.commands, pages.conditions);
    if (const model::ProjectFileResult saved = model::writeProjectFile(request.file, pages.commands, pages.conditions);
        !saved.ok()) {
        err << cli::fileMessage(request.file, saved.message) << Qt::endl;
        return cli::ExitBadInput;
    }
    return cli::ExitFinished;
}
