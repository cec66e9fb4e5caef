#include "fakeinput.h"
#include "run/keystate.h"
#include "run/run.h"
#include "run/runicons.h"
#include "run/runstart.h"
#include "run/stopwindow.h"

#include <QtTest>

#include <QLabel>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <atomic>
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

    Harness(QObject*, int delay, int repeat, const QString& stopCommand, const EntryList& commands,
            const EntryList& conditions, const QString& name = QStringLiteral("demo"))
    {
        run->setBeeper([this] { beeps.fetch_add(1); });
        QObject::connect(run.get(), &Run::finished, &receiver, [this] { ++finishedCount; });
        run->configure(delay, repeat, stopCommand, commands, conditions, name);
    }
};

QStringList moves(const platform::FakeServices& fake)
{
    QStringList out;
    for (const auto& e : fake.events()) {
        if (e.kind == platform::FakeEvent::Kind::MoveTo)
            out << eventText(e);
    }
    return out;
}

EntryList pointerPages(int count)
{
    EntryList pages;
    for (int i = 1; i <= count; ++i)
        pages << QStringList{model::kind::Pointer, QString::number(i), QStringLiteral("0")};
    return pages;
}

EntryList repeated(const QStringList& entry, int count)
{
    EntryList pages;
    for (int i = 0; i < count; ++i)
        pages << entry;
    return pages;
}

const QStringList immediate{model::kind::Immediate};

} // namespace

