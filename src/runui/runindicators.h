#pragma once

// What the user sees of a run in progress besides the desktop it drives: the tray_ icon "「name」を終了" (and, where
// the desktop has no tray_, an always-on-top window_ in its place), a click on either stops the run, and the beep at
// the end. The run engine itself knows no widgets; this object lives on the GUI thread, follows the run through its
// signals and removes the indicators as the run lets go of the desktop, before its finished() reaches this thread.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>

#include <memory>

class Run;
struct RunState;
class StopWindow;

class RunIndicators final : public QObject {
    Q_OBJECT

public:
    // Shows the indicators for a configured run (before it moves to its worker thread). The object deletes itself
    // once the run has ended or is gone. GUI thread.
    static RunIndicators* show(Run* run, const QString& projectName);
    ~RunIndicators() override;

    // What a tray_ icon activation does: a single click (Trigger) stops the run, every other reason nothing.
    void handleTrayActivation(QSystemTrayIcon::ActivationReason reason);

    // Null once removed; the stop window_ also where the desktop has a tray_.
    QSystemTrayIcon* trayIcon() const { return tray_; }
    StopWindow* stopWindow() const;

private:
    RunIndicators(Run* run, const QString& projectName);
    void remove();

    // The run is reached through its state_ only: it lives on its worker thread and may be deleted there any time.
    std::shared_ptr<RunState> state_;
    QSystemTrayIcon* tray_ = nullptr;
    // A top-level widget: the application may have destroyed it already when this object goes with the application.
    QPointer<StopWindow> window_;
};
