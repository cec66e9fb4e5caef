// The captures of the editor: keys through the editor window (the capture rule itself is tested in tst_actions), and
// 取得 and テスト of the pointer pages, with Ctrl+Alt+G while the editor is hidden behind the hint window.

#include "editor/hoverhidewindow.h"
#include "editortest.h"
#include "keys/virtualkeys.h"

#include <QCursor>
#include <QScreen>
#include <QSpinBox>
#include <QStandardItemModel>

using namespace editortest;
using model::EntryList;
using platform::WmKeyDown;
using platform::WmKeyUp;

namespace {

constexpr int PointKey = vk::ModAlt | vk::ModControl, G = 71, Escape = 27; // Ctrl+Alt+G, and Escape

void press(std::initializer_list<int> keys)
{
    for (int vk : keys)
        fake().injectKey(WmKeyDown, vk);
    for (auto it = std::rbegin(keys); it != std::rend(keys); ++it)
        fake().injectKey(WmKeyUp, *it);
}

HoverHideWindow* hintWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* hint = qobject_cast<HoverHideWindow*>(w); hint && hint->isVisible())
            return hint;
    }
    return nullptr;
}

QWidget* clickCover()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String("clickCaptureWindow") && w->isVisible())
            return w;
    }
    return nullptr;
}

} // namespace

