#pragma once

// The one run start, for the editor and for `orvane --run`: the run on a worker thread of its own, its tray icon (or
// stop window) and stop command, and its report once it has ended. The callers choose the settings before and keep
// or print the report after; nothing else of a run differs between them.

#include "cli/runreport.h"
#include "model/pagemodel.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class QThread;
class Run;
struct RunState;

// What a run replays and how: the run settings and copies of the project's pages.
struct RunStart {
    int startDelay = 0;
    int repeatCount = 1;
    QString stopCommand;
    model::EntryList commands;
    model::EntryList conditions;
    QString projectName;
};

class RunLauncher final : public QObject {
    Q_OBJECT

public:
    explicit RunLauncher(QObject* parent = nullptr);
    // Stops a run still in progress and waits up to 10 s for it.
    ~RunLauncher() override;

    // Configures a run (its stop command is followed from here on), shows its indicators and starts it on a new
    // worker thread. GUI thread.
    void start(const RunStart& settings);
    // Asks the run in progress, if any, to end; finished() follows. GUI thread.
    void requestStop();
    // Stops a run that may still be in progress and waits until its threads have let go of every key and button and
    // its worker thread has ended. The run is reached only through its shared state until then, because the worker
    // may be deleting it meanwhile. Returns false when the run did not end by the deadline: it is then left to the
    // process's end rather than destroyed while its thread runs. Also after finished(), to wait for the worker.
    bool stop(QDeadlineTimer deadline);

Q_SIGNALS:
    // The run has ended (the desktop is let go of and the indicators are gone): its report, made from what the run
    // recorded as it ended. GUI thread, once per start().
    void finished(const cli::RunReport& report);

private:
    bool abandon();

    QPointer<Run> run_;
    QPointer<QThread> worker_;
    std::shared_ptr<RunState> state_;
};
