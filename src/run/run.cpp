#include "run.h"

#include "run/actions.h"
#include "run/combinationwatch.h"
#include "model/keycombination.h"
#include "run/keystate.h"

#include "platform/inputservices.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <utility>

namespace {

Q_LOGGING_CATEGORY(lcRun, "orvane.run", QtWarningMsg)

using Clock = std::chrono::steady_clock;

// The polling fallback where the desktop cannot be watched: short enough that a normal key press is seen.
constexpr auto pollInterval = std::chrono::milliseconds(10);

QString cannotMove(int x, int y)
{
    return QCoreApplication::translate("run", "マウスポインターを (%1, %2) へ動かせませんでした。").arg(x).arg(y);
}

} // namespace

void RunState::requestStop()
{
    stop.request();
    {
        std::lock_guard lock(mutex_);
        if (wake_)
            wake_->request();
    }
    held.shut();
}

void RunState::fail(const QString& what)
{
    {
        std::lock_guard lock(mutex_);
        if (failure_.isEmpty() && !stop.isRequested())
            failure_ = what;
    }
    requestStop();
}

QString RunState::failure() const
{
    std::lock_guard lock(mutex_);
    return failure_;
}

void RunState::linkWake(platform::StopSignal* signal)
{
    std::lock_guard lock(mutex_);
    wake_ = signal;
    if (signal && stop.isRequested())
        signal->request();
}

Run::Run(QObject* parent) : QObject(parent) {}

Run::~Run()
{
    state_->requestStop();
    // The run thread ends the stop watch itself; it is ended here only after that thread is gone.
    if (runThread_ && runThread_->joinable())
        runThread_->join();
    stopStopChecker();
    actions_.waitIdle();
    // Closing the program during a run ends up here: whatever is still down is let go.
    held_.releaseAll();
}

void Run::configure(int startDelay, int repeatCount, const QString& stopCommand, const model::EntryList& commands,
                    const model::EntryList& conditions, const QString& projectName)
{
    startDelay_ = startDelay;
    repeatCount_ = repeatCount;
    stopCommandText_ = stopCommand;
    pages_ = steps::readPages(commands, conditions);
    projectName_ = projectName;

    stopKeyCode_ = 0;
    stopModifierMask_ = 0;
    // "なし", the empty text and an unreadable main key leave both at 0: no watcher is started.
    keys::KeyCombination combination;
    if (keys::parseKeyCombination(stopCommandText_, &combination)) {
        stopKeyCode_ = combination.key;
        stopModifierMask_ = combination.storedMask;
    }
    startStopChecker();
}

void Run::start()
{
    if (runThread_ && runThread_->joinable())
        return;
    actions_.waitIdle();
    runThread_ = std::make_unique<std::thread>([this] { runLoop(); });
}

void Run::requestStop()
{
    state_->requestStop();
}

bool Run::isStopRequested() const
{
    return stop_.isRequested();
}

bool Run::hasEnded() const
{
    return state_->ended.load();
}

std::vector<PageTiming> Run::pageTimings() const
{
    std::lock_guard lock(timingsMutex_);
    return timings_;
}

void Run::startStopChecker()
{
    if (stopCheckerRunning_.load() || stopKeyCode_ == 0)
        return;
    stopCheckerRunning_.store(true);
    auto& input = platform::services();
    // What the run itself holds is not the user's: a page holding Shift must not hide the user's stop command, and a
    // page sending the stop command must not stop the run.
    stopCombination_ = std::make_unique<CombinationWatch>(stopKeyCode_, stopModifierMask_, &held_);
    stopWatch_ = input.watchKeys([this](int vk, bool down) { onStopWatchEvent(vk, down); });
    if (stopWatch_ != 0) {
        // Seeded after the watch began, so that no modifier change falls between the two.
        stopCombination_->seed([&input](int vk) { return input.isKeyDown(vk); });
        return;
    }
    stopCheckerQuit_.reset();
    stopChecker_ = std::make_unique<std::thread>([this] { pollStopCommand(); });
}

