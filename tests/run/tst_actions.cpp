#include "fakeinput.h"
#include "run/actions.h"
#include "run/heldinputs.h"

#include <QtTest>

#include <chrono>
#include <thread>

using Clock = std::chrono::steady_clock;

namespace {

double secondsSince(Clock::time_point t0, Clock::time_point t)
{
    return std::chrono::duration<double>(t - t0).count();
}


} // namespace

class TestActions : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { installFakeInput(); }
    void init()
    {
        auto& fake = installFakeInput();
        fake.clearEvents();
        fake.setPointer(0, 0);
        fake.setAvailable(true);
    }

    void waitSecondsWaitsAndStops()
    {
        actions::StopFlag stop{false};
        auto t0 = Clock::now();
        actions::waitSeconds(stop, 0.1);
        const double waited = secondsSince(t0, Clock::now());
        QVERIFY2(waited >= 0.098, qPrintable(QString::number(waited)));
        QVERIFY(waited < 3.0);

        // A stop set beforehand ends even a very long wait at once; one set during the wait ends it soon after.
        stop = true;
        t0 = Clock::now();
        actions::waitSeconds(stop, 1e9);
        QVERIFY(secondsSince(t0, Clock::now()) < 0.5);

        stop = false;
        t0 = Clock::now();
        auto waiter = std::thread([&] { actions::waitSeconds(stop, 1000.0); });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        stop = true;
        waiter.join();
        QVERIFY(secondsSince(t0, Clock::now()) < 3.0);
    }

    void pressKeyEvents_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("Ctrl+A held") << "65,2,0.01" << QStringList{"K17+", "K65+", "K65-", "K17-"};
        QTest::newRow("all modifiers, no hold")
            << "65,15,0" << QStringList{"K17+", "K18+", "K16+", "K91+", "K65+", "K65-", "K91-", "K16-", "K18-", "K17-"};
        QTest::newRow("left Ctrl alone") << "162,0,0.05" << QStringList{"K162+", "K162-"};
        QTest::newRow("unreadable hold") << "65,0,abc" << QStringList{"K65+", "K65-"};
        QTest::newRow("main key 0") << "0,2,0.01" << QStringList{};
        QTest::newRow("none") << "なし" << QStringList{};
    }
    void pressKeyEvents()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        auto& fake = installFakeInput();
        actions::StopFlag stop{false};
        HeldInputs held;
        actions::pressKey(stop, text, &held);
        QCOMPARE(recorded(fake), expected);
        QVERIFY(fake.heldBySynthesis().empty());
        QVERIFY(held.held().empty());
    }

    // A key or a button is held for its entry's time, then released.
    void holdsForItsTime_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("key") << 0 << QStringList{"K162+", "K162-"};
        QTest::newRow("left click") << 1 << QStringList{"L+", "L-"};
    }
    void holdsForItsTime()
    {
        QFETCH(int, action);
        auto& fake = installFakeInput();
        actions::StopFlag stop{false};
        if (action == 0)
            actions::pressKey(stop, QStringLiteral("162,0,0.2"));
        else
            actions::clickLeft(stop, 0.2);
        const auto events = fake.events();
        QTEST(eventTexts(events), "expected");
        const double held = secondsSince(events.at(0).at, events.at(1).at);
        QVERIFY2(held >= 0.19 && held < 3.0, qPrintable(QString::number(held)));
    }

    void movePointerJumps()
    {
        auto& fake = installFakeInput();
        actions::movePointer(-15, 1080);
        QCOMPARE(recorded(fake), QStringList{"P-15,1080"});
        int x = 0, y = 0;
        QVERIFY(fake.getCursorPos(x, y));
        QCOMPARE(x, -15);
        QCOMPARE(y, 1080);
    }

    void smoothMoveFollowsTimeAndEndsOnTarget()
    {
        auto& fake = installFakeInput();
        fake.setPointer(0, 10);
        actions::StopFlag stop{false};
        const double duration = 0.3;
        const auto t0 = Clock::now();
        actions::smoothMove(stop, 100, -50, duration);
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
    }

    void smoothMoveFarApartDoesNotOverflow()
    {
        auto& fake = installFakeInput();
        fake.setPointer(-2000000000, 0);
        actions::StopFlag stop{false};
        actions::smoothMove(stop, 2000000000, 0, 0.05);
        const auto events = fake.events();
        QCOMPARE(eventText(events.back()), QStringLiteral("P2000000000,0"));
        for (const auto& e : events)
            QVERIFY(e.x >= -2000000000);
    }

    void typeTextSendsEachUnitInPace()
    {
        auto& fake = installFakeInput();
        actions::StopFlag stop{false};
        const auto t0 = Clock::now();
        actions::typeText(stop, QStringLiteral("abc"), 0.3);
        const double took = secondsSince(t0, Clock::now());
        QVERIFY2(took >= 0.3 && took < 5.0, qPrintable(QString::number(took)));
        const auto events = fake.events();
        QCOMPARE(eventTexts(events), (QStringList{"U97+", "U97-", "U98+", "U98-", "U99+", "U99-"}));
        // a at once, b no earlier than one interval, c no earlier than two.
        QVERIFY(secondsSince(t0, events.at(0).at) < 2.0);
        QVERIFY(secondsSince(t0, events.at(2).at) >= 0.1);
        QVERIFY(secondsSince(t0, events.at(4).at) >= 0.2);
        QVERIFY(events.at(4).at >= events.at(2).at);
    }

    void typeTextSendsSurrogatesAndLineBreaksAsUnits()
    {
        auto& fake = installFakeInput();
        actions::StopFlag stop{false};
        actions::typeText(stop, QString::fromUtf8("\xF0\x9F\x98\x80\n"), 0.03);
        QCOMPARE(recorded(fake), (QStringList{"U55357+", "U55357-", "U56832+", "U56832-", "U10+", "U10-"}));
    }

    // A stop during a long action ends it soon, with everything it pressed released and nothing sent afterwards.
    void stopDuringAnAction_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<QStringList>("expected"); // empty: checked by the rules below
        QTest::newRow("key hold") << 0 << QStringList{"K17+", "K18+", "K65+", "K65-", "K18-", "K17-"};
        QTest::newRow("click hold") << 1 << QStringList{"R+", "R-"};
        QTest::newRow("smooth move") << 2 << QStringList{};
        QTest::newRow("typing") << 3 << QStringList{};
    }
    void stopDuringAnAction()
    {
        QFETCH(int, action);
        QFETCH(QStringList, expected);
        auto& fake = installFakeInput();
        actions::StopFlag stop{false};
        HeldInputs held;
        std::thread worker([&] {
            switch (action) {
            case 0: return actions::pressKey(stop, QStringLiteral("65,3,100"), &held);
            case 1: return actions::clickRight(stop, 1000.0, &held);
            case 2: return actions::smoothMove(stop, 100000, 0, 100.0);
            default: return actions::typeText(stop, QString(100, QLatin1Char('x')), 100.0);
            }
        });
        QTRY_VERIFY(fake.events().size() >= (expected.isEmpty() ? 3u : 1u));
        const auto stopAt = Clock::now();
        stop = true;
        worker.join();
        QVERIFY(secondsSince(stopAt, Clock::now()) < 2.0);
        const auto events = fake.events();
        if (!expected.isEmpty())
            QCOMPARE(recorded(fake), expected);
        if (action == 2) {
            QVERIFY(events.back().x < 100000); // stays where it was stopped
            int x = -1, y = -1;
            QVERIFY(fake.getCursorPos(x, y));
            QCOMPARE(x, events.back().x);
        }
        if (action == 3)
            QVERIFY(events.size() < 200 && events.size() % 2 == 0); // every unit typed was also released
        QVERIFY(fake.heldBySynthesis().empty());
        QVERIFY(held.held().empty());
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        QCOMPARE(fake.events().size(), events.size());
    }

    void nothingToDo()
    {
        auto& fake = installFakeInput();
        actions::StopFlag stop{false};
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

    void heldInputsReleasesWhatIsLeft()
    {
        auto& fake = installFakeInput();
        HeldInputs held;
        actions::sendKeyDown(17, &held);
        actions::sendKeyDown(65, &held);
        actions::sendKeyDown(17, &held); // an overlapping action pressed Ctrl as well
        actions::sendKeyUp(17, &held);
        QCOMPARE(held.held(), (std::set<int>{17, 65}));
        fake.clearEvents();
        QCOMPARE(held.releaseAll(), 2);
        QCOMPARE(recorded(fake), (QStringList{"K65-", "K17-"}));
        QVERIFY(fake.heldBySynthesis().empty());
        QCOMPARE(held.releaseAll(), 0);
        // A release never counted below zero: a later press is still recorded.
        actions::sendKeyUp(66, &held);
        actions::sendKeyDown(66, &held);
        QCOMPARE(held.held(), (std::set<int>{66}));
        held.releaseAll();
    }
};

QTEST_GUILESS_MAIN(TestActions)
#include "tst_actions.moc"
