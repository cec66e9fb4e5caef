#include "runstart.h"

#include "model/projectfile.h"
#include "run/run.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QPointer>
#include <QStandardPaths>
#include <QThread>

QString runProjectName(const QString& filePath)
{
    // The same name as the window title, so the tray names the project as the editor did.
    return model::projectTitle(filePath, QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
}

QString stopToolTip(const QString& projectName)
{
    return QStringLiteral("「%1」を終了").arg(projectName);
}

bool stopRunAndWait(const std::shared_ptr<RunState>& state, QPointer<Run>& run, QThread* worker, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    if (state) {
        state->requestStop();
        while (!state->ended.load()) {
            if (timer.elapsed() > timeoutMs)
                return false;
            QThread::msleep(5);
        }
    }
    if (worker) {
        worker->quit();
        if (!worker->wait(QDeadlineTimer(qMax<qint64>(0, timeoutMs - timer.elapsed()))))
            return false;
    }
    // The worker has ended, so nothing deletes the run concurrently any more; its event loop may have stopped before
    // the queued deleteLater reached it.
    if (run)
        delete run.data();
    return true;
}
