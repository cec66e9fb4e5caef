// The run engine on the real X11 backend against a private X server: an endless run of pointer, click, key, text and
// smooth-move pages is stopped by its stop command pressed on the "physical" keyboard (XTest from a connection of its
// own), ends quickly and leaves no key or button down; a key condition waits for a real press and release.

#include "platform/inputservices.h"
#include "run/run.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <QThread>

#include <memory>

#include "xtestclient.h"

using e2e::Sink;
using e2e::XTestClient;

namespace {

model::Entry entry(std::initializer_list<const char*> parts)
{
    model::Entry result;
    for (const char* part : parts)
        result.append(QString::fromUtf8(part));
    return result;
}

// A run started the way the main window starts one: configured here, moved to a worker thread, started from there.
class StartedRun {
public:
    StartedRun(int repeatCount, const QString& stopCommand, const model::EntryList& commands,
               const model::EntryList& conditions)
    {
        run_ = new Run;
        run_->setBeeper([] {});
        run_->configure(0, repeatCount, stopCommand, commands, conditions, QStringLiteral("e2e"));
        state_ = run_->sharedState();
        worker_ = new QThread;
        run_->moveToThread(worker_);
        QObject::connect(worker_, &QThread::started, run_, &Run::start);
        // Direct: the test thread may be blocked in wait() when the run ends.
        QObject::connect(run_, &Run::finished, worker_, &QThread::quit, Qt::DirectConnection);
        QObject::connect(run_, &Run::finished, run_, &QObject::deleteLater);
        worker_->start();
    }
    ~StartedRun()
    {
        if (!state_->ended.load())
            state_->requestStop();
        // The run deletes itself on its worker thread once it has finished.
        worker_->wait(10000);
        // The quit above is direct, so the worker can end before it takes the run's deferred deletion.
        if (worker_->isFinished())
            delete run_.data();
        delete worker_;
    }
    StartedRun(const StartedRun&) = delete;
    StartedRun& operator=(const StartedRun&) = delete;

    bool hasEnded() const { return state_->ended.load(); }
    void stop() { state_->requestStop(); }
    // Action threads started so far; only while the run object exists.
    quint64 actionsStarted() const { return run_ ? run_->actionsStarted() : 0; }

private:
    QPointer<Run> run_;
    std::shared_ptr<RunState> state_;
    QThread* worker_ = nullptr;
};

// Waits up to timeoutMs for the run to end, keeping the event loop going (the run removes its tray icon through it).
bool waitEnded(const StartedRun& run, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!run.hasEnded()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QTest::qWait(10);
    }
    return true;
}

QByteArray describe(const QList<int>& keycodes)
{
    QByteArray text;
    for (int kc : keycodes)
        text += QByteArray::number(kc) + ' ';
    return text;
}

} // namespace

class tst_E2eRun : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void endlessRunStopsOnStopCommand_data();
    void endlessRunStopsOnStopCommand();
    void keyConditionWaitsForRealKey_data();
    void keyConditionWaitsForRealKey();

private:
    XTestClient user;
};

void tst_E2eRun::initTestCase()
{
    QVERIFY2(user.isOpen(), "no X display");
    platform::setServices(platform::createDefaultServices());
    QCOMPARE(QString::fromStdString(platform::services().backendName()), QStringLiteral("x11"));
    QVERIFY(platform::services().isAvailable());
    QVERIFY2(user.keysDown().isEmpty(), describe(user.keysDown()).constData());
}

void tst_E2eRun::endlessRunStopsOnStopCommand_data()
{
    QTest::addColumn<QString>("stopCommand");
    QTest::addColumn<QString>("press");
    QTest::addColumn<QString>("release");

    QTest::newRow("Ctrl+Alt+S") << "83,3" << "+Control_L +Alt_L +s" << "-s -Alt_L -Control_L";
    QTest::newRow("F12") << "123,0" << "+F12" << "-F12";
    QTest::newRow("Ctrl+Shift+Q, right-hand modifiers") << "81,6" << "+Control_R +Shift_R +q"
                                                         << "-q -Shift_R -Control_R";
}

