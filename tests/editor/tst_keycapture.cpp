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

class tst_KeyCapture : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { initProgram(); }
    void init()
    {
        resetConfig();
        fake().setFailCapture(false);
        for (int vk : {16, 17, 18, 160, 162})
            fake().setKeyDown(vk, false);
    }

    void captureModeWhileWaiting_data();
    void captureModeWhileWaiting();
    void ctrlAForTheOperation();
    void shiftAloneForTheCondition();
    void keysBeforeATickLeaveTheLastCombination();
    void modifierHeldBeforeTheCapture();
    void addRefusedWhileCapturing();
    void closingDuringACaptureRemovesIt();
    void failedInstallLeavesAWayOut_data();
    void failedInstallLeavesAWayOut();
    void pageCannotChangeDuringACapture();
    void pageWithoutCombinationCanBeCapturedAgain();
};

namespace {

void startCapture(orvane& window, bool forCondition)
{
    if (forCondition) {
        window.conditionCombo->setCurrentText(QStringLiteral("キー"));
        window.addConditionButton->click();
    } else {
        window.commandCombo->setCurrentText(QStringLiteral("キー"));
        window.addCommandButton->click();
    }
}

const QString Prompt = QStringLiteral("単一または複数キーを押してください");

} // namespace

void tst_KeyCapture::captureModeWhileWaiting_data()
{
    QTest::addColumn<bool>("forCondition");
    QTest::newRow("operation") << false;
    QTest::newRow("condition") << true;
}

void tst_KeyCapture::captureModeWhileWaiting()
{
    QFETCH(bool, forCondition);
    auto window = makeEditor();
    window->nextPageButton->click(); // page 2 of 2: "←" and "削除" would be shown
    startCapture(*window, forCondition);

    QVERIFY(fake().captureActive());
    QVERIFY(window->keyPollTimer->isActive());
    QCOMPARE(window->keyPollTimer->interval(), 50);
    QCOMPARE(window->captureForCondition, forCondition);
    QLabel* keyLabel = forCondition ? window->conditionKeyLabel : window->commandKeyLabel;
    QCOMPARE(keyLabel->text(), Prompt);
    QVERIFY(shown(*window, keyLabel));
    QVERIFY(!shown(*window, forCondition ? window->conditionSecondsSpin : window->commandSecondsSpin));
    QCOMPARE(window->commandGroup->isEnabled(), forCondition);
    QCOMPARE(window->conditionGroup->isEnabled(), !forCondition);
    for (QWidget* widget : {static_cast<QWidget*>(window->pageGroup), static_cast<QWidget*>(window->commandCombo),
                            static_cast<QWidget*>(window->conditionCombo), static_cast<QWidget*>(window->runButton),
                            static_cast<QWidget*>(window->menuBar())})
        QVERIFY2(!widget->isEnabled(), qPrintable(widget->objectName()));
    for (QWidget* widget :
         {static_cast<QWidget*>(window->nextPageButton), static_cast<QWidget*>(window->returnPageButton),
          static_cast<QWidget*>(window->deletePageButton), static_cast<QWidget*>(window->pageList),
          static_cast<QWidget*>(window->copyButton), static_cast<QWidget*>(window->addCommandButton),
          static_cast<QWidget*>(window->addConditionButton)})
        QVERIFY2(!shown(*window, widget), qPrintable(widget->objectName()));
    if (forCondition)
        QCOMPARE(window->list_condition.at(1), (QStringList{"キー", ""}));
    else
        QCOMPARE(window->list_command.at(1), (QStringList{"キー", "", "0.01"}));

    // Esc, too, is a complete combination: a capture cannot be cancelled, only completed.
    QVERIFY(fake().injectKey(WmKeyDown, 27));
    QVERIFY(fake().injectKey(WmKeyUp, 27));
    QTRY_VERIFY(!window->keyPollTimer->isActive());
    QVERIFY(!fake().captureActive());
    QCOMPARE(keyLabel->text(), QStringLiteral("Esc"));
    QVERIFY(shown(*window, window->returnPageButton));
    QVERIFY(shown(*window, window->deletePageButton));
    QVERIFY(window->menuBar()->isEnabled());
    QVERIFY(window->pageGroup->isEnabled());
}

