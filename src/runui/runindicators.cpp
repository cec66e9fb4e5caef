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

// Owned by the application as well: a deletion still queued when the program quits would otherwise leak it.
RunIndicators::RunIndicators(Run* run, const QString& projectName)
    : QObject(QCoreApplication::instance()), state_(run->sharedState())
{
    const QString toolTip = stopToolTip(projectName);
    tray_ = new QSystemTrayIcon(this);
    tray_->setIcon(runicons::trayIcon());
    tray_->setToolTip(toolTip);
    tray_->setVisible(true);
    connect(tray_, &QSystemTrayIcon::activated, this, &RunIndicators::handleTrayActivation);

    // Without a tray_ the icon above cannot be seen or clicked; a run without a stop command could not be ended.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        window_ = new StopWindow(toolTip);
        window_->placeInCorner();
        connect(window_, &StopWindow::clicked, this, [this] { state_->requestStop(); });
        window_->show();
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
        state_->requestStop();
}

StopWindow* RunIndicators::stopWindow() const
{
    return window_;
}

void RunIndicators::remove()
{
    if (tray_)
        tray_->hide();
    delete tray_;
    tray_ = nullptr;
    // Going with the application, the widgets are torn down already: the window is left to the process's end.
    if (window_ && !QCoreApplication::closingDown()) {
        window_->hide();
        delete window_;
    }
    window_ = nullptr;
}
