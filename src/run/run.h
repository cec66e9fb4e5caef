#pragma once

// The run engine: replays a project's pages as synthetic input on a schedule of deadlines. The object is configured on
// the GUI thread, moved to a worker QThread and started there; the run itself, the stop-command watch (a desktop key
// watch on a backend thread, or a polling thread where the desktop cannot be watched) and every action run on
// threads that the object owns and joins. What those threads share is the RunState: one stop signal they all block
// on, the record of held inputs and the first failure.

#include "model/pagemodel.h"
#include "platform/inputservices.h"
#include "platform/stopsignal.h"
#include "run/actionpool.h"
#include "run/heldinputs.h"
#include "run/pagesteps.h"
#include "run/schedule.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class CombinationWatch;

// The run count that means "repeat until stopped".
inline constexpr int EndlessRunNumber = 114514;

// What a run shares between its threads and with anyone outside who may need it after the run object itself is gone
// (the program's shut-down stops a run whose worker thread may be deleting it at the same moment).
struct RunState {
public:
    // Every wait of the run blocks on this signal.
    platform::StopSignal stop;
    std::atomic<bool> ended{false};
    // What the run's actions hold down; shut by a stop.
    HeldInputs held;

    // Stops the run: wakes every wait, releases everything held at once from the calling thread and refuses later
    // presses. Any thread.
    void requestStop();
    // Records the first input that could not be delivered (a short Japanese sentence) and stops the run. Any thread.
    void fail(const QString& what);
    // The first failure; empty when every input was delivered. Any thread.
    QString failure() const;
    // While linked, a stop also requests `signal` (for a wait on something other than the stop; nullptr unlinks). A
    // stop that came earlier requests it at once. Any thread.
    void linkWake(platform::StopSignal* signal);

private:
    mutable std::mutex mutex_;
    QString failure_;
    platform::StopSignal* wake_ = nullptr;
};

class Run : public QObject {
    Q_OBJECT

public:
    explicit Run(QObject* parent = nullptr);
    ~Run() override;

    // Stores the settings, reads the pages into steps, reads the stop command and starts its watch. Once, on the GUI
    // thread, before start.
    void configure(int startDelay, int repeatCount, const QString& stopCommand, const model::EntryList& commands,
                   const model::EntryList& conditions, const QString& projectName);

    // The run itself; runs on the run thread that start() creates. Emits finished() as its last act.
    void runLoop();

    // Follows the stop command, as the user presses it, through a desktop key watch, or by polling the key state every
    // 10 ms where the desktop cannot be watched. configure() starts it; the run thread ends it once the last page's
    // actions are over (and the destructor, after that thread is gone).
    void startStopChecker();
    void stopStopChecker();

    // The key condition: returns the moment the combination's main key was released after a press with exactly its
    // modifiers (a key already down at the call has to be released and pressed again first); what the run itself
    // holds or pressed is not counted. The moment of the call for no combination; nothing when the run was stopped.
    // Run thread.
    std::optional<std::chrono::steady_clock::time_point> waitForKey(const keys::KeyCombination& combination);

    // Ends the run at once, releasing what it holds; a stop requested before start() is kept and no page is replayed.
    // Any thread.
    void requestStop();
    bool isStopRequested() const;
    // True once the end sequence is over (finished() is being or has been emitted). Any thread.
    bool hasEnded() const;
    // The run's shared state, kept so that it outlives the object. Any thread.
    std::shared_ptr<RunState> sharedState() const { return state_; }
    // The first input that could not be delivered (the run stopped there); empty when all was delivered. Any thread.
    QString failure() const { return state_->failure(); }
    // When each page that ran was due and when it began, in order (at most the first maxPageTimings). Any thread.
    std::vector<PageTiming> pageTimings() const;
    // 131,072 pages (3 MiB): an endless run keeps its record of the first hours, not a record that grows for days.
    static constexpr std::size_t maxPageTimings = 1 << 17;

    // True while the stop command is followed and has not been seen yet. Any thread.
    bool isStopCheckerRunning() const { return stopCheckerRunning_.load(); }
    // Action threads started so far, and the most that were ever kept at once (finished ones are joined as the run
    // goes on). Any thread.
    quint64 actionsStarted() const { return actionsStartedCount_.load(); }
    std::size_t peakActionThreads() const { return peakActionThreadCount_.load(); }
    // Replaces the beep at the end of a run, which is otherwise requested through requestBeep() (tests count beeps
    // with it). Before start.
    void setBeeper(std::function<void()> beep) { beeper_ = std::move(beep); }

Q_SIGNALS:
    // The run has let go of every key and button and is about to emit finished(): whatever shows the run can go.
    void ending();
    void finished();
    // The end of a run wants the desktop's beep (unless a beeper was set).
    void requestBeep();

public Q_SLOTS:
    void start();

private:
    void pollStopCommand();
    void onStopWatchEvent(int vk, bool down);
    void performPage(int page, const steps::Page& step, Schedule& schedule);
    void launchAction(std::function<void()> body);
    void beep();

    int startDelay_ = 0;
    int repeatCount_ = 0;
    QString stopCommandText_;
    std::vector<steps::Page> pages_;
    QString projectName_;
    std::shared_ptr<RunState> state_ = std::make_shared<RunState>();
    platform::StopSignal& stop_ = state_->stop;
    int stopKeyCode_ = 0;
    int stopModifierMask_ = 0;
    // The stop command is followed through a desktop key watch, or polled by stopChecker where there is none.
    std::unique_ptr<CombinationWatch> stopCombination_;
    platform::KeyWatchHandle stopWatch_ = 0;
    std::unique_ptr<std::thread> stopChecker_;
    platform::StopSignal stopCheckerQuit_;
    std::atomic<bool> stopCheckerRunning_{false};
    mutable std::mutex timingsMutex_;
    std::vector<PageTiming> timings_;
    std::unique_ptr<std::thread> runThread_;
    ActionPool actions_;

    HeldInputs& held_ = state_->held;
    std::function<void()> beeper_;
    std::atomic<quint64> actionsStartedCount_{0};
    std::atomic<std::size_t> peakActionThreadCount_{0};
};