void tst_KeyCapture::ctrlAForTheOperation()
{
    auto window = makeEditor();
    startCapture(*window, false);
    QVERIFY(fake().injectKey(WmKeyDown, 162));
    QVERIFY(fake().injectKey(WmKeyDown, 65));
    QVERIFY(fake().injectKey(WmKeyUp, 65));
    QVERIFY(fake().injectKey(WmKeyUp, 162));

    QTRY_COMPARE(window->list_command.at(0), (QStringList{"キー", "65,2", "0.01"}));
    QCOMPARE(window->commandKeyLabel->text(), QStringLiteral("Ctrl+A"));
    QVERIFY(shown(*window, window->commandSecondsSpin));
    QCOMPARE(window->commandSecondsSpin->value(), 0.01);
    QVERIFY(shown(*window, window->nextPageButton));
    QVERIFY(shown(*window, window->addCommandButton));
    QVERIFY(window->commandCombo->isEnabled());
    QVERIFY(window->addCommandButton->isEnabled());
    QVERIFY(!window->keyPollTimer->isActive());
    QVERIFY(!fake().captureActive());
    // Keys typed after the capture reach other applications again.
    QVERIFY(!fake().injectKey(WmKeyDown, 66));
    QVERIFY(!fake().injectKey(WmKeyUp, 66));
    QCOMPARE(rows(window->pageList).at(1), QStringLiteral("1.キー"));
}

void tst_KeyCapture::shiftAloneForTheCondition()
{
    auto window = makeEditor();
    window->commandCombo->setCurrentText(QStringLiteral("クリック"));
    window->addCommandButton->click();
    startCapture(*window, true);
    QVERIFY(fake().injectKey(WmKeyDown, 160));
    QVERIFY(fake().injectKey(WmKeyUp, 160));
    QTRY_COMPARE(window->list_condition.at(0), (QStringList{"キー", "160,0"}));
    QCOMPARE(window->conditionKeyLabel->text(), QStringLiteral("Shift"));
    QCOMPARE(window->conditionLabel->text(), QStringLiteral("キー"));
    QCOMPARE(window->list_command.at(0), (QStringList{"クリック", "左", "0.01"}));
    QVERIFY(shown(*window, window->runButton));
}

void tst_KeyCapture::keysBeforeATickLeaveTheLastCombination()
{
    auto window = makeEditor();
    startCapture(*window, false);
    window->keyPollTimer->stop(); // no tick between the keys
    fake().injectKey(WmKeyDown, 17);
    fake().injectKey(WmKeyDown, 18);
    fake().injectKey(WmKeyDown, 65);
    fake().injectKey(WmKeyDown, 112);
    QMetaObject::invokeMethod(window.get(), "pollKeystroke");
    QCOMPARE(window->list_command.at(0), (QStringList{"キー", "112,3", "0.01"}));
    QCOMPARE(window->commandKeyLabel->text(), QStringLiteral("Ctrl+Alt+F1"));
    fake().injectKey(WmKeyUp, 18);
    fake().injectKey(WmKeyUp, 17);
}

void tst_KeyCapture::modifierHeldBeforeTheCapture()
{
    auto window = makeEditor();
    fake().setKeyDown(17, true);
    startCapture(*window, false);
    fake().injectKey(WmKeyDown, 65);
    QTRY_COMPARE(window->list_command.at(0), (QStringList{"キー", "65,2", "0.01"}));
}

void tst_KeyCapture::addRefusedWhileCapturing()
{
    auto window = makeEditor();
    startCapture(*window, false);
    const int installs = fake().captureInstallCount();
    QVERIFY(!window->addCommandButton->isEnabled() || !shown(*window, window->addCommandButton));
    window->selectedCommandKind = QStringLiteral("クリック");
    window->selectedConditionKind = QStringLiteral("即時");
    QMetaObject::invokeMethod(window.get(), "addCommand");
    QMetaObject::invokeMethod(window.get(), "addCondition");
    QCOMPARE(window->list_command.at(0), (QStringList{"キー", "", "0.01"}));
    QCOMPARE(window->list_condition.at(0), (QStringList{"時間", "0.1"}));
    QCOMPARE(fake().captureInstallCount(), installs); // still the one capture
    QVERIFY(fake().captureActive());
    fake().injectKey(WmKeyDown, 66);
    QTRY_COMPARE(window->list_command.at(0), (QStringList{"キー", "66,0", "0.01"}));
}

