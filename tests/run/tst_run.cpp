#include "fakeinput.h"
#include "run/combinationwatch.h"
#include "platform/workingset.h"
#include "run/run.h"
#include "runui/runicons.h"
#include "runui/runindicators.h"
#include "runui/runstart.h"
#include "runui/stopwindow.h"

#include <QtTest>

#include <QLabel>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <chrono>
#include <memory>

using Clock = std::chrono::steady_clock;
using model::EntryList;

namespace {

const int allKeys[] = {13, 16, 17, 18, 65, 66, 91, 92, 160, 161, 162, 163, 164, 165};

// A run as the run start sets it up, kept on the test's thread so that a test can watch every step.
struct Harness {
    // Receives finished(); destroyed after the run, which takes any still queued notification with it.
    QObject receiver;
    std::atomic<int> beeps{0};
    int finishedCount = 0;
    std::unique_ptr<Run> run = std::make_unique<Run>();
    QPointer<RunIndicators> indicators;

    Harness(int delay, int repeat, const QString& stopCommand, const EntryList& commands, const EntryList& conditions,
            const QString& name = QStringLiteral("demo"))
    {
        run->setBeeper([this] { beeps.fetch_add(1); });
        QObject::connect(run.get(), &Run::finished, &receiver, [this] { ++finishedCount; });
        run->configure(delay, repeat, stopCommand, commands, conditions, name);
        indicators = RunIndicators::show(run.get(), name);
    }
};

EntryList pointerPages(int count)
{
    EntryList pages;
    for (int i = 1; i <= count; ++i)
        pages << QStringList{model::kind::Pointer, QString::number(i), QStringLiteral("0")};
    return pages;
}

const QStringList immediate{model::kind::Immediate};

QStringList timePage(double seconds)
{
    return {model::kind::Time, QString::number(seconds)};
}

// Presses the keys in order and releases them in reverse, holding the last one for holdMs (0: a tap, as fast as the
// calls go). Through the desktop key watch, and seen by polling the key state too.
void tapKeys(platform::FakeServices& fake, const QList<int>& keys, int holdMs = 0)
{
    for (int vk : keys)
        fake.injectDesktopKey(vk, true);
    if (holdMs > 0)
        QTest::qWait(holdMs);
    for (auto it = keys.crbegin(); it != keys.crend(); ++it)
        fake.injectDesktopKey(*it, false);
}

// The resident part of the read-only file mappings (code and constant data of the program and its libraries), read
// with the C library alone so that reading it brings back little.
long residentReadOnlyFileKb()
{
    long total = 0;
    bool counted = false;
    std::FILE* smaps = std::fopen("/proc/self/smaps", "r");
    char line[512];
    while (smaps && std::fgets(line, sizeof line, smaps)) {
        char perms[5] = {};
        char path[2] = {};
        const int fields = std::sscanf(line, "%*x-%*x %4s %*s %*s %*s %1s", perms, path);
        if (fields >= 1)
            counted = fields == 2 && perms[1] == '-' && path[0] == '/';
        else if (counted && std::strncmp(line, "Rss:", 4) == 0)
            total += std::atol(line + 4);
    }
    if (smaps)
        std::fclose(smaps);
    return total;
}

} // namespace

