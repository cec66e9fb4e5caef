#include "run.h"

#include "run/actions.h"
#include "run/keycombination.h"
#include "run/keystate.h"
#include "run/runicons.h"
#include "run/runstart.h"
#include "run/stopwindow.h"

#include "platform/inputservices.h"

#include <QApplication>
#include <QDebug>
#include <QPointer>
#include <QThread>

namespace {

// Hides a GUI object and deletes it on its own thread: at once when called there, otherwise through that thread's
// event loop (queued before anything the caller emits afterwards, so it is gone before a later signal arrives).
template <class T> void disposeOnOwnThread(T* object)
{
    if (!object)
        return;
    if (object->thread() == QThread::currentThread()) {
        object->hide();
        delete object;
        return;
    }
    QPointer<T> guarded(object);
    QObject* context = QCoreApplication::instance();
    if (!context) {
        return;
    }
    QMetaObject::invokeMethod(
        context,
        [guarded] {
            if (guarded) {
                guarded->hide();
                delete guarded.data();
            }
        },
        Qt::QueuedConnection);
}

} // namespace

Run::Run(QObject* parent) : QObject(parent), beeper([] { QApplication::beep(); }) {}

Run::~Run()
{
    stopStopChecker();
    stopRequested.store(true);
    if (runThread && runThread->joinable())
        runThread->join();
    joinAllActions();
    // Closing the program during a run ends up here: whatever is still down is let go.
    held.releaseAll();
    removeIndicators();
}

void Run::configure(int startDelay_, int repeatCount_, const QString& stopCommand, const model::EntryList& commands_,
                    const model::EntryList& conditions_, const QString& projectName_)
{
    startDelay = startDelay_;
    repeatCount = repeatCount_;
    stopCommandText = stopCommand;
    commands = commands_;
    conditions = conditions_;
    projectName = projectName_;

    stopKeyCode = 0;
    stopModifierMask = 0;
    // "なし", the empty text and an unreadable main key leave both at 0: no watcher is started.
    keys::KeyCombination combination;
    if (keys::parseKeyCombination(stopCommandText, &combination)) {
        stopKeyCode = combination.key;
        stopModifierMask = combination.storedMask;
    }
    startStopChecker();
    showIndicators();
}

void Run::start()
{
    if (runThread && runThread->joinable())
        return;
    joinAllActions();
    runThread = std::make_unique<std::thread>([this] { runLoop(); });
}

void Run::requestStop()
{
    stopRequested.store(true);
}

bool Run::isStopRequested() const
{
    return stopRequested.load();
}

bool Run::hasEnded() const
{
    return state->ended.load();
}

void Run::handleTrayActivation(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::Trigger)
        requestStop();
}

void Run::startStopChecker()
{
    if (stopChecker && stopChecker->joinable())
        return;
    if (stopKeyCode == 0)
        return;
    stopCheckerRunning.store(true);
    stopChecker = std::make_unique<std::thread>([this] { watchStopCommand(); });
}

void Run::stopStopChecker()
{
    stopCheckerRunning.store(false);
    if (stopChecker && stopChecker->joinable())
        stopChecker->join();
    stopChecker.reset();
}

void Run::watchStopCommand()
{
    auto& input = platform::services();
    while (stopCheckerRunning.load()) {
        const int key = stopKeyCode;
        const int mask = stopModifierMask;
        if (key != 0 && keys::combinationHeld(key, mask)) {
            stopRequested.store(true);
            qDebug() << "[Run] stop command detected: vk=" << key << " mask=" << mask;
            stopCheckerRunning.store(false);
            return;
        }
        input.sleepMs(50);
    }
    stopCheckerRunning.store(false);
}

void Run::waitForKey(const QString& text)
{
    if (keys::isNoCombination(text))
        return;
    keys::KeyCombination combination;
    if (!keys::parseKeyCombination(text, &combination) || combination.key == 0)
        return;
    auto& input = platform::services();
    const int key = combination.key;
    // A key still held from the previous page does not count: it has to be released and pressed again.
    if (input.isKeyDown(key)) {
        while (input.isKeyDown(key)) {
            if (stopRequested.load())
                return;
            input.sleepMs(20);
        }
        input.sleepMs(20);
    }
    while (!stopRequested.load()) {
        if (keys::combinationHeld(key, combination.storedMask)) {
            // Met on the release of the main key.
            while (input.isKeyDown(key)) {
                if (stopRequested.load())
                    return;
                input.sleepMs(10);
            }
            return;
        }
        input.sleepMs(30);
    }
}