void tst_KeyCapture::closingDuringACaptureRemovesIt()
{
    auto window = makeEditor();
    startCapture(*window, true);
    QVERIFY(fake().captureActive());
    BoxAnswerer answerer({QMessageBox::Yes}); // the key entry makes the project unsaved
    QVERIFY(window->close());
    window.reset();
    QVERIFY(!fake().captureActive());
    // Nothing is captured any more: the keys reach the desktop.
    QVERIFY(!fake().injectKey(WmKeyDown, 65));
    fake().injectKey(WmKeyUp, 65);
}

void tst_KeyCapture::failedInstallLeavesAWayOut_data()
{
    QTest::addColumn<bool>("forCondition");
    QTest::newRow("operation") << false;
    QTest::newRow("condition") << true;
}

void tst_KeyCapture::failedInstallLeavesAWayOut()
{
    QFETCH(bool, forCondition);
    auto window = makeEditor();
    window->commandCombo->setCurrentText(QStringLiteral("クリック"));
    window->addCommandButton->click();
    window->conditionSecondsSpin->setValue(0.5);
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
    QVERIFY(!fake().captureActive());
    for (QWidget* widget :
         {static_cast<QWidget*>(window->nextPageButton), static_cast<QWidget*>(window->pageList),
          static_cast<QWidget*>(window->addCommandButton), static_cast<QWidget*>(window->addConditionButton),
          static_cast<QWidget*>(window->runButton), static_cast<QWidget*>(window->menuBar())}) {
        QVERIFY2(shown(*window, widget), qPrintable(widget->objectName()));
        QVERIFY2(widget->isEnabled(), qPrintable(widget->objectName()));
    }
    QVERIFY(window->commandCombo->isEnabled());
    QVERIFY(window->conditionCombo->isEnabled());
    QVERIFY(shown(*window, window->commandSecondsSpin));
    QVERIFY(shown(*window, window->conditionSecondsSpin));

    // The user can try again once the desktop allows it.
    fake().setFailCapture(false);
    startCapture(*window, forCondition);
    fake().injectKey(WmKeyDown, 90);
    if (forCondition)
        QTRY_COMPARE(window->list_condition.at(0), (QStringList{"キー", "90,0"}));
    else
        QTRY_COMPARE(window->list_command.at(0), (QStringList{"キー", "90,0", "0.01"}));
    fake().injectKey(WmKeyUp, 90);
}


// With a key condition already set, "→" stays visible while the operation is captured; it must not move the capture
// to another page.
void tst_KeyCapture::pageCannotChangeDuringACapture()
{
    auto window = makeEditor();
    window->nextPageButton->click();
    window->conditionCombo->setCurrentText(QStringLiteral("キー"));
    window->addConditionButton->click();
    fake().injectKey(WmKeyDown, 13);
    fake().injectKey(WmKeyUp, 13);
    QTRY_COMPARE(window->list_condition.at(1), (QStringList{"キー", "13,0"}));

    startCapture(*window, false);
    QVERIFY(shown(*window, window->returnPageButton));
    for (QWidget* w : std::initializer_list<QWidget*>{window->returnPageButton, window->nextPageButton,
                                                      window->pageList, window->deletePageButton})
        QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
    fake().injectKey(WmKeyDown, 65);
    QTRY_COMPARE(window->list_command.at(1), (QStringList{"キー", "65,0", "0.01"}));
    QCOMPARE(window->currentPage, 2);
    QVERIFY(window->returnPageButton->isEnabled());
    QVERIFY(window->pageList->isEnabled());
}

// A project file may hold a key operation that was never captured; the page must not be a dead end.
void tst_KeyCapture::pageWithoutCombinationCanBeCapturedAgain()
{
    auto window = makeEditor();
    window->list_command = EntryList{{"キー", "", "0.01"}};
    window->refreshPage();
    QVERIFY(!shown(*window, window->nextPageButton));
    QVERIFY(shown(*window, window->addCommandButton));
    QVERIFY(window->addCommandButton->isEnabled());
    startCapture(*window, false);
    QVERIFY(fake().captureActive());
    fake().injectKey(WmKeyDown, 162);
    fake().injectKey(WmKeyUp, 162);
    QTRY_COMPARE(window->list_command.at(0), (QStringList{"キー", "162,0", "0.01"}));
    QVERIFY(shown(*window, window->nextPageButton));
}

QTEST_MAIN(tst_KeyCapture)
#include "tst_keycapture.moc"
