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

const QString warningTitle = QStringLiteral("このメッセージを無効化することはできません。");
const QString noticeTitle = QStringLiteral("次回からは表示されません。");

} // namespace

class TestRunDialog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { testsupport::fake(); }
    void init()
    {
        auto& fake = testsupport::fake();
        fake.setFailCapture(false);
        fake.setAbilities(true, true, true, true);
        for (int key : {16, 17, 18, 83, 160, 162, 164})
            fake.setKeyDown(key, false);
    }

    void valuesAreClampedAndReturned_data()
    {
        QTest::addColumn<int>("stertTime");
        QTest::addColumn<int>("runNumber");
        QTest::addColumn<int>("shownStert");
        QTest::addColumn<int>("shownRun");
        QTest::addColumn<bool>("endless"); // accepted as 114514
        QTest::newRow("zeros") << 0 << 0 << 1 << 1 << false;
        QTest::newRow("endless") << 5 << 114514 << 5 << 1 << true;
        QTest::newRow("between 9999 and 114514") << 5 << 20000 << 5 << 9999 << false;
        QTest::newRow("beyond 114514") << -5 << 200000 << 1 << 1 << true;
    }
    void valuesAreClampedAndReturned()
    {
        QFETCH(int, stertTime);
        QFETCH(int, runNumber);
        QFETCH(int, shownStert);
        QFETCH(int, shownRun);
        QFETCH(bool, endless);
        RunDialog dialog(stertTime, runNumber, QStringLiteral("83,3"), true);
        QCOMPARE(child<QSpinBox>(dialog, "stertTimeSpinBox")->value(), shownStert);
        QCOMPARE(child<QSpinBox>(dialog, "runNumberSpinBox")->value(), shownRun);
        QCOMPARE(child<QCheckBox>(dialog, "checkRunNumber")->isChecked(), endless);
        QCOMPARE(child<QSpinBox>(dialog, "runNumberSpinBox")->isHidden(), endless);
        child<QPushButton>(dialog, "startButton")->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.getStertTime(), shownStert);
        QCOMPARE(dialog.getRunNumber(), endless ? 114514 : shownRun);
        QCOMPARE(dialog.getStopCommand(), QStringLiteral("83,3"));
    }

    // "No stop command" does not make an invalid text valid; unchecking it offers Ctrl+Alt+S where there was none.
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
        auto* none = child<QCheckBox>(dialog, "checkHotKey");
        QCOMPARE(child<QLabel>(dialog, "hotKeyLabel")->text(), label);
        QCOMPARE(!child<QPushButton>(dialog, "startButton")->isHidden(), startShown);
        QCOMPARE(none->isChecked(), noneChecked);
        QCOMPARE(child<QPushButton>(dialog, "hotKeyButton")->isHidden(), noneChecked);
        none->setChecked(true);
        QCOMPARE(!child<QPushButton>(dialog, "startButton")->isHidden(), startShown);
        none->setChecked(false);
        QVERIFY(!child<QLabel>(dialog, "hotKeyLabel")->isHidden());
        QVERIFY(!child<QPushButton>(dialog, "hotKeyButton")->isHidden());
        QCOMPARE(child<QLabel>(dialog, "hotKeyLabel")->text(), label);
        if (!startShown)
            return;
        child<QPushButton>(dialog, "startButton")->click();
        QCOMPARE(dialog.getStopCommand(), noneChecked ? QStringLiteral("83,3") : stopCommand);
    }

    // Without a stop command the warning asks every time (No by default, and No stays in the dialog); with one, a
    // notice names it until it has been seen once.
    void startQuestions_data()
    {
        QTest::addColumn<QString>("stopCommand");
        QTest::addColumn<bool>("seenBefore");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("title"); // empty: no box
        QTest::addColumn<bool>("accepted");
        QTest::newRow("none, yes") << "なし" << true << int(QMessageBox::Yes) << warningTitle << true;
        QTest::newRow("none, no") << "なし" << false << int(QMessageBox::No) << warningTitle << false;
        QTest::newRow("first time") << "83,3" << false << int(QMessageBox::Ok) << noticeTitle << true;
        QTest::newRow("seen before") << "83,3" << true << int(QMessageBox::Ok) << QString() << true;
        // No combination can stop a run where keys cannot be watched: the dialog says what does, and asks nothing.
        QTest::newRow("keys not watched") << "83,3" << false << int(QMessageBox::Ok) << QString() << true;
    }
    void startQuestions()
    {
        QFETCH(QString, stopCommand);
        QFETCH(bool, seenBefore);
        QFETCH(int, answer);
        QFETCH(QString, title);
        QFETCH(bool, accepted);
        const bool watched = QByteArray(QTest::currentDataTag()) != "keys not watched";
        testsupport::fake().setAbilities(true, true, true, watched);
        RunDialog dialog(5, 3, stopCommand, seenBefore);
        dialog.show();
        auto* note = child<QLabel>(dialog, "otherStopsLabel");
        QCOMPARE(note && note->isVisible() && note->text().contains(QStringLiteral("orvane --stop")), !watched);
        QCOMPARE(child<QCheckBox>(dialog, "checkHotKey")->isVisible(), watched);
        testsupport::BoxAnswerer boxes({QMessageBox::StandardButton(answer)});
        child<QPushButton>(dialog, "startButton")->click();
        QTest::qWait(30);
        QCOMPARE(boxes.seen.size(), title.isEmpty() ? 0 : 1);
        if (!title.isEmpty()) {
            QCOMPARE(boxes.seen.at(0).title, title);
            QVERIFY(boxes.seen.at(0).text.contains(title == warningTitle ? QStringLiteral("危険ですが実行しますか？")
                                                                         : QStringLiteral("「Ctrl+Alt+S」")));
            if (title == warningTitle)
                QCOMPARE(boxes.seen.at(0).defaultButton, QMessageBox::No);
        }
        QCOMPARE(dialog.result(), int(accepted ? QDialog::Accepted : QDialog::Rejected));
        QCOMPARE(dialog.isVisible(), !accepted);
        // The warning leaves the notice's flag as it was.
        QCOMPARE(dialog.getIsUsedStert(), seenBefore || title == noticeTitle);
        if (accepted)
            QCOMPARE(dialog.getStopCommand(), stopCommand);
        else
            QVERIFY(child<QCheckBox>(dialog, "checkHotKey")->isChecked());
    }

    void captureStoresTheCombination()
    {
        const QList<QPair<int, int>> events{
            {platform::WmKeyDown, 162}, {platform::WmSysKeyDown, 164}, {platform::WmSysKeyDown, 83}};
        auto& fake = testsupport::fake();
        auto dialog = std::make_unique<RunDialog>(5, 1, QStringLiteral("83,3"), true);
        const int installs = fake.captureInstallCount();
        child<QPushButton>(*dialog, "hotKeyButton")->click();
        // While the key is awaited the dialog cannot be started or changed.
        QVERIFY(child<QPushButton>(*dialog, "startButton")->isHidden());
        QVERIFY(child<QCheckBox>(*dialog, "checkHotKey")->isHidden());
        QVERIFY(!child<QSpinBox>(*dialog, "stertTimeSpinBox")->isEnabled());
        for (const auto& [message, vk] : events)
            QVERIFY(fake.injectKey(message, vk)); // swallowed
        QTRY_COMPARE(child<QLabel>(*dialog, "hotKeyLabel")->text(), QStringLiteral("Ctrl+Alt+S"));
        QVERIFY(!child<QPushButton>(*dialog, "startButton")->isHidden());
        QVERIFY(child<QSpinBox>(*dialog, "stertTimeSpinBox")->isEnabled());
        // The keyboard is given back as soon as the combination is captured; 変更 installs a new capture.
        QVERIFY(!fake.captureActive());
        child<QPushButton>(*dialog, "startButton")->click();
        QCOMPARE(dialog->getStopCommand(), QStringLiteral("83,3"));
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

    // A capture that cannot be installed is shown and can be retried; キャンセル ends a capture with the stop command
    // it had; closing during a capture rejects the dialog and gives the keyboard back.
    void hookFailureIsShownAndClosingEndsTheCapture()
    {
        auto& fake = testsupport::fake();
        auto dialog = std::make_unique<RunDialog>(5, 1, QStringLiteral("83,3"), true);
        dialog->show();
        fake.setFailCapture(true);
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("^Failed to install keyboard hook\\. Error: .+")));
        child<QPushButton>(*dialog, "hotKeyButton")->click();
        QCOMPARE(child<QLabel>(*dialog, "hotKeyLabel")->text(), QStringLiteral("フック失敗"));
        QVERIFY(!child<QPushButton>(*dialog, "hotKeyButton")->isHidden());
        QVERIFY(!child<QPushButton>(*dialog, "startButton")->isHidden());
        QVERIFY(child<QSpinBox>(*dialog, "stertTimeSpinBox")->isEnabled());
        fake.setFailCapture(false);
        child<QPushButton>(*dialog, "hotKeyButton")->click();
        QVERIFY(fake.captureActive());
        QVERIFY(child<QPushButton>(*dialog, "startButton")->isHidden());
        child<QPushButton>(*dialog, "cancelCaptureButton")->click();
        QVERIFY(!fake.captureActive());
        QCOMPARE(child<QLabel>(*dialog, "hotKeyLabel")->text(), QStringLiteral("Ctrl+Alt+S"));
        QCOMPARE(dialog->getStopCommand(), QStringLiteral("83,3"));
        QVERIFY(!child<QPushButton>(*dialog, "startButton")->isHidden());
        child<QPushButton>(*dialog, "hotKeyButton")->click();
        dialog->close();
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        dialog.reset();
        QVERIFY(!fake.captureActive());
    }
};

QTEST_MAIN(TestRunDialog)
#include "tst_rundialog.moc"