class TestRun : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        installFakeInput();
    }
    void init()
    {
        auto& fake = installFakeInput();
        for (int key : allKeys)
            fake.setKeyDown(key, false);
        fake.clearEvents();
        fake.setPointer(0, 0);
    }

    // Every page in order for each repetition, between the start beep and the end beep; no page for a count of 0.
    void pagesRunInOrderForEachRepetition_data()
    {
        QTest::addColumn<int>("repeat");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("twice") << 2 << QStringList{"P1,0", "P2,0", "P3,0", "P1,0", "P2,0", "P3,0"};
        QTest::newRow("zero") << 0 << QStringList{};
    }
    void pagesRunInOrderForEachRepetition()
    {
        QFETCH(int, repeat);
        auto& fake = installFakeInput();
        Harness h(this, 0, repeat, QStringLiteral("なし"), pointerPages(3), repeated(immediate, 3));
        const auto started = Clock::now();
        h.run->start();
        QTRY_COMPARE_WITH_TIMEOUT(h.finishedCount, 1, 10000);
        QTEST(moves(fake), "expected");
        QCOMPARE(h.beeps.load(), 2);
        QVERIFY(h.run->hasEnded());
        if (repeat > 0) // the one-second pause of a complete run
            QVERIFY(std::chrono::duration<double>(Clock::now() - started).count() >= 0.95);
    }

    // An endless run ends on its stop command, a modifier alone included; without one no watch is started.
    void endlessRunEndsOnStopCommand_data()
    {
        QTest::addColumn<QString>("stopCommand");
        QTest::addColumn<QList<int>>("keys");
        QTest::newRow("Ctrl+A") << "65,2" << QList<int>{162, 65};
        QTest::newRow("left Ctrl alone") << "162,0" << QList<int>{162};
    }
    void endlessRunEndsOnStopCommand()
    {
        QFETCH(QString, stopCommand);
        QFETCH(QList<int>, keys);
        QVERIFY(!Harness(this, 0, 1, QStringLiteral("なし"), {}, {}).run->isStopCheckerRunning());
        auto& fake = installFakeInput();
        Harness h(this, 0, EndlessRunNumber, stopCommand, pointerPages(2),
                  repeated({model::kind::Time, QStringLiteral("0.01")}, 2));
        QVERIFY(h.run->isStopCheckerRunning());
        h.run->start();
        QTRY_VERIFY_WITH_TIMEOUT(moves(fake).size() >= 6, 10000); // went round more than once
        QCOMPARE(h.finishedCount, 0);
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("stop command detected")));
        for (int vk : keys)
            fake.setKeyDown(vk, true);
        QTRY_COMPARE_WITH_TIMEOUT(h.finishedCount, 1, 10000);
        QVERIFY(!h.run->isStopCheckerRunning());
        QCOMPARE(h.beeps.load(), 2);
    }

    void combinationHeldNeedsExactModifiers_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("storedMask");
        QTest::addColumn<QList<int>>("down");
        QTest::addColumn<bool>("held");
        QTest::newRow("Ctrl+A") << 65 << 2 << QList<int>{17, 65} << true;
        QTest::newRow("Ctrl+A, Shift too") << 65 << 2 << QList<int>{17, 16, 65} << false;
        QTest::newRow("Ctrl+A, no Ctrl") << 65 << 2 << QList<int>{65} << false;
        QTest::newRow("left Ctrl alone") << 162 << 0 << QList<int>{162} << true;
        QTest::newRow("left Ctrl alone, right held") << 162 << 0 << QList<int>{163} << false;
        QTest::newRow("left Ctrl alone, Shift too") << 162 << 0 << QList<int>{162, 160} << false;
        QTest::newRow("Enter with Win") << 13 << 0 << QList<int>{13, 92} << false;
    }
    void combinationHeldNeedsExactModifiers()
    {
        QFETCH(int, key);
        QFETCH(int, storedMask);
        QFETCH(QList<int>, down);
        QFETCH(bool, held);
        auto& fake = installFakeInput();
        for (int code : down)
            fake.setKeyDown(code, true);
        QCOMPARE(keys::combinationHeld(key, storedMask), held);
    }

    void keyConditionWaitsForReleaseAndFreshPress()
    {
        auto& fake = installFakeInput();
        fake.setKeyDown(13, true); // still down from before the page
        Harness h(this, 0, 1, QStringLiteral("なし"), pointerPages(2),
                  {{model::kind::KeyCondition, QStringLiteral("13,0")}, immediate});
        h.run->start();
        QTRY_COMPARE_WITH_TIMEOUT(moves(fake), QStringList{"P1,0"}, 10000);
        QTest::qWait(150);
        fake.setKeyDown(13, false); // the old press ends: not enough
        QTest::qWait(200);
        QCOMPARE(moves(fake), QStringList{"P1,0"});
        fake.setKeyDown(17, true); // Ctrl+Enter is not Enter
        fake.setKeyDown(13, true);
        QTest::qWait(200);
        fake.setKeyDown(13, false);
        fake.setKeyDown(17, false);
        QTest::qWait(150);
        QCOMPARE(moves(fake), QStringList{"P1,0"});
        fake.setKeyDown(13, true); // a fresh press counts on its release
        QTest::qWait(200);
        QCOMPARE(moves(fake), QStringList{"P1,0"});
        fake.setKeyDown(13, false);
        QTRY_COMPARE_WITH_TIMEOUT(moves(fake), (QStringList{"P1,0", "P2,0"}), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(h.finishedCount, 1, 10000);
    }

    void keyConditionWithoutKeyPasses()
    {
        Run run;
        const auto t0 = Clock::now();
        run.waitForKey(QStringLiteral("なし"));
        QVERIFY(std::chrono::duration<double>(Clock::now() - t0).count() < 1.0);
    }

    void earlyStopIsKept()
    {
        auto& fake = installFakeInput();
        Harness h(this, 0, 3, QStringLiteral("なし"), pointerPages(2), repeated(immediate, 2));
        h.run->requestStop(); // a click on the tray icon before the run thread began
        h.run->start();
        QTRY_COMPARE_WITH_TIMEOUT(h.finishedCount, 1, 10000);
        QVERIFY(fake.events().empty());
        QCOMPARE(h.beeps.load(), 1); // no start beep, the end beep only
    }

    void nothingHeldAfterStopDuringOverlappingActions()
    {
        auto& fake = installFakeInput();
        const EntryList commands{
            {model::kind::Key, QStringLiteral("65,2"), QStringLiteral("100")},
            {model::kind::Click, model::LeftButton, QStringLiteral("100")},
            {model::kind::Key, QStringLiteral("66,4"), QStringLiteral("100")},
            {model::kind::SmoothMove, QStringLiteral("5000"), QStringLiteral("0"), QStringLiteral("100")},
            {model::kind::Input, QString(500, QLatin1Char('x')), QStringLiteral("100")}};
        const EntryList conditions{
            immediate, immediate, immediate, immediate, {model::kind::Time, QStringLiteral("100")}};
        Harness h(this, 0, 1, QStringLiteral("なし"), commands, conditions);
        h.run->start();
        QTRY_VERIFY_WITH_TIMEOUT(fake.heldBySynthesis() == (std::set<int>{-1, 16, 17, 65, 66}), 10000);
        h.run->requestStop();
        QTRY_COMPARE_WITH_TIMEOUT(h.finishedCount, 1, 10000);
        QVERIFY(fake.heldBySynthesis().empty());
    }

    void finishedActionThreadsAreJoinedDuringTheRun()
    {
        Harness h(this, 0, EndlessRunNumber, QStringLiteral("なし"),
                  {{model::kind::Click, model::LeftButton, QStringLiteral("0")}}, {immediate});
        h.run->start();
        QTRY_VERIFY_WITH_TIMEOUT(h.run->actionsStarted() >= 3000, 60000);
        h.run->requestStop();
        QTRY_COMPARE_WITH_TIMEOUT(h.finishedCount, 1, 10000);
        const auto peak = h.run->peakActionThreads();
        QVERIFY2(peak < 500, qPrintable(QStringLiteral("%1 threads kept at once").arg(peak)));
        QVERIFY(installFakeInput().heldBySynthesis().empty());
    }

    void shortAndUnknownEntriesAreReadSafely()
    {
        auto& fake = installFakeInput();
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
        Harness h(this, 0, 1, QStringLiteral("なし"), commands, conditions);
        h.run->start();
        QTRY_COMPARE_WITH_TIMEOUT(h.finishedCount, 1, 10000);
        QStringList events = recorded(fake);
        QVERIFY(events.indexOf("R+") < events.indexOf("R-"));
        events.sort();
        QCOMPARE(events, (QStringList{"P0,0", "P0,12", "P5,0", "R+", "R-"}));
    }

    void clickHeldLongerThanItsPageOverlapsTheNext()
    {
        auto& fake = installFakeInput();
        const EntryList commands{{model::kind::Click, model::LeftButton, QStringLiteral("1")}, pointerPages(1).at(0)};
        const EntryList conditions{{model::kind::Time, QStringLiteral("0.1")}, immediate};
        Harness h(this, 0, 1, QStringLiteral("なし"), commands, conditions);
        h.run->start();
        QTRY_COMPARE_WITH_TIMEOUT(h.finishedCount, 1, 10000);
        QCOMPARE(recorded(fake), (QStringList{"L+", "P1,0", "L-"}));
    }

    void trayIconShowsProjectAndStopsOnSingleClickOnly_data()
    {
        QTest::addColumn<int>("reason");
        QTest::addColumn<bool>("stops");
        QTest::newRow("single click") << int(QSystemTrayIcon::Trigger) << true;
        QTest::newRow("double click") << int(QSystemTrayIcon::DoubleClick) << false;
    }
    void trayIconShowsProjectAndStopsOnSingleClickOnly()
    {
        QFETCH(int, reason);
        QFETCH(bool, stops);
        Harness h(this, 0, 1, QStringLiteral("なし"), {}, {}, QStringLiteral("demo"));
        QSystemTrayIcon* tray = h.run->trayIconForTest();
        QVERIFY(tray);
        QCOMPARE(tray->toolTip(), QStringLiteral("「demo」を終了"));
        QVERIFY(tray->isVisible());
        QVERIFY(!tray->icon().isNull());
        Q_EMIT tray->activated(QSystemTrayIcon::ActivationReason(reason));
        QCoreApplication::processEvents();
        QCOMPARE(h.run->isStopRequested(), stops);
    }

    void standInWindowWithoutTray()
    {
        if (QSystemTrayIcon::isSystemTrayAvailable())
            QSKIP("this desktop has a system tray");
        Harness h(this, 0, EndlessRunNumber, QStringLiteral("なし"), pointerPages(1),
                  repeated({model::kind::Time, QStringLiteral("0.05")}, 1), QStringLiteral("新規プロジェクト"));
        QPointer<StopWindow> window = h.run->stopWindowForTest();
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QVERIFY(window->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(window->windowFlags() & Qt::WindowDoesNotAcceptFocus);
        auto* text = window->findChild<QLabel*>(QStringLiteral("textLabel"));
        QVERIFY(text);
        QCOMPARE(text->text(), QStringLiteral("「新規プロジェクト」を終了"));
        h.run->start();
        QTest::qWait(100);
        QCOMPARE(h.finishedCount, 0);
        QTest::mouseClick(window, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(h.finishedCount, 1, 10000);
        QVERIFY(window.isNull()); // gone before finished arrived
    }

    void stopRunAndWaitForShutDown()
    {
        auto& fake = installFakeInput();
        auto* worker = new QThread;
        auto* run = new Run;
        run->setBeeper([] {});
        run->configure(0, EndlessRunNumber, QStringLiteral("なし"),
                       {{model::kind::Key, QStringLiteral("65,2"), QStringLiteral("100")}},
                       {{model::kind::Time, QStringLiteral("100")}}, QStringLiteral("demo"));
        QPointer<Run> guardedRun(run);
        run->moveToThread(worker);
        connect(worker, &QThread::started, run, &Run::start);
        connect(run, &Run::finished, worker, &QThread::quit);
        connect(run, &Run::finished, run, &QObject::deleteLater);
        worker->start();
        QTRY_VERIFY_WITH_TIMEOUT(fake.heldBySynthesis().count(65) == 1, 10000);
        // The GUI thread blocks here, as it does while the program shuts down.
        QPointer<Run> runPointer(run);
        QVERIFY(stopRunAndWait(run->sharedState(), runPointer, worker, 10000));
        QVERIFY(worker->isFinished());
        QVERIFY(guardedRun.isNull());
        QVERIFY(fake.heldBySynthesis().empty());
        delete worker;
    }

    void projectNameAndToolTip_data()
    {
        QTest::addColumn<QString>("filePath");
        QTest::addColumn<QString>("toolTip");
        QTest::newRow("never saved") << QStandardPaths::writableLocation(QStandardPaths::DesktopLocation) << "「新規プロジェクト」を終了";
        QTest::newRow("saved") << "/home/u/demo.cmdat" << "「demo」を終了";
    }
    void projectNameAndToolTip()
    {
        QFETCH(QString, filePath);
        QFETCH(QString, toolTip);
        QCOMPARE(stopToolTip(runProjectName(filePath)), toolTip);
    }

    void iconsAreFoundOrDrawn()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        const bool besideProgram = !runicons::findImage(runicons::TrayIconPath).isEmpty();
        if (!besideProgram) {
            QVERIFY(runicons::findImage(runicons::DangerIconPath).isEmpty());
        }
        // Missing or not: never an empty icon.
        QVERIFY(!runicons::trayIcon().isNull());
        QVERIFY(!runicons::trayIcon().pixmap(16, 16).isNull());
        QVERIFY(!runicons::dangerIcon().pixmap(14, 14).isNull());

        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("image")));
        QPixmap red(8, 8);
        red.fill(Qt::red);
        QVERIFY(red.save(dir.filePath(runicons::TrayIconPath), "PNG"));
        QCOMPARE(runicons::findImage(runicons::TrayIconPath),
                 QFileInfo(dir.filePath(runicons::TrayIconPath)).absoluteFilePath());
        const QImage shown = runicons::trayIcon().pixmap(8, 8).toImage();
        QCOMPARE(QColor(shown.pixel(4, 4)), QColor(Qt::red));
        QVERIFY(QDir::setCurrent(previous));
    }
};

QTEST_MAIN(TestRun)
#include "tst_run.moc"
