// Key capture: the session on its own against the fake backend's capture, and the editor window around it.

#include "editor/keycapturesession.h"
#include "editortest.h"

using namespace editortest;
using model::EntryList;
using platform::WmKeyDown;
using platform::WmKeyUp;

namespace {

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
    // condition leaves visible; Esc, too, is a combination, so the capture ends by a key or by キャンセル, which
    // gives the previous entry back.
    void captureLocksThePage_data()
    {
        QTest::addColumn<QString>("group");
        QTest::addColumn<bool>("cancel");
        QTest::newRow("operation") << "command" << false;
        QTest::newRow("condition") << "condition" << false;
        QTest::newRow("condition, cancelled") << "condition" << true;
    }
    void captureLocksThePage()
    {
        QFETCH(QString, group);
        QFETCH(bool, cancel);
        auto window = makeEditor();
        button(*window, "nextPageButton")->click();
        addKind(*window, "condition", QStringLiteral("キー"));
        press({13});
        QTRY_COMPARE(window->list_condition.at(1), (QStringList{"キー", "13,0"}));
        const EntryList conditions = window->list_condition;
        addKind(*window, group, QStringLiteral("キー"));
        QVERIFY(fake().captureActive() && shown(*window, "cancelCaptureButton"));
        const QString keyLabel = group + "KeyLabel";
        QCOMPARE(text(*window, keyLabel), QStringLiteral("単一または複数キーを押してください"));
        for (const char* name : {"commandCombo", "conditionCombo", "runButton", "menuBar", "returnPageButton",
                                 "nextPageButton", "pageList", "deletePageButton", "copyButton"})
            QVERIFY2(!widget(*window, name)->isEnabled() || !shown(*window, name), name);
        if (cancel)
            button(*window, "cancelCaptureButton")->click();
        else
            press({162, 65});
        QTRY_VERIFY(!fake().captureActive());
        QVERIFY(!shown(*window, "cancelCaptureButton"));
        if (cancel) {
            QCOMPARE(window->list_condition, conditions);
        } else {
            QCOMPARE(text(*window, keyLabel), QStringLiteral("Ctrl+A"));
            const EntryList& entries = group == "condition" ? window->list_condition : window->list_command;
            QCOMPARE(entries.at(1).at(1), QStringLiteral("65,2"));
        }
        QCOMPARE(currentPage(*window), 2);
        for (const char* name : {"returnPageButton", "pageList", "commandCombo", "menuBar"})
            QVERIFY2(widget(*window, name)->isEnabled() && shown(*window, name), name);
    }

    void closingDuringACaptureRemovesIt()
    {
        auto window = makeEditor();
        addKind(*window, "condition", QStringLiteral("キー"));
        BoxAnswerer answerer({QMessageBox::Discard});
        QVERIFY(window->close());
        window.reset();
        QVERIFY(!fake().captureActive());
    }

    // When the capture cannot be installed the page is left as it was and every control stays usable.
    void failedInstallLeavesAWayOut_data()
    {
        QTest::addColumn<QString>("group");
        QTest::newRow("operation") << "command";
        QTest::newRow("condition") << "condition";
    }
    void failedInstallLeavesAWayOut()
    {
        QFETCH(QString, group);
        auto window = makeEditor();
        addKind(*window, "command", QStringLiteral("クリック"));
        const EntryList commands = window->list_command;
        const EntryList conditions = window->list_condition;
        fake().setFailCapture(true);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("could not be installed")));
        addKind(*window, group, QStringLiteral("キー"));
        QCOMPARE(window->list_command, commands);
        QCOMPARE(window->list_condition, conditions);
        QCOMPARE(text(*window, group + "Label"), QStringLiteral("キーフックに失敗"));
        for (const char* name : {"nextPageButton", "pageList", "addCommandButton", "addConditionButton", "runButton",
                                 "commandCombo", "commandGroup", "conditionGroup", "menuBar"})
            QVERIFY2(shown(*window, name) && widget(*window, name)->isEnabled(), name);

        fake().setFailCapture(false);
        addKind(*window, group, QStringLiteral("キー"));
        press({90});
        QTRY_VERIFY(!fake().captureActive());
        const EntryList& entries = group == "condition" ? window->list_condition : window->list_command;
        QCOMPARE(entries.at(0).at(1), QStringLiteral("90,0"));
    }
};

QTEST_MAIN(tst_KeyCapture)
#include "tst_keycapture.moc"