class TestRun : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        testsupport::fake();
    }
    void init()
    {
        auto& fake = testsupport::fake();
        for (int key : allKeys)
            fake.setKeyDown(key, false);
        fake.clearEvents();
        fake.setPointer(0, 0);
        fake.setFailSynthesis(-1);
        fake.setWatchUnsupported(false);
    }

    // Every page in order for each repetition, between the start beep and the end beep; no page for a count of 0 or
    // for a stop that came before the start; an action that outlasts its page goes on beside the next; the last page's
    // time is waited for; a page that sends the stop command does not stop the run.
    void pagesRunInOrderForEachRepetition_data()
    {
        QTest::addColumn<int>("repeat");
        QTest::addColumn<EntryList>("commands");
        QTest::addColumn<EntryList>("conditions");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<bool>("stopFirst"); // a click on the tray icon before the run thread began
        QTest::addColumn<bool>("trimFirst");  // start-up's code let go of, as a run start does
        const EntryList pointers = pointerPages(3);
        const EntryList immediates(3, immediate);
        const QStringList twice{"P1,0", "P2,0", "P3,0", "P1,0", "P2,0", "P3,0"};
        QTest::newRow("twice") << 2 << pointers << immediates << twice << false << false;
        QTest::newRow("twice, start-up's code let go") << 2 << pointers << immediates << twice << false << true;
        QTest::newRow("zero") << 0 << pointers << immediates << QStringList{} << false << false;
        QTest::newRow("stopped before it began") << 3 << pointers << immediates << QStringList{} << true << false;
        QTest::newRow("click held past its page")
            << 1 << EntryList{{model::kind::Click, model::LeftButton, QStringLiteral("1")}, pointers.at(0)}
            << EntryList{timePage(0.1), immediate} << QStringList{"L+", "P1,0", "L-"} << false << false;
        QTest::newRow("last page's time")
            << 1 << pointerPages(1) << EntryList{timePage(0.5)} << QStringList{"P1,0"} << false << false;
        QTest::newRow("sends the stop command")
            << 1 << EntryList{{model::kind::Key, "83,3", "0.01"}} << EntryList{immediate}
            << QStringList{"K17+", "K18+", "K83+", "K83-", "K18-", "K17-"} << false << false;
    }
    void pagesRunInOrderForEachRepetition()
    {
        QFETCH(int, repeat);
        QFETCH(EntryList, commands);
        QFETCH(EntryList, conditions);
        QFETCH(bool, stopFirst);
        QFETCH(bool, trimFirst);
        if (trimFirst) {
            // Libraries' code and constants leave the process; everything it relocated or wrote stays, or the run
            // below would crash.
            const long before = residentReadOnlyFileKb();
            QVERIFY(platform::trimWorkingSet().done);
#ifdef __linux__
            const long after = residentReadOnlyFileKb();
            QVERIFY2(after < before / 2, qPrintable(QStringLiteral("%1 kB before, %2 kB after").arg(before).arg(after)));
#endif
        }
        Harness h(0, repeat, QStringLiteral("83,3"), commands, conditions);
        if (stopFirst)
            h.run->requestStop();
        const auto started = Clock::now();
        h.run->start();
        QTRY_COMPARE_WITH_TIMEOUT(h.finishedCount, 1, 10000);
        QTEST(recorded(testsupport::fake()), "expected");
        QCOMPARE(h.beeps.load(), stopFirst ? 1 : 2); // no start beep for a run that never began
        QVERIFY(h.run->hasEnded());
        QVERIFY(h.run->failure().isEmpty());
        QCOMPARE(h.run->isStopRequested(), stopFirst);
        double waits = 1; // the pause of a complete run, after every page's time
        for (const QStringList& condition : conditions)
            waits += repeat * (condition == immediate ? 0 : condition.at(1).toDouble());
        if (repeat > 0 && !stopFirst)
            QVERIFY(std::chrono::duration<double>(Clock::now() - started).count() >= waits - 0.05);
    }

    // Every page starts no earlier than it is due, and each is due its time after the previous one was due.
    void scheduleNeverStartsPagesEarly_data()
    {
        QTest::addColumn<QList<double>>("times");
        QTest::addColumn<int>("repeat");
        QTest::newRow("20 ms pages") << QList<double>{0.02} << 15;
        QTest::newRow("mixed") << QList<double>{0, 0.005, 0.03, 0, 0.011} << 3;
    }
    void scheduleNeverStartsPagesEarly()
    {
        QFETCH(QList<double>, times);
        QFETCH(int, repeat);
        auto& fake = testsupport::fake();
        EntryList conditions;
        for (double t : times)
            conditions << timePage(t);
        Harness h(0, repeat, QStringLiteral("なし"), pointerPages(times.size()), conditions);
        h.run->start();
        QTRY_COMPARE_WITH_TIMEOUT(h.finishedCount, 1, 20000);
        const auto timings = h.run->pageTimings();
        const auto events = fake.events();
        QCOMPARE(timings.size(), std::size_t(times.size() * repeat));
        QCOMPARE(events.size(), timings.size());
        for (std::size_t i = 0; i < timings.size(); ++i) {
            const PageTiming& page = timings[i];
            QCOMPARE(page.page, int(i % times.size()));
            QCOMPARE(page.repetition, int(i / times.size()));
            QVERIFY(page.actual >= page.planned);
            QVERIFY(events[i].at >= page.planned);
            // Generous: only a run that lost its schedule is this late.
            QVERIFY(page.actual - page.planned < std::chrono::milliseconds(500));
            if (i > 0)
                QCOMPARE(page.planned, Schedule::offset(timings[i - 1].planned, times[(i - 1) % times.size()]));
        }
    }

    // A stop command ends every kind of action at once, tapped ever so briefly: what the actions hold is released
    // before the tap's last event has returned, nothing is pressed afterwards and the run ends. Where the desktop
    // cannot be watched, the key state is polled.
    void stopCommandEndsEveryAction_data()
    {
        QTest::addColumn<QString>("stopCommand");
        QTest::addColumn<QList<int>>("keys"); // tapped; negative: down since before the run began
        QTest::addColumn<bool>("watched");
        QTest::addColumn<EntryList>("commands");
        const QStringList keyHold{model::kind::Key, QStringLiteral("66,4"), QStringLiteral("100")};
        const QStringList clickHold{model::kind::Click, model::LeftButton, QStringLiteral("100")};
        const QStringList smooth{model::kind::SmoothMove, QStringLiteral("100000"), QStringLiteral("0"),
                                 QStringLiteral("100")};
        const QStringList typing{model::kind::Input, QString(5000, QLatin1Char('x')), QStringLiteral("100")};
        // Every kind at once: a kind whose action outlives the stop leaves something held or keeps sending.
        QTest::newRow("typing, Ctrl+A") << "65,2" << QList<int>{162, 65} << true << EntryList{typing};
        QTest::newRow("all at once, left Ctrl alone")
            << "162,0" << QList<int>{162} << true << EntryList{keyHold, clickHold, smooth, typing};
        QTest::newRow("polled") << "65,2" << QList<int>{162, 65} << false << EntryList{clickHold};
        // What a page holds is the run's, not the user's.
        QTest::newRow("Ctrl+Alt+S while a page holds Shift")
            << "83,3" << QList<int>{162, 164, 83} << true << EntryList{keyHold};
        QTest::newRow("polled, while a page holds Shift")
            << "65,2" << QList<int>{162, 65} << false << EntryList{keyHold};
        // Ctrl still held from the shortcut that started the run, as a backend that tells the sides apart reports it.
        QTest::newRow("Alt+S with Ctrl held since the start")
            << "83,3" << QList<int>{-17, -162, 164, 83} << true << EntryList{clickHold};
    }
    void stopCommandEndsEveryAction()
    {
        QFETCH(QString, stopCommand);
        QFETCH(QList<int>, keys);
        QFETCH(bool, watched);
        QFETCH(EntryList, commands);
        auto& fake = testsupport::fake();
        fake.setWatchUnsupported(!watched);
        for (int vk : keys) {
            if (vk < 0)
                fake.setKeyDown(-vk, true);
        }
        keys.removeIf([](int vk) { return vk < 0; });
        QVERIFY(!Harness(0, 1, QStringLiteral("なし"), {}, {}).run->isStopCheckerRunning());
        EntryList conditions(commands.size(), immediate);
        conditions.last() = timePage(100);
        Harness h(0, EndlessRunNumber, stopCommand, commands, conditions);
        QVERIFY(h.run->isStopCheckerRunning());
        h.run->start();
        QTRY_VERIFY_WITH_TIMEOUT(!fake.events().empty(), 10000);
        QTest::qWait(50);
        QCOMPARE(h.finishedCount, 0);
        tapKeys(fake, keys, watched ? 0 : 100);
        if (watched)
            QVERIFY(fake.heldBySynthesis().empty());
        const auto afterStop = fake.events().size();
        QTRY_COMPARE_WITH_TIMEOUT(h.finishedCount, 1, 10000);
        QVERIFY(!h.run->isStopCheckerRunning());
        QVERIFY(fake.heldBySynthesis().empty());
        // At most a typed unit and a pointer step that were on their way when the stop came.
        QVERIFY(fake.events().size() <= afterStop + 3);
        QCOMPARE(h.beeps.load(), 2);
        QVERIFY(h.run->failure().isEmpty());
    }

    // A combination is pressed only with exactly its modifiers (tracked from the events, seeded from the key state)
    // and released on its main key's release after such a press; what the run pressed is not the user's.
    void combinationWatchNeedsExactModifiers_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("storedMask");
        QTest::addColumn<QList<int>>("seeded");
        QTest::addColumn<QList<int>>("pressed"); // as the watch sees them; negative: released
        QTest::addColumn<QList<int>>("run");     // pressed by the run before; negative: and released again
        QTest::addColumn<bool>("met");
        const QList<int> none;
        QTest::newRow("Ctrl+A") << 65 << 2 << none << QList<int>{162, 65} << none << true;
        QTest::newRow("Ctrl+A, Ctrl down before") << 65 << 2 << QList<int>{17} << QList<int>{65} << none << true;
        QTest::newRow("Ctrl+A, Shift too") << 65 << 2 << none << QList<int>{17, 160, 65} << none << false;
        QTest::newRow("Ctrl+A, no Ctrl") << 65 << 2 << none << QList<int>{65} << none << false;
        QTest::newRow("left Ctrl alone") << 162 << 0 << none << QList<int>{162} << none << true;
        QTest::newRow("left Ctrl alone, Shift too") << 162 << 0 << QList<int>{160} << QList<int>{162} << none << false;
        QTest::newRow("Ctrl, either side") << 17 << 0 << none << QList<int>{163} << none << true;
        // The stored form tells the sides apart, and so does the watch.
        QTest::newRow("left Ctrl alone, right one") << 162 << 0 << none << QList<int>{163} << none << false;
        QTest::newRow("Enter with Win") << 13 << 0 << none << QList<int>{92, 13} << none << false;
        // A backend that tells the sides apart answers for the generic code too; the side's release ends both.
        QTest::newRow("A, after a Ctrl held from the start was let go")
            << 65 << 0 << QList<int>{17, 162} << QList<int>{-162, 65} << none << true;
        QTest::newRow("Enter while the run holds Shift")
            << 13 << 0 << none << QList<int>{16, 13} << QList<int>{16} << true;
        QTest::newRow("Ctrl+Alt+S the run sent, seen after it let go")
            << 83 << 3 << none << QList<int>{17, 18, 83} << QList<int>{-17, -18, -83} << false;
    }
    void combinationWatchNeedsExactModifiers()
    {
        QFETCH(int, key);
        QFETCH(int, storedMask);
        QFETCH(QList<int>, seeded);
        QFETCH(QList<int>, pressed);
        QFETCH(QList<int>, run);
        QFETCH(bool, met);
        HeldInputs own;
        CombinationWatch watch(key, storedMask, &own);
        for (int vk : run)
            own.pressKey(std::abs(vk));
        for (int vk : run) {
            if (vk < 0)
                own.releaseKey(-vk);
        }
        watch.seed([&](int vk) { return seeded.contains(vk); });
        auto step = CombinationWatch::Step::None;
        for (int vk : pressed)
            step = watch.feed(std::abs(vk), vk > 0);
        QCOMPARE(step == CombinationWatch::Step::Pressed, met);
        QCOMPARE(watch.feed(pressed.last(), false) == CombinationWatch::Step::Released, met);
        own.releaseAll();
    }

    // A key condition is met on the release of a fresh press of its combination, tapped or held, also while the run
    // holds Shift, and the next page is due at that moment rather than when the page began. What the run holds is let
    // go as it ends.
    void keyConditionReanchorsTheSchedule_data()
    {
        QTest::addColumn<bool>("watched");
        QTest::addColumn<bool>("shift"); // held by the run
        QTest::newRow("watched, tapped") << true << false;
        QTest::newRow("polled, held") << false << false;
        QTest::newRow("watched, the run holding Shift") << true << true;
        QTest::newRow("polled, the run holding Shift") << false << true;
    }
    void keyConditionReanchorsTheSchedule()
    {
        QFETCH(bool, watched);
        QFETCH(bool, shift);
        auto& fake = testsupport::fake();
        fake.setWatchUnsupported(!watched);
        const int hold = watched ? 0 : 100;
        fake.setKeyDown(13, true); // still down from before the page
        Harness h(0, 1, QStringLiteral("なし"), pointerPages(3),
                  {{model::kind::KeyCondition, QStringLiteral("13,0")}, timePage(0.05), immediate});
        if (shift && h.run->sharedState()->held.pressKey(16))
            fake.clearEvents();
        h.run->start();
        QTRY_COMPARE_WITH_TIMEOUT(recorded(fake), QStringList{"P1,0"}, 10000);
        QTest::qWait(100);
        fake.injectDesktopKey(13, false); // the old press ends: not enough
        tapKeys(fake, {17, 13}, hold);    // Ctrl+Enter is not Enter
        QTest::qWait(100);
        QCOMPARE(recorded(fake), QStringList{"P1,0"});
        const auto pressedAt = Clock::now();
        tapKeys(fake, {13}, hold);
        QTRY_COMPARE_WITH_TIMEOUT(h.finishedCount, 1, 10000);
        QCOMPARE(recorded(fake).join(' '), shift ? "P1,0 P2,0 P3,0 K16-" : "P1,0 P2,0 P3,0");
        const auto timings = h.run->pageTimings();
        QCOMPARE(timings.size(), std::size_t(3));
        QVERIFY(timings[1].planned >= pressedAt);
        QCOMPARE(timings[2].planned, timings[1].planned + std::chrono::milliseconds(50));
    }

    // The first input that does not arrive stops the run, which names the page and what was not sent; nothing of later
    // pages is sent and nothing stays held.
    void undeliveredInputStopsTheRun_data()
    {
        QTest::addColumn<EntryList>("commands");
        QTest::addColumn<int>("delivered");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("failing"); // inputs lost after the delivered ones
        const QStringList pointer = pointerPages(1).at(0);
        QTest::newRow("click") << EntryList{{model::kind::Click, model::RightButton, QStringLiteral("0.01")}} << 0
                               << "1 ページ目: 右クリックを送れませんでした。" << 1;
        const QStringList ctrlA{model::kind::Key, QStringLiteral("65,2"), QStringLiteral("0.01")};
        QTest::newRow("key") << EntryList{ctrlA} << 1 << "1 ページ目: キー「Ctrl+A」を送れませんでした。" << 1;
        // Ctrl's release is lost by the action and by the stop: the end of the run tries it again.
        QTest::newRow("key, releases lost twice")
            << EntryList{ctrlA} << 1 << "1 ページ目: キー「Ctrl+A」を送れませんでした。" << 5;
        QTest::newRow("pointer") << EntryList{pointer, {model::kind::Pointer, QStringLiteral("5"), QStringLiteral("6")}}
                                 << 1 << "2 ページ目: マウスポインターを (5, 6) へ動かせませんでした。" << 1;
        QTest::newRow("text") << EntryList{{model::kind::Input, QStringLiteral("abcdefghijklmnopqrstuvwxyz"),
                                            QStringLiteral("0.05")}}
                              << 4 << "1 ページ目: 入力の 3 文字目から先（全 26 文字）を送れませんでした。" << 1;
    }
    void undeliveredInputStopsTheRun()
    {
        QFETCH(EntryList, commands);
        QFETCH(int, delivered);
        auto& fake = testsupport::fake();
        QFETCH(int, failing);
        fake.setFailSynthesis(delivered, failing);
        commands << QStringList{model::kind::Pointer, QStringLiteral("9"), QStringLiteral("9")};
        Harness h(0, 3, QStringLiteral("なし"), commands, EntryList(commands.size(), timePage(0.3)));
        h.run->start();
        QTRY_COMPARE_WITH_TIMEOUT(h.finishedCount, 1, 10000);
        QTEST(h.run->failure(), "failure");
        QVERIFY(!recorded(fake).contains(QStringLiteral("P9,9")));
        QVERIFY(fake.heldBySynthesis().empty());
    }

    void actionThreadsStayBounded()
    {
        // Click holds longer than the pages: actions overlap without end.
        Harness h(0, EndlessRunNumber, QStringLiteral("なし"),
                  {{model::kind::Click, model::LeftButton, QStringLiteral("0.02")}}, {immediate});
        h.run->start();
        QTRY_VERIFY_WITH_TIMEOUT(h.run->actionsStarted() >= 2000, 60000);
        h.run->requestStop();
        QTRY_COMPARE_WITH_TIMEOUT(h.finishedCount, 1, 10000);
        const auto peak = h.run->peakActionThreads();
        // A few dozen at most, however long the run.
        QVERIFY2(peak <= 64, qPrintable(QStringLiteral("%1 threads kept at once").arg(peak)));
        QVERIFY(testsupport::fake().heldBySynthesis().empty());
    }

    void shortAndUnknownEntriesAreReadSafely()
    {
        auto& fake = testsupport::fake();
        const EntryList commands{{model::kind::Click},
                                 {model::kind::SmoothMove, QStringLiteral("5")},
                                 {model::kind::Key},
                                 {model::kind::Input},
                                 {model::kind::Pointer},
                                 {},
                                 {QStringLiteral("ホットキー"), QStringLiteral("1")},
                                 {model::kind::Pointer, QStringLiteral("abc"), QStringLiteral("12")}};
        // Fewer conditions than pages: the missing ones go on at once.
        const EntryList conditions{
            {model::kind::Time}, {model::kind::KeyCondition}, {}, {QStringLiteral("ホットキー")}};
        Harness h(0, 1, QStringLiteral("なし"), commands, conditions);
        h.run->start();
        QTRY_COMPARE_WITH_TIMEOUT(h.finishedCount, 1, 10000);
        QStringList events = recorded(fake);
        QVERIFY(events.indexOf("R+") < events.indexOf("R-"));
        events.sort();
        QCOMPARE(events, (QStringList{"P0,0", "P0,12", "P5,0", "R+", "R-"}));
    }

    // The tray icon, and where the desktop has no tray the stand-in window, name the project as the window title does
    // and stop the run on a single click; both are gone by the time finished() arrives.
    void indicatorsNameTheProjectAndStopTheRun_data()
    {
        QTest::addColumn<bool>("byWindow");
        QTest::newRow("tray icon") << false;
        QTest::newRow("stand-in window") << true;
    }
    void indicatorsNameTheProjectAndStopTheRun()
    {
        QFETCH(bool, byWindow);
        if (byWindow && QSystemTrayIcon::isSystemTrayAvailable())
            QSKIP("this desktop has a system tray");
        const QString never = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
        Harness h(0, EndlessRunNumber, QStringLiteral("なし"), pointerPages(1), {timePage(0.05)},
                  runProjectName(never));
        QSystemTrayIcon* tray = h.indicators->trayIcon();
        QVERIFY(tray && tray->isVisible() && !tray->icon().isNull());
        QCOMPARE(tray->toolTip(), QStringLiteral("「新規プロジェクト」を終了"));
        Q_EMIT tray->activated(QSystemTrayIcon::DoubleClick);
        QPointer<StopWindow> window = h.indicators->stopWindow();
        if (byWindow) {
            QVERIFY(window && window->isVisible());
            QVERIFY(window->windowFlags() & Qt::WindowStaysOnTopHint);
            QVERIFY(window->windowFlags() & Qt::WindowDoesNotAcceptFocus);
            auto* text = window->findChild<QLabel*>(QStringLiteral("textLabel"));
            QVERIFY(text);
            QCOMPARE(text->text(), tray->toolTip());
        }
        bool goneAtFinish = false;
        connect(h.run.get(), &Run::finished, &h.receiver,
                [&] { goneAtFinish = window.isNull() && (!h.indicators || !h.indicators->trayIcon()); });
        h.run->start();
        QTest::qWait(100);
        QCOMPARE(h.finishedCount, 0); // not stopped by the double click
        if (byWindow)
            QTest::mouseClick(window, Qt::LeftButton);
        else
            Q_EMIT tray->activated(QSystemTrayIcon::Trigger);
        QTRY_COMPARE_WITH_TIMEOUT(h.finishedCount, 1, 10000);
        QVERIFY(goneAtFinish);
    }

    // Icons come from image/ in the working folder or beside the program, and are drawn where none is found.
    void iconsAreFoundOrDrawn()
    {
        QTemporaryDir dir;
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        QVERIFY(!runicons::trayIcon().pixmap(16, 16).isNull());
        QVERIFY(!runicons::dangerIcon().pixmap(14, 14).isNull());
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("image")));
        QPixmap red(8, 8);
        red.fill(Qt::red);
        QVERIFY(red.save(dir.filePath(runicons::TrayIconPath), "PNG"));
        const QImage shown = runicons::trayIcon().pixmap(8, 8).toImage();
        QCOMPARE(QColor(shown.pixel(4, 4)), QColor(Qt::red));
        QVERIFY(QDir::setCurrent(previous));
    }
};

QTEST_MAIN(TestRun)
#include "tst_run.moc"
