#include "fakeinput.h"
#include "runui/rundialog.h"
#include "testsupport.h"

#include <QtTest>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

namespace {

template <class T> T* child(QDialog& dialog, const char* name)
{
    return dialog.findChild<T*>(QLatin1String(name));
}

using KeyEvents = QList<QPair<int, int>>;

const QString warningTitle = QStringLiteral("このメッセージを無効化することはできません。");
const QString noticeTitle = QStringLiteral("次回からは表示されません。");

} // namespace

class TestRunDialog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { installFakeInput(); }
    void init()
    {
        auto& fake = installFakeInput();
        fake.setFailCapture(false);
        for (int key : {16, 17, 18, 83, 160, 162, 164})
            fake.setKeyDown(key, false);
    }

    void valuesAreClampedAndReturned_data()
    {
        QTest::addColumn<int>("stertTime");
        QTest::addColumn<int>("runNumber");
        QTest::addColumn<int>("shownStert");
        QTest::addColumn<int>("shownRun");
        QTest::addColumn<bool>("endless");
        QTest::addColumn<int>("acceptedStert");
        QTest::addColumn<int>("acceptedRun");
        QTest::newRow("zeros") << 0 << 0 << 1 << 1 << false << 1 << 1;
        QTest::newRow("endless") << 5 << 114514 << 5 << 1 << true << 5 << 114514;
        QTest::newRow("between 9999 and 114514") << 5 << 20000 << 5 << 9999 << false << 5 << 9999;
        QTest::newRow("beyond 114514") << -5 << 200000 << 1 << 1 << true << 1 << 114514;
    }
    void valuesAreClampedAndReturned()
    {
        QFETCH(int, stertTime);
        QFETCH(int, runNumber);
        QFETCH(int, shownStert);
        QFETCH(int, shownRun);
        QFETCH(bool, endless);
        QFETCH(int, acceptedStert);
        QFETCH(int, acceptedRun);
        RunDialog dialog(stertTime, runNumber, QStringLiteral("83,3"), true);
        QCOMPARE(child<QSpinBox>(dialog, "stertTimeSpinBox")->value(), shownStert);
        QCOMPARE(child<QSpinBox>(dialog, "runNumberSpinBox")->value(), shownRun);
        QCOMPARE(child<QCheckBox>(dialog, "checkRunNumber")->isChecked(), endless);
        QCOMPARE(child<QSpinBox>(dialog, "runNumberSpinBox")->isHidden(), endless);
        child<QPushButton>(dialog, "startButton")->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.getStertTime(), acceptedStert);
        QCOMPARE(dialog.getRunNumber(), acceptedRun);
        QCOMPARE(dialog.getStopCommand(), QStringLiteral("83,3"));
    }

    void stopCommandShownAndValidated_data()
    {
        QTest::addColumn<QString>("stopCommand");
        QTest::addColumn<QString>("label");
        QTest::addColumn<bool>("startShown");
        QTest::addColumn<bool>("noneChecked");
        QTest::newRow("Ctrl+Alt+S") << "83,3"
                                    << "Ctrl+Alt+S" << true << false;
        QTest::newRow("none offers Ctrl+Alt+S") << "なし"
                                                << "Ctrl+Alt+S" << true << true;
        QTest::newRow("unreadable") << "abc"
                                    << "無効なキー" << false << false;
        QTest::newRow("modifier alone") << "162,0"
                                        << "Ctrl" << true << false;
    }
    void stopCommandShownAndValidated()
    {
        QFETCH(QString, stopCommand);
        QFETCH(QString, label);
        QFETCH(bool, startShown);
        QFETCH(bool, noneChecked);
        RunDialog dialog(5, 1, stopCommand, true);
        QCOMPARE(child<QLabel>(dialog, "hotKeyLabel")->text(), label);
        QCOMPARE(!child<QPushButton>(dialog, "startButton")->isHidden(), startShown);
        QCOMPARE(child<QCheckBox>(dialog, "checkHotKey")->isChecked(), noneChecked);
        QCOMPARE(child<QPushButton>(dialog, "hotKeyButton")->isHidden(), noneChecked);
        // Choosing "no stop command" does not make an invalid text valid.
        child<QCheckBox>(dialog, "checkHotKey")->setChecked(true);
        QCOMPARE(!child<QPushButton>(dialog, "startButton")->isHidden(), startShown);
    }

    void noStopCommandWarnsEveryTime_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("yes") << int(QMessageBox::Yes);
        QTest::newRow("no") << int(QMessageBox::No);
    }
    void noStopCommandWarnsEveryTime()
    {
        QFETCH(int, answer);
        RunDialog dialog(5, 3, QStringLiteral("なし"), false);
        dialog.show();
        testsupport::BoxAnswerer boxes({QMessageBox::StandardButton(answer)});
        child<QPushButton>(dialog, "startButton")->click();
        QCOMPARE(boxes.seen.size(), 1);
        QCOMPARE(boxes.seen.at(0).title, warningTitle);
        QCOMPARE(boxes.seen.at(0).text, QStringLiteral("終了コマンドが設定されていません。\n"
                                                       "タスクバーの右側にあるシステムトレイもしくは\n"
                                                       "指定回数でのみ終了可能です。\n"
                                                       "危険ですが実行しますか？"));
        QCOMPARE(boxes.seen.at(0).defaultButton, QMessageBox::No);
        // The notice is not shown in this branch and its flag stays as it was.
        QVERIFY(!dialog.getIsUsedStert());
        if (answer == QMessageBox::Yes) {
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(dialog.getStopCommand(), QStringLiteral("なし"));
            QCOMPARE(dialog.getRunNumber(), 3);
        } else {
            QVERIFY(dialog.isVisible());
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
            QVERIFY(child<QCheckBox>(dialog, "checkHotKey")->isChecked());
        }
    }

    void uncheckingNoneOffersDefaultCommand()
    {
        RunDialog dialog(5, 1, QStringLiteral("なし"), true);
        child<QCheckBox>(dialog, "checkHotKey")->setChecked(false);
        QVERIFY(!child<QLabel>(dialog, "hotKeyLabel")->isHidden());
        QVERIFY(!child<QPushButton>(dialog, "hotKeyButton")->isHidden());
        QCOMPARE(child<QLabel>(dialog, "hotKeyLabel")->text(), QStringLiteral("Ctrl+Alt+S"));
        child<QPushButton>(dialog, "startButton")->click();
        QCOMPARE(dialog.getStopCommand(), QStringLiteral("83,3"));
    }

    void noticeNamesTheStopCommandOnce()
    {
        {
            RunDialog dialog(5, 1, QStringLiteral("83,3"), false);
            dialog.show();
            testsupport::BoxAnswerer boxes;
            child<QPushButton>(dialog, "startButton")->click();
            QCOMPARE(boxes.seen.size(), 1);
            QCOMPARE(boxes.seen.at(0).title, noticeTitle);
            QVERIFY(boxes.seen.at(0).text.contains(QStringLiteral("「Ctrl+Alt+S」"))); // names the stop command
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QVERIFY(dialog.getIsUsedStert());
        }
        RunDialog again(5, 1, QStringLiteral("83,3"), true);
        again.show();
        testsupport::BoxAnswerer boxes;
        child<QPushButton>(again, "startButton")->click();
        QTest::qWait(60);
        QVERIFY(boxes.seen.isEmpty());
        QCOMPARE(again.result(), int(QDialog::Accepted));
        QVERIFY(again.getIsUsedStert());
    }

    void captureStoresTheCombination_data()
    {
        QTest::addColumn<KeyEvents>("events");
        QTest::addColumn<QString>("stopCommand");
        QTest::addColumn<QString>("label");
        const int down = platform::WmKeyDown;
        const int sysDown = platform::WmSysKeyDown;
        QTest::newRow("Ctrl+Alt+S") << KeyEvents{{down, 162}, {sysDown, 164}, {sysDown, 83}} << "83,3"
                                    << "Ctrl+Alt+S";
    }
    void captureStoresTheCombination()
    {
        QFETCH(KeyEvents, events);
        QFETCH(QString, stopCommand);
        QFETCH(QString, label);
        auto& fake = installFakeInput();
        auto dialog = std::make_unique<RunDialog>(5, 1, QStringLiteral("83,3"), true);
        const int installs = fake.captureInstallCount();
        child<QPushButton>(*dialog, "hotKeyButton")->click();
        // While the key is awaited the dialog cannot be started or changed.
        QVERIFY(child<QPushButton>(*dialog, "startButton")->isHidden());
        QVERIFY(child<QCheckBox>(*dialog, "checkHotKey")->isHidden());
        QVERIFY(!child<QSpinBox>(*dialog, "stertTimeSpinBox")->isEnabled());
        for (const auto& [message, vk] : events)
            QVERIFY(fake.injectKey(message, vk)); // swallowed
        QTRY_COMPARE(child<QLabel>(*dialog, "hotKeyLabel")->text(), label);
        QVERIFY(!child<QPushButton>(*dialog, "startButton")->isHidden());
        QVERIFY(child<QSpinBox>(*dialog, "stertTimeSpinBox")->isEnabled());
        // The keyboard is given back as soon as the combination is captured; 変更 installs a new capture.
        QVERIFY(!fake.captureActive());
        child<QPushButton>(*dialog, "startButton")->click();
        QCOMPARE(dialog->getStopCommand(), stopCommand);
        for (const auto& [message, vk] : events)
            fake.setKeyDown(vk, false);
        child<QPushButton>(*dialog, "hotKeyButton")->click();
        fake.injectKey(platform::WmKeyDown, 13);
        QTRY_COMPARE(child<QLabel>(*dialog, "hotKeyLabel")->text(), QStringLiteral("Enter"));
        fake.injectKey(platform::WmKeyUp, 13);
        QCOMPARE(fake.captureInstallCount(), installs + 2);
        QTRY_VERIFY(!fake.captureActive());
        dialog.reset();
        QVERIFY(!fake.captureActive());
    }

    void hookFailureIsShownAndRetried()
    {
        auto& fake = installFakeInput();
        RunDialog dialog(5, 1, QStringLiteral("83,3"), true);
        fake.setFailCapture(true);
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("^Failed to install keyboard hook\\. Error: .+")));
        child<QPushButton>(dialog, "hotKeyButton")->click();
        QCOMPARE(child<QLabel>(dialog, "hotKeyLabel")->text(), QStringLiteral("フック失敗"));
        QVERIFY(!child<QPushButton>(dialog, "hotKeyButton")->isHidden());
        QVERIFY(!child<QPushButton>(dialog, "startButton")->isHidden());
        QVERIFY(child<QSpinBox>(dialog, "stertTimeSpinBox")->isEnabled());
        fake.setFailCapture(false);
        child<QPushButton>(dialog, "hotKeyButton")->click();
        QVERIFY(fake.captureActive());
        QVERIFY(child<QPushButton>(dialog, "startButton")->isHidden());
    }

    void closingDuringCaptureRejectsAndRemovesHook()
    {
        auto& fake = installFakeInput();
        auto dialog = std::make_unique<RunDialog>(5, 1, QStringLiteral("83,3"), true);
        dialog->show();
        child<QPushButton>(*dialog, "hotKeyButton")->click();
        QVERIFY(fake.captureActive());
        dialog->close();
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        dialog.reset();
        QVERIFY(!fake.captureActive());
    }
};

QTEST_MAIN(TestRunDialog)
#include "tst_rundialog.moc"
