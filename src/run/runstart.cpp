#include "runstart.h"

#include "run/run.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>
#include <QThread>

QString runProjectName(const QString& filePath)
{
    if (filePath == QStandardPaths::writableLocation(QStandardPaths::DesktopLocation))
        return QStringLiteral("新規プロジェクト");
    return QFileInfo(filePath).baseName();
}

QString stopToolTip(const QString& projectName)
{
    return QStringLiteral("「%1」を終了").arg(projectName);
}

bool stopRunAndWait(Run* run, QThread* worker, int timeoutMs)
{
    if (!run)
        return true;
    QPointer<Run> guarded(run);
    run->requestStop();
    QElapsedTimer timer;
    timer.start();
    while (guarded && !guarded->hasEnded()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QThread::msleep(5);
    }
    if (worker) {
        worker->quit();
        if (!worker->wait(qMax<qint64>(0, timeoutMs - timer.elapsed())))
            return false;
    }
    // The worker's event loop may have ended before the queued deleteLater reached it; its thread is finished now.
    if (guarded)
        delete guarded.data();
    return true;
}