void tst_E2eRun::endlessRunStopsOnStopCommand()
{
    QFETCH(QString, stopCommand);
    QFETCH(QString, press);
    QFETCH(QString, release);

    const QRect area(200, 150, 500, 400);
    Sink sink(QStringLiteral(ORVANE_X11_SINK), QStringLiteral("events"), area);
    QVERIFY(sink.waitReady());

    // Long holds that overlap the next pages, so that the stop finds keys and buttons down.
    const model::EntryList commands = {
        entry({"マウスポインター", "450", "350"}),
        entry({"クリック", "左", "0.4"}),
        entry({"キー", "66,0", "0.4"}),
        entry({"入力", "xyz", "0.2"}),
        entry({"スムーズムーブ", "300", "250", "0.3"}),
        entry({"クリック", "右", "0.3"}),
    };
    const model::EntryList conditions = {
        entry({"即時"}),         entry({"時間", "0.05"}), entry({"時間", "0.05"}),
        entry({"時間", "0.25"}), entry({"時間", "0.05"}), entry({"時間", "0.1"}),
    };
    StartedRun run(EndlessRunNumber, stopCommand, commands, conditions);

    // Several passes over the pages: the run repeats by itself.
    QTRY_VERIFY_WITH_TIMEOUT(run.actionsStarted() >= 12, 10000);
    QVERIFY(!run.hasEnded());

    // Stop while the run holds the left button and the B key, so that the end of the run has to let go of them.
    QElapsedTimer waiting;
    waiting.start();
    while (!((user.buttonsDown() & Button1Mask) && user.isKeyDown(QStringLiteral("b"))) && waiting.elapsed() < 5000)
        QThread::msleep(2);
    QElapsedTimer sinceStop;
    QVERIFY(user.play(press, 20));
    sinceStop.start();
    QThread::msleep(150);
    QVERIFY(user.play(release, 20));
    QVERIFY2(waitEnded(run, 3000), "the run did not end within 3 s of the stop command");
    QVERIFY2(sinceStop.elapsed() < 3000, QByteArray::number(sinceStop.elapsed()).constData());

    // Nothing the run pressed is still down on the server, seen from a connection of our own.
    QVERIFY2(user.keysDown().isEmpty(), ("keycodes still down: " + describe(user.keysDown())).constData());
    QCOMPARE(user.buttonsDown(), 0u);

    // The other program saw the run's input, and every press it saw was released again.
    const QList<QByteArray> events = sink.drain(300);
    int keyDowns = 0, keyUps = 0, presses = 0, releases = 0;
    bool sawB = false, sawTyping = false, sawLeft = false, sawRight = false;
    for (const QByteArray& line : events) {
        const QList<QByteArray> f = line.split(' ');
        if (f.value(0) == "KEYDOWN") {
            // Autorepeat of a held key shows as further downs without ups: count keys, not events.
            sawB = sawB || f.value(2) == QByteArray("b").toHex();
            sawTyping = sawTyping || f.value(2) == QByteArray("x").toHex();
            ++keyDowns;
        } else if (f.value(0) == "KEYUP") {
            ++keyUps;
        } else if (f.value(0) == "PRESS") {
            ++presses;
            sawLeft = sawLeft || f.value(1) == "1";
            sawRight = sawRight || f.value(1) == "2";
        } else if (f.value(0) == "RELEASE") {
            ++releases;
        }
    }
    QVERIFY2(sawB && sawTyping, "the sink did not receive the run's keys");
    QVERIFY2(sawLeft && sawRight, "the sink did not receive the run's clicks");
    QVERIFY(keyDowns > 0 && keyUps > 0);
    QCOMPARE(releases, presses);
}

void tst_E2eRun::keyConditionWaitsForRealKey_data()
{
    QTest::addColumn<QString>("condition");
    QTest::addColumn<QString>("before");  // keys pressed before the run starts
    QTest::addColumn<QString>("pending"); // after these the run must still be waiting
    QTest::addColumn<QString>("finally");
    QTest::addColumn<bool>("met");

    QTest::newRow("Enter: met on the release") << "13,0" << "" << "+Return" << "-Return" << true;
    QTest::newRow("Ctrl+A") << "65,2" << "" << "+Control_L +a" << "-a -Control_L" << true;
    QTest::newRow("Ctrl+A with the right Ctrl") << "65,2" << "" << "+Control_R +a" << "-a -Control_R" << true;
    QTest::newRow("Ctrl+A needs Ctrl") << "65,2" << "" << "+a" << "-a" << false;
    QTest::newRow("Ctrl+A but Shift held too") << "65,2" << "" << "+Control_L +Shift_L +a"
                                               << "-a -Shift_L -Control_L" << false;
    QTest::newRow("Enter held from before must be pressed again")
        << "13,0" << "+Return" << "-Return +Return" << "-Return" << true;
    QTest::newRow("F5 is not Enter") << "13,0" << "" << "+F5" << "-F5" << false;
}

void tst_E2eRun::keyConditionWaitsForRealKey()
{
    QFETCH(QString, condition);
    QFETCH(QString, before);
    QFETCH(QString, pending);
    QFETCH(QString, finally);
    QFETCH(bool, met);

    QVERIFY(user.play(before, 50));
    StartedRun run(1, QStringLiteral("なし"), {entry({"なし"})}, {entry({"キー"}) << condition});

    QTest::qWait(300);
    QVERIFY2(!run.hasEnded(), "the condition passed without any key");
    QVERIFY(user.play(pending, 120));
    QTest::qWait(300);
    QVERIFY2(!run.hasEnded(), "the condition passed before the key was released");
    QVERIFY(user.play(finally, 120));

    if (met) {
        // The end sequence adds its one-second pause.
        QVERIFY2(waitEnded(run, 4000), "the condition was not met");
    } else {
        QTest::qWait(1500);
        QVERIFY2(!run.hasEnded(), "the condition passed on the wrong keys");
        run.stop();
        QVERIFY(waitEnded(run, 3000));
    }
    QVERIFY2(user.keysDown().isEmpty(), describe(user.keysDown()).constData());
}

QTEST_MAIN(tst_E2eRun)
#include "tst_e2e_run.moc"