void Run::runLoop()
{
    // The stop flag is deliberately not cleared here: a stop that came before the run began must end it.
    if (startDelay > 0)
        actions::waitSeconds(stopRequested, static_cast<double>(startDelay));
    if (!stopRequested.load())
        beep();

    for (int r = 0; r < repeatCount; ++r) {
        if (stopRequested.load())
            break;
        if (repeatCount == EndlessRunNumber)
            --r;
        for (qsizetype p = 0; p < commands.size(); ++p) {
            if (stopRequested.load())
                break;
            performPage(commands.at(p), conditions.value(p));
        }
    }

    joinAllActions();
    held.releaseAll();
    // The pause after a complete run; a program that closes meanwhile cuts it short.
    if (!stopRequested.load())
        actions::waitSeconds(stopRequested, 1.0);
    beep();
    removeIndicators();
    state->ended.store(true);
    Q_EMIT finished();
}

void Run::performPage(const model::Entry& command, const model::Entry& condition)
{
    // value() rather than at(): an entry shorter than its kind reads its missing elements as empty text, which reads
    // as 0 or as "no key" like any other unreadable value.
    const QString operation = command.value(0);
    const QString wait = condition.value(0);

    if (operation == model::kind::Click) {
        const bool left = command.value(1) == model::LeftButton;
        const double hold = command.value(2).toDouble();
        launchAction([this, left, hold] {
            if (left)
                actions::clickLeft(stopRequested, hold, &held);
            else
                actions::clickRight(stopRequested, hold, &held);
        });
    } else if (operation == model::kind::Pointer) {
        actions::movePointer(command.value(1).toInt(nullptr, 10), command.value(2).toInt(nullptr, 10));
    } else if (operation == model::kind::SmoothMove) {
        const int x = command.value(1).toInt(nullptr, 10);
        const int y = command.value(2).toInt(nullptr, 10);
        const double seconds = command.value(3).toDouble();
        launchAction([this, x, y, seconds] { actions::smoothMove(stopRequested, x, y, seconds); });
    } else if (operation == model::kind::Key) {
        const double hold = static_cast<double>(command.value(2).toFloat());
        const QString text = QStringLiteral("%1,%2").arg(command.value(1)).arg(hold, 0, 'g', -1);
        launchAction([this, text] { actions::pressKey(stopRequested, text, &held); });
    } else if (operation == model::kind::Input) {
        const QString text = command.value(1);
        const double seconds = command.value(2).toDouble();
        launchAction([this, text, seconds] { actions::typeText(stopRequested, text, seconds); });
    }

    if (wait == model::kind::Time)
        actions::waitSeconds(stopRequested, condition.value(1).toDouble());
    else if (wait == model::kind::KeyCondition)
        waitForKey(condition.value(1));
}

void Run::launchAction(std::function<void()> body)
{
    // Actions of successive pages may overlap, but those that have ended are joined now rather than at the end of the
    // run, so that an endless run does not pile up threads.
    joinFinishedActions();
    auto done = std::make_shared<std::atomic<bool>>(false);
    actionThreads.push_back(ActionThread{std::thread([body = std::move(body), done] {
                                             body();
                                             done->store(true);
                                         }),
                                         done});
    actionsStartedCount.fetch_add(1);
    if (actionThreads.size() > peakActionThreadCount.load())
        peakActionThreadCount.store(actionThreads.size());
}

void Run::joinFinishedActions()
{
    for (auto it = actionThreads.begin(); it != actionThreads.end();) {
        if (it->done->load()) {
            if (it->thread.joinable())
                it->thread.join();
            it = actionThreads.erase(it);
        } else {
            ++it;
        }
    }
}

void Run::joinAllActions()
{
    for (auto& action : actionThreads) {
        if (action.thread.joinable())
            action.thread.join();
    }
    actionThreads.clear();
}

void Run::showIndicators()
{
    const QString toolTip = stopToolTip(projectName);
    // Owned by the application as well: a deletion still queued when the program quits would otherwise leak it.
    trayIcon = new QSystemTrayIcon(QCoreApplication::instance());
    trayIcon->setIcon(runicons::trayIcon());
    trayIcon->setToolTip(toolTip);
    trayIcon->setVisible(true);
    connect(trayIcon, &QSystemTrayIcon::activated, this, &Run::handleTrayActivation);

    // Without a tray the icon above cannot be seen or clicked; a run without a stop command could not be ended.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        stopWindow = new StopWindow(toolTip);
        stopWindow->placeInCorner();
        connect(stopWindow, &StopWindow::clicked, this, &Run::requestStop);
        stopWindow->show();
    }
}

void Run::removeIndicators()
{
    disposeOnOwnThread(trayIcon);
    trayIcon = nullptr;
    disposeOnOwnThread(stopWindow);
    stopWindow = nullptr;
}

void Run::beep()
{
    if (beeper)
        beeper();
}
