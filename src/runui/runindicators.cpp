#include "runindicators.h"

#include "cli/stopchannel.h"
#include "record/recordingsession.h"
#include "run/run.h"
#include "runui/runicons.h"
#include "runui/runstart.h"
#include "runui/stopwindow.h"

#include <QApplication>

RunIndicators* RunIndicators::show(Run* run, const QString& projectName)
{
    auto* shown = new RunIndicators([state = run->sharedState()] { state->requestStop(); }, stopToolTip(projectName));
    // Both arrive from the run's threads through this thread's event loop, in the order they were sent: the
    // indicators are gone before the run's finished() is delivered here.
    connect(run, &Run::requestBeep, shown, [] { QApplication::beep(); });
    connect(run, &Run::ending, shown, [shown] {
        shown->remove();
        shown->deleteLater();
    });
    connect(run, &QObject::destroyed, shown, &QObject::deleteLater);
    return shown;
}

RunIndicators* RunIndicators::show(RecordingSession* recording)
{
    auto* shown = new RunIndicators([recording] { recording->requestStop(); }, tr("記録を終了"));
    connect(recording, &RecordingSession::recording, shown, [] { QApplication::beep(); });
    // `orvane --stop` ends a recording as it ends a run, for as long as the indicators are up.
    connect(new cli::StopChannel(shown), &cli::StopChannel::stopRequested, recording, &RecordingSession::requestStop);
    connect(recording, &RecordingSession::finished, shown, [shown] {
        QApplication::beep();
        shown->remove();
        shown->deleteLater();
    });
    connect(recording, &QObject::destroyed, shown, &QObject::deleteLater);
    return shown;
}

// Owned by the application as well: a deletion still queued when the program quits would otherwise leak it.
RunIndicators::RunIndicators(std::function<void()> stop, const QString& toolTip)
    : QObject(QCoreApplication::instance()), stop_(std::move(stop))
{
    tray_ = new QSystemTrayIcon(this);
    tray_->setIcon(runicons::trayIcon());
    tray_->setToolTip(toolTip);
    tray_->setVisible(true);
    connect(tray_, &QSystemTrayIcon::activated, this, &RunIndicators::handleTrayActivation);

    // Without a tray_ the icon above cannot be seen or clicked; a run without a stop command could not be ended.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        window_ = new StopWindow(toolTip);
        window_->placeInCorner();
        connect(window_, &StopWindow::clicked, this, [this] { stop_(); });
        window_->show();
    }
}

RunIndicators::~RunIndicators()
{
    remove();
}

void RunIndicators::handleTrayActivation(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::Trigger)
        stop_();
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
