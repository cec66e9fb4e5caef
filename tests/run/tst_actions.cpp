#include "fakeinput.h"
#include "run/actions.h"
#include "run/heldinputs.h"
#include "model/keycombination.h"
#include "run/keystate.h"
#include "run/schedule.h"

#include <QtTest>

#include <chrono>
#include <tuple>

using Clock = std::chrono::steady_clock;
using platform::WmKeyDown;
using platform::WmKeyUp;

namespace {

double secondsSince(Clock::time_point t0, Clock::time_point t)
{
    return std::chrono::duration<double>(t - t0).count();
}

} // namespace

class TestActions : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { testsupport::fake(); }
    void init()
    {
        auto& fake = testsupport::fake();
        fake.clearEvents();
        fake.setPointer(0, 0);
        fake.setMonitors({});
        fake.setAvailable(true);
        for (int vk : {16, 17, 18, 92})
            fake.setKeyDown(vk, false);
    }

    // Each page is due its time after the previous page was due: 200 pages of 20 ms, each begun up to 1 s late, end
    // exactly 4 s after the start; a page begun later than a second, or than its own time, moves the schedule to when
    // it began and keeps its planned start (a pause is reported once and no missed page follows at once); a key
    // condition moves the schedule to the moment it was met; absurd times neither go back nor overflow.
    void scheduleAddsTimesToPlannedStarts()
    {
        using ms = std::chrono::milliseconds;
        const auto origin = Clock::now();
        Schedule schedule(origin);
        for (int i = 0; i < 200; ++i) {
            QCOMPARE(schedule.begin(origin + ms(20 * i + (i % 2) * 1000), 0.02), origin + ms(20 * i));
            schedule.after(0.02);
        }
        QCOMPARE(schedule.nextStart(), origin + std::chrono::seconds(4));
        const std::tuple<int, double, int> pauses[] = {{1001, 0.2, 1201}, {2900, 3.0, 3000}, {3001, 3.0, 6001}};
        for (const auto& [late, own, next] : pauses) {
            const auto due = schedule.nextStart();
            QCOMPARE(schedule.begin(due + ms(late), own), due);
            schedule.after(own);
            QCOMPARE(schedule.nextStart(), due + ms(next));
        }
        const auto met = origin + std::chrono::seconds(19);
        schedule.reanchor(met);
        QCOMPARE(schedule.begin(met, 0), met);
        for (double odd : {-1.0, std::nan("")}) {
            schedule.after(odd);
            QCOMPARE(schedule.nextStart(), met);
        }
        schedule.after(1e300);
        QVERIFY(schedule.nextStart() > met + std::chrono::hours(24 * 365 * 100));
    }

    // Modifiers go down before the main key and up after it; the main key is held for the entry's time.
    void pressKeyEvents_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("Ctrl+A held") << "65,2,0.01" << QStringList{"K17+", "K65+", "K65-", "K17-"};
        QTest::newRow("all modifiers, no hold")
            << "65,15,0" << QStringList{"K17+", "K18+", "K16+", "K91+", "K65+", "K65-", "K91-", "K16-", "K18-", "K17-"};
        QTest::newRow("left Ctrl alone") << "162,0,0.2" << QStringList{"K162+", "K162-"};
        QTest::newRow("unreadable hold") << "65,0,abc" << QStringList{"K65+", "K65-"};
        QTest::newRow("main key 0") << "0,2,0.01" << QStringList{};
        QTest::newRow("none") << "なし" << QStringList{};
    }
    void pressKeyEvents()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        auto& fake = testsupport::fake();
        actions::StopFlag stop;
        HeldInputs held;
        QVERIFY(actions::pressKey(stop, keys::readKeyPress(text), &held));
        const auto events = fake.events();
        QCOMPARE(eventTexts(events), expected);
        QVERIFY(fake.heldBySynthesis().empty());
        QVERIFY(held.held().empty());
        if (!events.empty()) {
            const double heldFor = secondsSince(events.at(events.size() / 2 - 1).at, events.at(events.size() / 2).at);
            QVERIFY2(heldFor >= text.section(QLatin1Char(','), 2).toDouble() && heldFor < 3.0,
                     qPrintable(QString::number(heldFor)));
        }
    }

    void clickHoldsForItsTime()
    {
        actions::StopFlag stop;
        QVERIFY(actions::clickLeft(stop, 0.2));
        const auto events = testsupport::fake().events();
        QCOMPARE(eventTexts(events), (QStringList{"L+", "L-"}));
        const double held = secondsSince(events.at(0).at, events.at(1).at);
        QVERIFY2(held >= 0.2 && held < 3.0, qPrintable(QString::number(held)));
    }

    void smoothMoveFollowsTimeAndEndsOnTarget()
    {
        auto& fake = testsupport::fake();
        fake.setPointer(0, 10);
        actions::StopFlag stop;
        const double duration = 0.3;
        const auto t0 = Clock::now();
        QVERIFY(actions::smoothMove(stop, 100, -50, duration));
        const double took = secondsSince(t0, Clock::now());
        QVERIFY2(took >= duration - 0.01 && took < 5.0, qPrintable(QString::number(took)));

        const auto events = fake.events();
        QVERIFY(events.size() >= 3);
        QCOMPARE(eventText(events.back()), QStringLiteral("P100,-50"));
        int lastX = 0;
        for (const auto& e : events) {
            QCOMPARE(e.kind, platform::FakeEvent::Kind::MoveTo);
            // Each step lies on the straight line and never runs ahead of the clock.
            QVERIFY(e.x >= lastX);
            QVERIFY(e.x <= 100);
            QVERIFY(std::abs(e.y - (10 - 0.6 * e.x)) <= 1.0);
            const double ahead = e.x - 100.0 * secondsSince(t0, e.at) / duration;
            QVERIFY2(ahead <= 1.0, qPrintable(QStringLiteral("x=%1 ahead by %2").arg(e.x).arg(ahead)));
            lastX = e.x;
        }
        // Far apart, the steps neither overflow nor wrap.
        fake.clearEvents();
        fake.setPointer(-2000000000, 0);
        actions::smoothMove(stop, 2000000000, 0, 0.05);
        QCOMPARE(eventText(fake.events().back()), QStringLiteral("P2000000000,0"));
        for (const auto& e : fake.events())
            QVERIFY(e.x >= -2000000000);
    }

    // A target on no monitor is refused before anything moves, the screen's extent named; steps of a smooth move that
    // fall between two monitors are left out.
    void pointerTargets_data()
    {
        QTest::addColumn<QList<QRect>>("monitors");
        QTest::addColumn<QPoint>("target");
        QTest::addColumn<double>("seconds"); // 0: movePointer
        QTest::addColumn<QString>("refused");
        const QList<QRect> one{{0, 0, 1280, 1024}}, two{{0, 0, 1280, 1024}, {1280, 0, 1920, 1080}};
        const QString screen =
            QStringLiteral("(5000, -300) はどのモニターの上にもありません（画面の範囲: (0, 0)〜(1279, 1023)）");
        QTest::newRow("off the screen") << one << QPoint(5000, -300) << 0.0 << screen;
        QTest::newRow("off the screen, smooth") << one << QPoint(5000, -300) << 0.1 << screen;
        QTest::newRow("second monitor") << two << QPoint(3000, 1000) << 0.0 << QString();
        QTest::newRow("below the smaller monitor") << two << QPoint(100, 1050) << 0.0 << "(3199, 1079)、モニター 2 台";
        // Nearly the whole way lies in the gap: some step falls into it however late the steps come.
        const QList<QRect> gap{{0, 0, 200, 1024}, {1800, 0, 400, 1024}};
        QTest::newRow("across a gap, smooth") << gap << QPoint(1900, 500) << 0.2 << QString();
    }
    void pointerTargets()
    {
        QFETCH(QList<QRect>, monitors);
        QFETCH(QPoint, target);
        QFETCH(double, seconds);
        QFETCH(QString, refused);
        std::vector<platform::ScreenArea> areas;
        for (const QRect& r : monitors)
            areas.push_back({r.x(), r.y(), r.width(), r.height()});
        auto& fake = testsupport::fake();
        fake.setMonitors(areas);
        fake.setPointer(100, 500);
        const actions::StopFlag stop;
        QString why;
        const bool moved = seconds > 0 ? actions::smoothMove(stop, target.x(), target.y(), seconds, &why)
                                       : actions::movePointer(target.x(), target.y(), &why);
        QCOMPARE(moved, refused.isEmpty());
        QVERIFY2(refused.isEmpty() ? why.isEmpty() : why.contains(refused), qPrintable(why));
        const auto events = fake.events();
        QCOMPARE(events.empty(), !moved);
        if (moved)
            QCOMPARE(eventText(events.back()), QStringLiteral("P%1,%2").arg(target.x()).arg(target.y()));
    }

    // One UTF-16 unit at a time, evenly over the entry's time: a surrogate pair is two units, a line break one.
    void typeTextSendsEachUnitInPace()
    {
        auto& fake = testsupport::fake();
        actions::StopFlag stop;
        const auto t0 = Clock::now();
        QCOMPARE(actions::typeText(stop, QString::fromUtf8("a\xF0\x9F\x98\x80\n"), 0.4), 4);
        const double took = secondsSince(t0, Clock::now());
        QVERIFY2(took >= 0.4 && took < 5.0, qPrintable(QString::number(took)));
        const auto events = fake.events();
        QCOMPARE(eventTexts(events),
                 (QStringList{"U97+", "U97-", "U55357+", "U55357-", "U56832+", "U56832-", "U10+", "U10-"}));
        QVERIFY(secondsSince(t0, events.at(0).at) < 2.0);
        for (int unit = 1; unit < 4; ++unit) // never ahead of its share of the time
            QVERIFY(secondsSince(t0, events.at(2 * unit).at) >= 0.1 * unit);
    }

    void nothingToDo()
    {
        auto& fake = testsupport::fake();
        actions::StopFlag stop;
        const auto t0 = Clock::now();
        actions::waitSeconds(stop, std::nan(""));
        actions::waitSeconds(stop, -3);
        actions::typeText(stop, QStringLiteral("abc"), 0);
        actions::typeText(stop, QString(), 3);
        QVERIFY(secondsSince(t0, Clock::now()) < 0.5);
        QVERIFY(fake.events().empty());
        fake.setPointer(5, 5);
        actions::smoothMove(stop, 100, 50, 0); // no duration: jumps
        QCOMPARE(recorded(fake), QStringList{"P100,50"});
    }

    void heldInputsReleasesWhatIsLeftAndRefusesAfterShut()
    {
        auto& fake = testsupport::fake();
        HeldInputs held;
        held.pressKey(17);
        held.pressKey(65);
        held.pressKey(17); // an overlapping action pressed Ctrl as well
        held.releaseKey(17);
        QCOMPARE(held.held(), (std::set<int>{17, 65}));
        fake.clearEvents();
        QCOMPARE(held.releaseAll(), 2);
        QCOMPARE(recorded(fake), (QStringList{"K65-", "K17-"}));
        // A release never counted below zero, and nothing is sent for a key that is not held.
        QVERIFY(held.releaseKey(66));
        held.pressButton(platform::MouseButton::Left);
        QCOMPARE(held.shut(), 1);
        QVERIFY(!held.pressKey(66));
        QVERIFY(!held.pressButton(platform::MouseButton::Right));
        QCOMPARE(recorded(fake), (QStringList{"K65-", "K17-", "L+", "L-"}));
        QVERIFY(fake.heldBySynthesis().empty());
    }

    // The editor shows an unreadable text as it is; the run settings dialog calls it invalid.
    void labels_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("invalid");
        QTest::addColumn<QString>("label");
        QTest::newRow("Ctrl+A") << "65,2" << false << "Ctrl+A";
        QTest::newRow("F1") << "112,0" << false << "F1";
        QTest::newRow("above F24") << "136,0" << false << "VK136";
        QTest::newRow("right Win") << "92,0" << false << "Win";
        QTest::newRow("right Alt") << "165,0" << false << "Alt";
        QTest::newRow("negative shows unsigned") << "-1,0" << false << "VK4294967295";
        QTest::newRow("all modifiers") << "65,15" << false << "Ctrl+Alt+Shift+Win+A";
        QTest::newRow("Ctrl alone") << "162,0" << false << "Ctrl";
        QTest::newRow("Alt main with Ctrl") << "164,2" << false << "Ctrl";
        QTest::newRow("empty") << "" << false << "なし";
        QTest::newRow("unreadable") << "abc" << true << "abc";
        QTest::newRow("overflowing key") << "2147483648,2" << true << "2147483648,2";
        QTest::newRow("unreadable mask") << "83,x" << false << "S";
        QTest::newRow("key code 0 reads") << "0,2" << false << "Ctrl+VK0";
    }
    void labels()
    {
        QFETCH(QString, text);
        QFETCH(bool, invalid);
        QFETCH(QString, label);
        QCOMPARE(keys::keyCombinationLabel(text), label);
        QCOMPARE(keys::keyCombinationLabel(text, keys::UnreadableText::ShowInvalid),
                 invalid ? QStringLiteral("無効なキー") : label);
    }

    // Each step is "d<vk>" (key down) or "u<vk>" (key up); "held:<vk>" marks a key already down before the capture.
    void captureSequences_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("text");
        QTest::newRow("Ctrl then A") << QStringList{"d162", "d65", "u65", "u162"} << "65,2";
        QTest::newRow("Shift alone") << QStringList{"d160", "u160"} << "160,0";
        QTest::newRow("Ctrl+Shift, Shift released first") << QStringList{"d162", "d160", "u160", "u162"} << "162,0";
        QTest::newRow("Ctrl held before capture, then A") << QStringList{"held:17", "d65"} << "65,2";
        QTest::newRow("Alt, Shift, right Win held before")
            << QStringList{"held:18", "held:16", "held:92", "d65"} << "65,13";
        QTest::newRow("last key wins") << QStringList{"d65", "d66"} << "66,0";
        QTest::newRow("modifier release after key keeps key") << QStringList{"d164", "d83", "u164"} << "83,1";
        QTest::newRow("key up of plain key alone captures nothing") << QStringList{"u65"} << "0,0";
    }
    void captureSequences()
    {
        QFETCH(QStringList, steps);
        keys::KeyCaptureState state;
        state.begin();
        for (const QString& step : steps) {
            if (step.startsWith(QLatin1String("held:"))) {
                testsupport::fake().setKeyDown(step.mid(5).toInt(), true);
                continue;
            }
            const int vk = step.mid(1).toInt();
            const int message = step.startsWith(QLatin1Char('d')) ? WmKeyDown : WmKeyUp;
            QVERIFY2(keys::applyCaptureRule(state, message, vk), "events during a capture are swallowed");
        }
        QTEST(keys::keyCombinationText(state.capturedKey.load(), state.capturedMask.load()), "text");
    }

    void notCapturingPassesEvents()
    {
        keys::KeyCaptureState state;
        QVERIFY(!keys::applyCaptureRule(state, WmKeyDown, 65));
        QCOMPARE(int(state.capturedKey.load()), 0);
        state.begin();
        QVERIFY(!keys::applyCaptureRule(state, 0x0200, 65)); // not a key message
        QVERIFY(keys::applyCaptureRule(state, platform::WmSysKeyDown, 65));
        QCOMPARE(int(state.capturedKey.load()), 65);
    }
};

QTEST_GUILESS_MAIN(TestActions)
#include "tst_actions.moc"
