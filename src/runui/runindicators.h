#pragma once

// What the user sees of a run in progress besides the desktop it drives: the tray_ icon "「name」を終了" (and, where
// the desktop has no tray_, an always-on-top window_ in its place), a click on either stops the run, and the beep at
// the end. The run engine itself knows no widgets; this object lives on the GUI thread, follows the run through its
// signals and removes the indicators as the run lets go of the desktop, before its finished() reaches this thread.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>

#include <functional>

class Run;
class RecordingSession;
class StopWindow;

class RunIndicators final : public QObject {
    Q_OBJECT

public:
    // Shows the indicators for a configured run (before it moves to its worker thread). The object deletes itself
    // once the run has ended or is gone. GUI thread.
    static RunIndicators* show(Run* run, const QString& projectName);
    // The same for a recording, "記録を終了": a click ends the recording, and they go as it finishes.
    static RunIndicators* show(RecordingSession* recording);
    ~RunIndicators() override;

    // What a tray_ icon activation does: a single click (Trigger) stops the run, every other reason nothing.
    void handleTrayActivation(QSystemTrayIcon::ActivationReason reason);

    // Null once removed; the stop window_ also where the desktop has a tray_.
    QSystemTrayIcon* trayIcon() const { return tray_; }
    StopWindow* stopWindow() const;

private:
    RunIndicators(std::function<void()> stop, const QString& toolTip);
    void remove();

    // Asks for the end. A run is reached through its state only: it lives on its worker thread and may be deleted
    // there any time.
    std::function<void()> stop_;
    QSystemTrayIcon* tray_ = nullptr;
    // A top-level widget: the application may have destroyed it already when this object goes with the application.
    QPointer<StopWindow> window_;
};