void Run::stopStopChecker()
{
    if (stopWatch_ != 0) {
        platform::services().unwatchKeys(stopWatch_);
        stopWatch_ = 0;
    }
    stopCheckerQuit_.request();
    if (stopChecker_ && stopChecker_->joinable())
        stopChecker_->join();
    stopChecker_.reset();
    stopCheckerRunning_.store(false);
}

void Run::onStopWatchEvent(int vk, bool down)
{
    if (stopCombination_->feed(vk, down) != CombinationWatch::Step::Pressed || stop_.isRequested())
        return;
    // Released here, on the watch's thread, the moment the command is seen: no action thread has to notice first.
    state_->requestStop();
    stopCheckerRunning_.store(false);
    qCDebug(lcRun) << "stop command detected (key watch)";
}

void Run::pollStopCommand()
{
    while (!stopCheckerQuit_.waitFor(pollInterval) && !stop_.isRequested()) {
        if (keys::combinationHeld(stopKeyCode_, stopModifierMask_, &held_)) {
            state_->requestStop();
            qCDebug(lcRun) << "stop command detected (key state)";
            break;
        }
    }
    stopCheckerRunning_.store(false);
}

std::optional<Clock::time_point> Run::waitForKey(const keys::KeyCombination& combination)
{
    if (combination.key == 0)
        return Clock::now();
    auto& input = platform::services();
    const int key = combination.key;

    CombinationWatch watch(key, combination.storedMask, &held_);
    platform::StopSignal met;
    std::atomic<Clock::rep> metAt{0};
    const platform::KeyWatchHandle handle = input.watchKeys([&](int vk, bool down) {
        if (watch.feed(vk, down) == CombinationWatch::Step::Released && metAt.load() == 0) {
            metAt.store(Clock::now().time_since_epoch().count());
            met.request();
        }
    });
    if (handle != 0) {
        // Only presses seen from now on count, so a key still held from the previous page has to be pressed again.
        watch.seed([&input](int vk) { return input.isKeyDown(vk); });
        state_->linkWake(&met);
        // In steps of an hour: a wait on the far end of the clock is not safe with every condition variable.
        while (!met.waitFor(std::chrono::hours(1))) {
        }
        state_->linkWake(nullptr);
        input.unwatchKeys(handle);
        if (metAt.load() == 0)
            return std::nullopt;
        return Clock::time_point(Clock::duration(metAt.load()));
    }

    // No watch on this desktop: the key state is polled, so a tap shorter than the interval can be missed.
    if (input.isKeyDown(key)) {
        while (input.isKeyDown(key)) {
            if (stop_.waitFor(pollInterval))
                return std::nullopt;
        }
    }
    while (!stop_.waitFor(pollInterval)) {
        if (keys::combinationHeld(key, combination.storedMask, &held_)) {
            // Met on the release of the main key.
            while (input.isKeyDown(key)) {
                if (stop_.waitFor(pollInterval))
                    return std::nullopt;
            }
            return Clock::now();
        }
    }
    return std::nullopt;
}

void Run::runLoop()
{
    // The stop signal is deliberately not cleared here: a stop that came before the run began must end it.
    Schedule schedule(Schedule::offset(Clock::now(), static_cast<double>(startDelay_)));
    stop_.waitUntil(schedule.nextStart());
    if (!stop_.isRequested())
        beep();

    int repetition = 0;
    for (int r = 0; r < repeatCount_ && !stop_.isRequested(); ++r, ++repetition) {
        if (repeatCount_ == EndlessRunNumber)
            --r;
        for (std::size_t p = 0; p < pages_.size(); ++p) {
            if (stop_.waitUntil(schedule.nextStart()))
                break;
            const auto now = Clock::now();
            const PageTiming timing{repetition, static_cast<int>(p), schedule.begin(now, pages_[p].ownSeconds), now};
            {
                std::lock_guard lock(timingsMutex_);
                if (timings_.size() < maxPageTimings)
                    timings_.push_back(timing);
            }
            performPage(static_cast<int>(p), pages_[p], schedule);
        }
    }
    // The last page's own time condition, then whatever its actions still do: the stop command is followed until both
    // are over (a click held for a minute on the last page can still be stopped).
    stop_.waitUntil(schedule.nextStart());
    actions_.waitIdle();
    stopStopChecker();
    held_.releaseAll();
    // The pause after a complete run; a program that closes meanwhile cuts it short.
    if (!stop_.isRequested())
        stop_.waitFor(std::chrono::seconds(1));
    beep();
    Q_EMIT ending();
    state_->ended.store(true);
    Q_EMIT finished();
}

