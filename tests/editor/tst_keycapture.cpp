// Key capture: the session on its own against the fake backend's capture, and the editor window around it.

#include "editor/keycapturesession.h"
#include "editortest.h"

#include <QGroupBox>

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

    // The last complete combination before a look is the result; removing the capture gives the keys back, and a
    // refused install leaves nothing behind.
    void session()
    {
        {
            editor::KeyCaptureSession capture;
            fake().setFailCapture(true);
            QVERIFY(!capture.start());
            QVERIFY(!capture.isCapturing() && !capture.isInstalled() && !fake().captureActive());
            fake().setFailCapture(false);
            QVERIFY(capture.start());
            QVERIFY(capture.result().isEmpty());
            for (int vk : {17, 18, 65, 112})
                fake().injectKey(WmKeyDown, vk);
            QCOMPARE(capture.result(), QStringLiteral("112,3"));
            for (int vk : {112, 65, 18, 17})
                fake().injectKey(WmKeyUp, vk);
            capture.remove();
            QVERIFY(!fake().injectKey(WmKeyDown, 66)); // keys reach other applications again
            fake().injectKey(WmKeyUp, 66);
            QVERIFY(capture.start());
        }
        QVERIFY(!fake().captureActive()); // gone with the session
    }

    // While a key is awaited nothing that could change the page can be used, not even the page controls that a key
    // condition leaves visible; Esc, too, is a combination, so the capture always ends by a key.
    void captureLocksThePage_data()
    {
        QTest::addColumn<bool>("forCondition");
        QTest::newRow("operation") << false;
        QTest::newRow("condition") << true;
    }
    void captureLocksThePage()
    {
        QFETCH(bool, forCondition);
        auto window = makeEditor();
        button(*window, "nextPageButton")->click();
        addConditionKind(*window, QStringLiteral("キー"));
        press({13});
        QTRY_COMPARE(window->list_condition.at(1), (QStringList{"キー", "13,0"}));
        startCapture(*window, forCondition);
        QVERIFY(fake().captureActive());
        const char* keyLabel = forCondition ? "conditionKeyLabel" : "commandKeyLabel";
        QCOMPARE(text(*window, keyLabel), QStringLiteral("単一または複数キーを押してください"));
        for (const char* name : {"commandCombo", "conditionCombo", "runButton", "menuBar", "returnPageButton",
                                 "nextPageButton", "pageList", "deletePageButton", "copyButton"}) {
            QWidget* w = QLatin1String(name) == QLatin1String("menuBar") ? window->menuBar() : child(*window, name);
            QVERIFY2(!w->isEnabled() || !shown(*window, name), name);
        }
        press({162, 65});
        QTRY_VERIFY(!fake().captureActive());
        QCOMPARE(text(*window, keyLabel), QStringLiteral("Ctrl+A"));
        QCOMPARE((forCondition ? window->list_condition : window->list_command).at(1).at(1), QStringLiteral("65,2"));
        QCOMPARE(currentPage(*window), 2);
        for (const char* name : {"returnPageButton", "pageList", "commandCombo"})
            QVERIFY2(child(*window, name)->isEnabled() && shown(*window, name), name);
        QVERIFY(window->menuBar()->isEnabled() && shown(*window, "menuBar"));
    }

    void closingDuringACaptureRemovesIt()
    {
        auto window = makeEditor();
        startCapture(*window, true);
        BoxAnswerer answerer({QMessageBox::Discard});
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
        QCOMPARE(text(*window, forCondition ? "conditionLabel" : "commandLabel"), QStringLiteral("キーフックに失敗"));
        for (const char* name : {"nextPageButton", "pageList", "addCommandButton", "addConditionButton", "runButton",
                                 "commandCombo", "commandGroup", "conditionGroup"})
            QVERIFY2(shown(*window, name) && child(*window, name)->isEnabled(), name);
        QVERIFY(window->menuBar()->isEnabled() && shown(*window, "menuBar"));

        fake().setFailCapture(false);
        startCapture(*window, forCondition);
        press({90});
        QTRY_VERIFY(!fake().captureActive());
        QCOMPARE((forCondition ? window->list_condition : window->list_command).at(0).at(1), QStringLiteral("90,0"));
    }

    // A project file may hold a key operation that was never captured: "追加" stays, so the page can be captured
    // again, and leaving that state by another kind gives every page control back.
    void pageWithoutCombinationIsNoDeadEnd()
    {
        auto window = makeEditor();
        showProject(*window, {{"キー", "", "0.01"}}, {{"即時"}}, 1);
        QVERIFY(!shown(*window, "nextPageButton"));
        QVERIFY(shown(*window, "addCommandButton") && child(*window, "addCommandButton")->isEnabled());
        startCapture(*window, false);
        press({162});
        QTRY_COMPARE(window->list_command.at(0), (QStringList{"キー", "162,0", "0.01"}));
        QVERIFY(shown(*window, "nextPageButton"));

        showProject(*window, {{"キー", "", "0.01"}}, {{"即時"}}, 1);
        QVERIFY(!shown(*window, "pageList"));
        addCommandKind(*window, QStringLiteral("なし"));
        for (const char* name : {"nextPageButton", "pageList", "copyButton", "runButton", "addCommandButton"})
            QVERIFY2(shown(*window, name), name);
        QVERIFY(!shown(*window, "returnPageButton"));
    }
};

QTEST_MAIN(tst_KeyCapture)
#include "tst_keycapture.moc"
