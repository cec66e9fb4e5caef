// Keyboard capture in the editor, driven by keyboard events injected into the fake backend's capture.

#include "editortest.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>

using namespace editortest;
using model::EntryList;
using platform::WmKeyDown;
using platform::WmKeyUp;

namespace {

void startCapture(orvane& window, bool forCondition)
{
    if (forCondition)
        addConditionKind(window, QStringLiteral("キー"));
    else
        addCommandKind(window, QStringLiteral("キー"));
}

void press(std::initializer_list<int> keys)
{
    for (int vk : keys)
        fake().injectKey(WmKeyDown, vk);
    for (auto it = std::rbegin(keys); it != std::rend(keys); ++it)
        fake().injectKey(WmKeyUp, *it);
}

} // namespace

class tst_KeyCapture : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { fake(); }
    void init()
    {
        testsupport::writeReturningUser();
        fake().setFailCapture(false);
        for (int vk : {16, 17, 18, 160, 162})
            fake().setKeyDown(vk, false);
    }

    // While a key is awaited nothing else of the window can be used, not even the page controls that a key
    // condition leaves visible; Esc, too, is a combination, so the capture always ends by a key.
    void captureLocksTheWindow_data()
    {
        QTest::addColumn<bool>("forCondition");
        QTest::newRow("operation") << false;
        QTest::newRow("condition") << true;
    }
    void captureLocksTheWindow()
    {
        QFETCH(bool, forCondition);
        auto window = makeEditor();
        window->nextPageButton->click();
        addConditionKind(*window, QStringLiteral("キー"));
        press({13});
        QTRY_COMPARE(window->list_condition.at(1), (QStringList{"キー", "13,0"}));
        startCapture(*window, forCondition);
        QVERIFY(fake().captureActive());
        QLabel* keyLabel = forCondition ? window->conditionKeyLabel : window->commandKeyLabel;
        QCOMPARE(keyLabel->text(), QStringLiteral("単一または複数キーを押してください"));
        for (QWidget* w : std::initializer_list<QWidget*>{window->commandCombo, window->conditionCombo,
                                                          window->runButton, window->menuBar(), window->returnPageButton,
                                                          window->nextPageButton, window->pageList,
                                                          window->deletePageButton, window->copyButton})
            QVERIFY2(!w->isEnabled() || !shown(*window, w), qPrintable(w->objectName()));

        press({27});
        QTRY_VERIFY(!fake().captureActive());
        QCOMPARE(keyLabel->text(), QStringLiteral("Esc"));
        QCOMPARE(window->currentPage, 2);
        for (QWidget* w : std::initializer_list<QWidget*>{window->menuBar(), window->returnPageButton,
                                                          window->pageList, window->commandCombo})
            QVERIFY2(w->isEnabled() && shown(*window, w), qPrintable(w->objectName()));
    }

    void combinationIsStoredAndTheCaptureEnds()
    {
        auto window = makeEditor();
        startCapture(*window, false);
        press({162, 65});
        QTRY_COMPARE(window->list_command.at(0), (QStringList{"キー", "65,2", "0.01"}));
        QCOMPARE(window->commandKeyLabel->text(), QStringLiteral("Ctrl+A"));
        QCOMPARE(rows(window->pageList).at(1), QStringLiteral("1.キー"));
        QVERIFY(!window->keyPollTimer->isActive());
        QVERIFY(!fake().injectKey(WmKeyDown, 66)); // keys reach other applications again
        fake().injectKey(WmKeyUp, 66);
    }

    void keysBeforeATickLeaveTheLastCombination()
    {
        auto window = makeEditor();
        startCapture(*window, false);
        window->keyPollTimer->stop();
        for (int vk : {17, 18, 65, 112})
            fake().injectKey(WmKeyDown, vk);
        QMetaObject::invokeMethod(window.get(), "pollKeystroke");
        QCOMPARE(window->list_command.at(0), (QStringList{"キー", "112,3", "0.01"}));
        for (int vk : {112, 65, 18, 17})
            fake().injectKey(WmKeyUp, vk);
    }

    void addRefusedWhileCapturing()
    {
        auto window = makeEditor();
        startCapture(*window, false);
        const int installs = fake().captureInstallCount();
        window->selectedCommandKind = QStringLiteral("クリック");
        window->selectedConditionKind = QStringLiteral("即時");
        QMetaObject::invokeMethod(window.get(), "addCommand");
        QMetaObject::invokeMethod(window.get(), "addCondition");
        QCOMPARE(window->list_command.at(0), (QStringList{"キー", "", "0.01"}));
        QCOMPARE(window->list_condition.at(0), (QStringList{"時間", "0.1"}));
        QCOMPARE(fake().captureInstallCount(), installs);
    }

    void closingDuringACaptureRemovesIt()
    {
        auto window = makeEditor();
        startCapture(*window, true);
        BoxAnswerer answerer({QMessageBox::Yes});
        QVERIFY(window->close());
        window.reset();
        QVERIFY(!fake().captureActive());
    }

    // When the capture cannot be installed the page is left as it was and every control stays usable.
    void failedInstallLeavesAWayOut_data()
    {
        QTest::addColumn<bool>("forCondition");
        QTest::newRow("operation") << false;
        QTest::newRow("condition") << true;
    }
    void failedInstallLeavesAWayOut()
    {
        QFETCH(bool, forCondition);
        auto window = makeEditor();
        addCommandKind(*window, QStringLiteral("クリック"));
        const EntryList commands = window->list_command;
        const EntryList conditions = window->list_condition;
        fake().setFailCapture(true);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("could not be installed")));
        startCapture(*window, forCondition);
        QCOMPARE(window->list_command, commands);
        QCOMPARE(window->list_condition, conditions);
        QCOMPARE((forCondition ? window->conditionLabel : window->commandLabel)->text(),
                 QStringLiteral("キーフックに失敗"));
        QVERIFY(!window->keyPollTimer->isActive());
        for (QWidget* w : std::initializer_list<QWidget*>{window->nextPageButton, window->pageList,
                                                          window->addCommandButton, window->addConditionButton,
                                                          window->runButton, window->menuBar(), window->commandCombo})
            QVERIFY2(shown(*window, w) && w->isEnabled(), qPrintable(w->objectName()));

        fake().setFailCapture(false);
        startCapture(*window, forCondition);
        press({90});
        QTRY_VERIFY(!fake().captureActive());
        QCOMPARE((forCondition ? window->list_condition : window->list_command).at(0).at(1), QStringLiteral("90,0"));
    }

    // A project file may hold a key operation that was never captured; the page must not be a dead end.
    void pageWithoutCombinationCanBeCapturedAgain()
    {
        auto window = makeEditor();
        window->list_command = EntryList{{"キー", "", "0.01"}};
        window->refreshPage();
        QVERIFY(!shown(*window, window->nextPageButton));
        QVERIFY(shown(*window, window->addCommandButton));
        QVERIFY(window->addCommandButton->isEnabled());
        startCapture(*window, false);
        press({162});
        QTRY_COMPARE(window->list_command.at(0), (QStringList{"キー", "162,0", "0.01"}));
        QVERIFY(shown(*window, window->nextPageButton));
    }

    // Leaving the waiting state by choosing another kind gives every page control back, not only "追加".
    void pageWithoutCombinationLeftByAnotherKind()
    {
        auto window = makeEditor();
        window->list_command = EntryList{{"キー", "", "0.01"}};
        window->refreshPage();
        QVERIFY(!shown(*window, window->pageList));
        window->commandCombo->setCurrentText(QStringLiteral("なし"));
        window->addCommandButton->click();
        for (QWidget* w : std::initializer_list<QWidget*>{window->nextPageButton, window->pageList, window->copyButton,
                                                          window->runButton, window->addCommandButton})
            QVERIFY2(shown(*window, w), qPrintable(w->objectName()));
        QVERIFY(!shown(*window, window->returnPageButton));
    }
};

QTEST_MAIN(tst_KeyCapture)
#include "tst_keycapture.moc"