void Run::performPage(int page, const steps::Page& step, Schedule& schedule)
{
    const QString where = QCoreApplication::translate("run", "%1 ページ目: ").arg(page + 1);
    RunState* shared = state_.get();

    if (const auto* click = std::get_if<steps::Click>(&step.operation)) {
        const bool left = click->left;
        const double seconds = click->seconds;
        const QString what = where + (left ? QCoreApplication::translate("run", "左クリックを送れませんでした。")
                                           : QCoreApplication::translate("run", "右クリックを送れませんでした。"));
        launchAction([shared, left, seconds, what] {
            const bool ok = left ? actions::clickLeft(shared->stop, seconds, &shared->held)
                                 : actions::clickRight(shared->stop, seconds, &shared->held);
            if (!ok)
                shared->fail(what);
        });
    } else if (const auto* move = std::get_if<steps::MovePointer>(&step.operation)) {
        QString refused;
        if (!actions::movePointer(move->x, move->y, &refused))
            shared->fail(refused.isEmpty() ? where + cannotMove(move->x, move->y) : where + refused);
    } else if (const auto* smooth = std::get_if<steps::SmoothMove>(&step.operation)) {
        const steps::SmoothMove target = *smooth;
        const QString what = where + cannotMove(target.x, target.y);
        launchAction([shared, target, what, where] {
            QString refused;
            if (!actions::smoothMove(shared->stop, target.x, target.y, target.seconds, &refused))
                shared->fail(refused.isEmpty() ? what : where + refused);
        });
    } else if (const auto* key = std::get_if<steps::PressKey>(&step.operation)) {
        const keys::KeyPress press = key->press;
        const QString what =
            where + QCoreApplication::translate("run", "キー「%1」を送れませんでした。").arg(key->label);
        launchAction([shared, press, what] {
            if (!actions::pressKey(shared->stop, press, &shared->held))
                shared->fail(what);
        });
    } else if (const auto* input = std::get_if<steps::TypeText>(&step.operation)) {
        const QString text = input->text;
        const double seconds = input->seconds;
        launchAction([shared, text, seconds, where] {
            const qsizetype typed = actions::typeText(shared->stop, text, seconds);
            if (seconds > 0 && typed < text.size() && !shared->stop.isRequested())
                // Where the text broke off, never the text itself: a page may type a password, and the failure is
                // printed and stored with the run's report.
                shared->fail(where + QCoreApplication::translate(
                                         "run", "入力の %1 文字目から先（全 %2 文字）を送れませんでした。")
                                         .arg(typed + 1)
                                         .arg(text.size()));
        });
    }

    if (const auto* wait = std::get_if<steps::WaitKey>(&step.condition)) {
        if (const auto met = waitForKey(wait->combination))
            schedule.reanchor(*met);
    } else if (const auto* time = std::get_if<steps::WaitTime>(&step.condition)) {
        schedule.after(time->seconds);
    }
}

void Run::launchAction(std::function<void()> body)
{
    // Actions of successive pages may overlap; the pool keeps as many threads as ever overlapped, not one per action.
    actions_.run(std::move(body));
    actionsStartedCount_.fetch_add(1);
    const std::size_t threads = actions_.threadCount();
    if (threads > peakActionThreadCount_.load())
        peakActionThreadCount_.store(threads);
}

void Run::beep()
{
    if (beeper_)
        beeper_();
    else
        Q_EMIT requestBeep();
}
