#include "runindicators.h"

#include "run/run.h"
#include "runui/runicons.h"
#include "runui/runstart.h"
#include "runui/stopwindow.h"

#include <QApplication>

RunIndicators* RunIndicators::show(Run* run, const QString& projectName)
{
    return new RunIndicators(run, projectName);
}

RunIndicators::RunIndicators(Run* run, const QString& projectName) : state(run->sharedState())
{
    const QString toolTip = stopToolTip(projectName);
    tray = new QSystemTrayIcon(this);
    tray->setIcon(runicons::trayIcon());
    tray->setToolTip(toolTip);
    tray->setVisible(true);
    connect(tray, &QSystemTrayIcon::activated, this, &RunIndicators::handleTrayActivation);

    // Without a tray the icon above cannot be seen or clicked; a run without a stop command could not be ended.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        window = new StopWindow(toolTip);
        window->placeInCorner();
        connect(window, &StopWindow::clicked, this, [this] { state->requestStop(); });
        window->show();
    }
    // Both arrive from the run's threads through this thread's event loop, in the order they were sent: the
    // indicators are gone before the run's finished() is delivered here.
    connect(run, &Run::requestBeep, this, [] { QApplication::beep(); });
    connect(run, &Run::ending, this, [this] {
        remove();
        deleteLater();
    });
    connect(run, &QObject::destroyed, this, &QObject::deleteLater);
}

RunIndicators::~RunIndicators()
{
    remove();
}

void RunIndicators::handleTrayActivation(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::Trigger)
        state->requestStop();
}

void RunIndicators::remove()
{
    if (tray)
        tray->hide();
    delete tray;
    tray = nullptr;
    if (window)
        window->hide();
    delete window;
    window = nullptr;
}
