#include "runlauncher.h"

#include "cli/stopchannel.h"
#include "platform/workingset.h"
#include "run/run.h"
#include "runui/runindicators.h"

#include <QThread>

#include <vector>

RunLauncher::RunLauncher(QObject* parent) : QObject(parent) {}

RunLauncher::~RunLauncher()
{
    stop(QDeadlineTimer(10000));
}

void RunLauncher::start(const RunStart& settings)
{
    auto* worker = new QThread(this);
    auto* run = new Run;
    run->configure(settings.startDelay, settings.repeatCount, settings.stopCommand, settings.commands,
                   settings.conditions, settings.projectName);
    RunIndicators::show(run, settings.projectName);
    run->moveToThread(worker);
    connect(worker, &QThread::started, run, &Run::start);
    // The run's record is read on its own thread as it finishes (the run may be deleted before this thread hears of
    // it).
    struct Record {
        std::vector<PageTiming> timings;
        bool stopped = false;
        QString failure;
    };
    auto record = std::make_shared<Record>();
    connect(
        run, &Run::finished, run,
        [run, record] {
            record->timings = run->pageTimings();
            record->stopped = run->isStopRequested();
            record->failure = run->failure();
        },
        Qt::DirectConnection);
    // `orvane --stop` reaches the run for as long as it goes on.
    auto* channel = new cli::StopChannel(this);
    connect(channel, &cli::StopChannel::stopRequested, this, &RunLauncher::requestStop);
    connect(run, &Run::finished, this, [this, record, settings, channel] {
        delete channel;
        Q_EMIT finished(cli::makeReport(settings.projectName, record->timings, settings.commands, settings.conditions,
                                        record->failure, record->stopped));
    });
    connect(run, &Run::finished, worker, &QThread::quit);
    connect(run, &Run::finished, run, &QObject::deleteLater);
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    run_ = run;
    worker_ = worker;
    state_ = run->sharedState();
    // A run may go on for hours with the window hidden: the editor's code need not stay resident meanwhile.
    platform::trimWorkingSet();
    worker->start();
}

void RunLauncher::requestStop()
{
    if (state_)
        state_->requestStop();
}

bool RunLauncher::stop(QDeadlineTimer deadline)
{
    // Only the worker thread object is looked at before the wait: it lives on this thread, while the run may be deleted
    // on its worker at any moment.
    if (!worker_) {
        state_.reset();
        return true;
    }
    if (state_) {
        state_->requestStop();
        while (!state_->ended.load()) {
            if (deadline.hasExpired())
                return abandon();
            QThread::msleep(5);
        }
    }
    worker_->quit();
    if (!worker_->wait(deadline))
        return abandon();
    // The worker has ended, so nothing deletes the run concurrently any more; its event loop may have stopped before
    // the queued deleteLater reached it.
    if (run_)
        delete run_.data();
    worker_.clear();
    state_.reset();
    return true;
}

bool RunLauncher::abandon()
{
    // A thread that still runs must not be destroyed with this object.
    worker_->setParent(nullptr);
    run_.clear();
    worker_.clear();
    state_.reset();
    return false;
}