class tst_Captures : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        fake();
        area = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(area.width() > 400 && area.height() > 300);
    }
    void init()
    {
        testsupport::writeReturningUser();
        fake().setFailCapture(false);
        fake().setFailHotKey(false);
        fake().setAbilities(true, true, true, true);
        fake().clearEvents();
        for (int vk : {16, 17, 18, 160, 162})
            fake().setKeyDown(vk, false);
    }

    // While a key is awaited nothing that could change the page can be used, not even the page controls that a key
    // condition leaves visible; Esc, too, is a combination, so the capture ends by a key, by キャンセル, which gives
    // the previous entry back, or with the window.
    void captureLocksThePage_data()
    {
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("way");
        QTest::newRow("operation") << QStringLiteral("command") << QStringLiteral("key");
        QTest::newRow("condition") << QStringLiteral("condition") << QStringLiteral("key");
        QTest::newRow("condition, cancelled") << QStringLiteral("condition") << QStringLiteral("cancel");
        QTest::newRow("operation, window closed") << QStringLiteral("command") << QStringLiteral("close");
    }
    void captureLocksThePage()
    {
        QFETCH(QString, group);
        QFETCH(QString, way);
        auto window = makeEditor();
        button(*window, "nextPageButton")->click();
        addKind(*window, "condition", QStringLiteral("キー"));
        press({13});
        QTRY_COMPARE(project(*window).conditions.at(1), (QStringList{"キー", "13,0"}));
        const EntryList conditions = project(*window).conditions;
        addKind(*window, group, QStringLiteral("キー"));
        QVERIFY(fake().captureActive() && shown(*window, "cancelCaptureButton"));
        const QString keyLabel = group + "KeyLabel";
        QCOMPARE(text(*window, keyLabel), QStringLiteral("単一または複数キーを押してください"));
        for (const char* name : {"commandCombo", "conditionCombo", "runButton", "menuBar", "returnPageButton",
                                 "nextPageButton", "pageList", "deletePageButton", "copyButton"})
            QVERIFY2(!widget(*window, name)->isEnabled() || !shown(*window, name), name);
        if (way == "close") {
            BoxAnswerer answerer({QMessageBox::Discard});
            QVERIFY(window->close());
            window.reset();
            QVERIFY(!fake().captureActive());
            return;
        }
        if (way == "cancel")
            button(*window, "cancelCaptureButton")->click();
        else
            press({162, 65});
        QTRY_VERIFY(!fake().captureActive());
        QVERIFY(!shown(*window, "cancelCaptureButton"));
        if (way == "cancel") {
            QCOMPARE(project(*window).conditions, conditions);
        } else {
            QCOMPARE(text(*window, keyLabel), QStringLiteral("Ctrl+A"));
            const EntryList& entries = group == "condition" ? project(*window).conditions : project(*window).commands;
            QCOMPARE(entries.at(1).at(1), QStringLiteral("65,2"));
        }
        QCOMPARE(currentPage(*window), 2);
        for (const char* name : {"returnPageButton", "pageList", "commandCombo", "menuBar"})
            QVERIFY2(widget(*window, name)->isEnabled() && shown(*window, name), name);
    }

    // When the capture cannot be installed the page is left as it was and every control stays usable, "追加" too for
    // another try (which the run dialog's test makes). Where the desktop's keys cannot be watched a key condition
    // could never be met: it is not offered, and says why, while the key operation stays.
    void failedInstallLeavesAWayOut_data()
    {
        QTest::addColumn<QString>("group");
        QTest::addColumn<bool>("watched");
        QTest::newRow("operation") << "command" << true;
        QTest::newRow("condition") << "condition" << true;
        QTest::newRow("condition, keys not watched") << "condition" << false;
    }
    void failedInstallLeavesAWayOut()
    {
        QFETCH(QString, group);
        QFETCH(bool, watched);
        fake().setAbilities(true, true, true, watched);
        auto window = makeEditor();
        if (!watched) {
            const auto keyItem = [&](const char* combo) {
                return qobject_cast<QStandardItemModel*>(child<QComboBox>(*window, combo)->model())
                    ->findItems(QStringLiteral("キー"))
                    .value(0);
            };
            QVERIFY(!keyItem("conditionCombo")->isEnabled() && keyItem("commandCombo")->isEnabled());
            QVERIFY(keyItem("conditionCombo")->toolTip().contains(QStringLiteral("キーを監視できない")));
            return;
        }
        addKind(*window, "command", QStringLiteral("クリック"));
        const EntryList commands = project(*window).commands;
        const EntryList conditions = project(*window).conditions;
        fake().setFailCapture(true);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("could not be installed")));
        addKind(*window, group, QStringLiteral("キー"));
        QCOMPARE(project(*window).commands, commands);
        QCOMPARE(project(*window).conditions, conditions);
        QCOMPARE(text(*window, group + "Label"), QStringLiteral("キーフックに失敗"));
        for (const char* name : {"nextPageButton", "pageList", "addCommandButton", "addConditionButton", "runButton",
                                 "commandCombo", "commandGroup", "conditionGroup", "menuBar"})
            QVERIFY2(shown(*window, name) && widget(*window, name)->isEnabled(), name);
    }

    // 取得 hides the editor behind a hint until Ctrl+Alt+G stores the pointer position in the page and its spin boxes;
    // Escape, or closing the hint by other means (Alt+F4), gives the editor back with the entry as it was; closing the
    // window ends the capture too. Every way releases both hot keys. When another program holds Ctrl+Alt+G the capture
    // could never end: the editor stays and says why.
    void coordinateCapture_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<QStringList>("after");
        const QStringList kept{"スムーズムーブ", "0", "0", "2.5"};
        QTest::newRow("Ctrl+Alt+G") << "hot key" << QStringList{"スムーズムーブ", "-15", "1080", "2.5"};
        QTest::newRow("escape") << "escape" << kept;
        QTest::newRow("hint closed") << "hint" << kept;
        QTest::newRow("window closed") << "window" << kept;
        QTest::newRow("Ctrl+Alt+G taken") << "taken" << kept;
        QTest::newRow("no hot key: a click") << "click" << QStringList{"スムーズムーブ", "30", "40", "2.5"};
        QTest::newRow("no hot key: escape") << "click escape" << kept;
    }
    void coordinateCapture()
    {
        QFETCH(QString, way);
        QFETCH(QStringList, after);
        auto window = makeEditor();
        if (way == "taken") { // on a pointer page, with its own 取得
            showProject(*window, {{"マウスポインター", "1", "2"}}, project(*window).conditions, 1);
            QVERIFY(shown(*window, "pointerGetButton") && !shown(*window, "smoothGetButton"));
            fake().setFailHotKey(true);
            BoxAnswerer answerer;
            button(*window, "pointerGetButton")->click();
            QCOMPARE(answerer.seen.size(), 1);
            QVERIFY(answerer.seen.at(0).text.contains(QStringLiteral("Ctrl+Alt+G")));
            QVERIFY(window->isVisible() && !hintWindow() && !fake().hotKeyRegistered(PointKey, G));
            return;
        }
        showProject(*window, {{"スムーズムーブ", "0", "0", "2.5"}}, project(*window).conditions, 1);
        QVERIFY(shown(*window, "smoothXSpin") && !shown(*window, "pointerGetButton"));
        if (way.startsWith("click")) { // a cover over the screen takes the next click instead of the hot key
            fake().setAbilities(true, true, false);
            button(*window, "smoothGetButton")->click();
            QWidget* cover = clickCover();
            QVERIFY(cover && !window->isVisible() && !fake().hotKeyRegistered(PointKey, G));
            QCOMPARE(cover->geometry(), QGuiApplication::primaryScreen()->geometry());
            if (way == "click")
                QTest::mouseClick(cover, Qt::LeftButton, {}, QPoint(30, 40));
            else
                QTest::keyClick(cover, Qt::Key_Escape);
            QTRY_VERIFY(window->isVisible() && !clickCover());
            QCOMPARE(project(*window).commands.at(0), after);
            QCOMPARE(child<QSpinBox>(*window, "smoothYSpin")->value(), after.at(2).toInt());
            return;
        }
        button(*window, "smoothGetButton")->click();
        QVERIFY(fake().hotKeyRegistered(PointKey, G) && !window->isVisible() && hintWindow());
        fake().setPointer(-15, 1080);
        if (way == "window") {
            window.reset();
            if (HoverHideWindow* hint = hintWindow())
                hint->close();
        } else {
            if (way == "hint")
                hintWindow()->close();
            else
                QVERIFY(way == "escape" ? fake().fireHotKey(0, Escape) : fake().fireHotKey(PointKey, G));
            QTRY_VERIFY(window->isVisible());
            QCOMPARE(project(*window).commands.at(0), after);
            QCOMPARE(child<QSpinBox>(*window, "smoothXSpin")->value(), after.at(1).toInt());
            QCOMPARE(child<QSpinBox>(*window, "smoothYSpin")->value(), after.at(2).toInt());
        }
        QVERIFY(!fake().hotKeyRegistered(PointKey, G) && !fake().hotKeyRegistered(0, Escape));
        QTRY_VERIFY(!hintWindow());
    }

    // "テスト" hides the window, moves the pointer to the stored position a moment later, then comes back.
    void testButtonMovesPointer()
    {
        auto window = makeEditor();
        showProject(*window, {{"マウスポインター", "640", "-20"}}, project(*window).conditions, 1);
        fake().clearEvents();
        button(*window, "testButton")->click();
        QVERIFY(!window->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!fake().events().empty(), 5000);
        const platform::FakeEvent move = fake().events().front();
        QCOMPARE(int(move.kind), int(platform::FakeEvent::Kind::MoveTo));
        QCOMPARE(QPoint(move.x, move.y), QPoint(640, -20));
        QTRY_VERIFY_WITH_TIMEOUT(window->isVisible(), 5000);
    }

    void keepOnScreen_data()
    {
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<QPoint>("expected"); // offsets from the area's top-left, negative = from bottom-right
        QTest::newRow("inside stays") << QRect(100, 100, 320, 100) << QPoint(100, 100);
        QTest::newRow("past right and bottom") << QRect(10000, 10000, 320, 100) << QPoint(-1, -1);
        QTest::newRow("past left and top") << QRect(-500, -500, 320, 100) << QPoint(20, 20);
    }
    void keepOnScreen()
    {
        QFETCH(QRect, rect);
        QFETCH(QPoint, expected);
        HoverHideWindow window(120, 20);
        const QRect kept = window.keepOnScreen(rect.translated(area.topLeft()));
        const QPoint want = expected == QPoint(-1, -1)
                                ? QPoint(area.right() - rect.width() - 20, area.bottom() - rect.height() - 20)
                                : area.topLeft() + expected;
        QCOMPARE(kept.topLeft(), want);
        QCOMPARE(kept.size(), rect.size());
    }

    // The hint comes up on top in the bottom-right corner, hides when the pointer comes within the distance and
    // returns, at the same place, once it is farther.
    void hidesNearPointerAndReturnsWhenAway()
    {
        QCursor::setPos(area.topLeft() + QPoint(5, 5));
        HoverHideWindow window(120, 20);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.pos(), QPoint(area.right() - window.width() - 20, area.bottom() - window.height() - 20));
        QVERIFY(window.windowFlags() & Qt::WindowStaysOnTopHint);
        const QRect frame = window.frameGeometry();

        QCursor::setPos(frame.topLeft() - QPoint(100, 100)); // within 120 px of the frame
        QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 5000);
        QVERIFY(window.isHiddenByCursor());
        QCOMPARE(window.lastHiddenGeometry(), frame);

        QCursor::setPos(frame.topLeft() - QPoint(110, 0)); // still near: stays hidden
        QTest::qWait(350);
        QVERIFY(!window.isVisible());

        QCursor::setPos(area.topLeft() + QPoint(5, 5));
        QTRY_VERIFY_WITH_TIMEOUT(window.isVisible(), 5000);
        QVERIFY(!window.isHiddenByCursor());
        QCOMPARE(window.pos(), frame.topLeft());
    }

private:
    QRect area;
};

QTEST_MAIN(tst_Captures)
#include "tst_captures.moc"
