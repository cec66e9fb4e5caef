#pragma once

// The run engine: replays a project's pages as synthetic input. The object is configured on the GUI thread, moved to a
// worker QThread and started there; the run itself, the stop-command watch and every action run on standard threads
// that the object owns and joins. The only state shared between those threads is a pair of atomic flags and the
// record of held inputs.

#include "model/pagemodel.h"
#include "run/heldinputs.h"

#include <QObject>
#include <QString>
#include <QSystemTrayIcon>

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

class StopWindow;

// The run count that means "repeat until stopped".
inline constexpr int EndlessRunNumber = 114514;

// The flags of a run that someone outside may need after the run object itself is gone (the program's shut-down stops
// a run whose worker thread may be deleting it at the same moment).
struct RunState {
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> ended{false};
};

class Run : public QObject {
    Q_OBJECT

public:
    explicit Run(QObject* parent = nullptr);
    ~Run() override;

    // Stores the settings and copies of the pages, reads the stop command and starts its watch, then shows the tray
    // icon (and, where the desktop has no tray, a small window in its place). Once, on the GUI thread, before start.
    void configure(int startDelay, int repeatCount, const QString& stopCommand, const model::EntryList& commands,
                   const model::EntryList& conditions, const QString& projectName);

    // The run itself; runs on the run thread that start() creates. Emits finished() as its last act.
    void runLoop();

    void startStopChecker();
    void stopStopChecker();

    // The key condition: returns when the combination has been pressed and released (a key already down at the call
    // has to be released and pressed again first), or when the run is stopped.
    void waitForKey(const QString& text);

    // Ends the run within one polling interval; a stop requested before start() is kept and no page is replayed.
    // Any thread.
    void requestStop();
    bool isStopRequested() const;
    // True once the end sequence is over (finished() is being or has been emitted). Any thread.
    bool hasEnded() const;
    // The run's flags, shared so that they outlive the object. Any thread.
    std::shared_ptr<RunState> sharedState() const { return state; }

    // What a tray icon activation does: a single click (Trigger) stops the run, every other reason nothing.
    void handleTrayActivation(QSystemTrayIcon::ActivationReason reason);

    // The tray icon and its stand-in; null when none or once the run has removed them. GUI thread.
    QSystemTrayIcon* trayIconForTest() const { return trayIcon; }
    StopWindow* stopWindowForTest() const { return stopWindow; }
    bool isStopCheckerRunning() const { return stopCheckerRunning.load(); }
    // Action threads started so far, and the most that were ever kept at once (finished ones are joined as the run
    // goes on). Any thread.
    quint64 actionsStarted() const { return actionsStartedCount.load(); }
    std::size_t peakActionThreads() const { return peakActionThreadCount.load(); }
    // Replaces the system beep (tests count beeps with it). Before start.
    void setBeeper(std::function<void()> beep) { beeper = std::move(beep); }

Q_SIGNALS:
    void finished();
    void requestBeep();

public Q_SLOTS:
    void start();

private:
    struct ActionThread {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };

    void watchStopCommand();
    void performPage(const model::Entry& command, const model::Entry& condition);
    void launchAction(std::function<void()> body);
    void joinFinishedActions();
    void joinAllActions();
    void showIndicators();
    void removeIndicators();
    void beep();

    int startDelay = 0;
    int repeatCount = 0;
    QString stopCommandText;
    model::EntryList commands;
    model::EntryList conditions;
    QString projectName;
    std::shared_ptr<RunState> state = std::make_shared<RunState>();
    std::atomic<bool>& stopRequested = state->stopRequested;
    int stopKeyCode = 0;
    int stopModifierMask = 0;
    std::unique_ptr<std::thread> stopChecker;
    std::atomic<bool> stopCheckerRunning{false};
    // Both live on the GUI thread (they are widgets underneath) and are not children of the run, which moves to its
    // worker thread; the run removes them on their own thread.
    QSystemTrayIcon* trayIcon = nullptr;
    StopWindow* stopWindow = nullptr;
    std::unique_ptr<std::thread> runThread;
    std::vector<ActionThread> actionThreads;

    HeldInputs held;
    std::function<void()> beeper;
    std::atomic<quint64> actionsStartedCount{0};
    std::atomic<std::size_t> peakActionThreadCount{0};
};
