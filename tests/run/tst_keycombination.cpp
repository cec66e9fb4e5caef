#include "platform/fake/fakeservices.h"
#include "run/keycombination.h"

#include <QTest>

using platform::WmKeyDown;
using platform::WmKeyUp;

class tst_KeyCombination : public QObject {
    Q_OBJECT

    platform::FakeServices* fake = nullptr;

private Q_SLOTS:
    void init()
    {
        auto backend = std::make_unique<platform::FakeServices>();
        fake = backend.get();
        platform::setServices(std::move(backend));
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
    // The stored text swaps the Ctrl and Alt bits of the capture.
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
                fake->setKeyDown(step.mid(5).toInt(), true);
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

QTEST_GUILESS_MAIN(tst_KeyCombination)
#include "tst_keycombination.moc"
