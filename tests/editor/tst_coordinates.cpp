// 取得 and テスト of the pointer pages: Ctrl+Alt+G while the editor is hidden, and every other way out of that capture.

#include "editortest.h"

#include "editor/hoverhidewindow.h"

#include <QSpinBox>

using namespace editortest;

namespace {
HoverHideWindow* hintWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* hint = qobject_cast<HoverHideWindow*>(w); hint && hint->isVisible())
            return hint;
    }
    return nullptr;
}

} // namespace

class tst_Coordinates : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { fake(); }
    void init()
    {
        testsupport::writeReturningUser();
        fake().setFailHotKey(false);
        fake().clearEvents();
    }

    // Ctrl+Alt+G stores the pointer position in the page and its spin boxes, then gives the editor back (the pointer
    // page's 取得 takes the other ways out below).
    void hotKeyStoresPosition()
    {
        auto window = makeEditor();
        showProject(*window, {{"スムーズムーブ", "0", "0", "2.5"}}, window->list_condition, 1);
        QVERIFY(shown(*window, "smoothXSpin") && !shown(*window, "pointerGetButton"));
        button(*window, "smoothGetButton")->click();
        QVERIFY(fake().hotKeyRegistered(1001));
        QVERIFY(!window->isVisible());
        QVERIFY(hintWindow());

        fake().setPointer(-15, 1080);
        QVERIFY(fake().fireHotKey(1001));
        QTRY_VERIFY(window->isVisible());
        QCOMPARE(window->list_command.at(0), (QStringList{"スムーズムーブ", "-15", "1080", "2.5"}));
        QCOMPARE(child<QSpinBox>(*window, "smoothXSpin")->value(), -15);
        QCOMPARE(child<QSpinBox>(*window, "smoothYSpin")->value(), 1080);
        QTRY_VERIFY(!hintWindow());
        QVERIFY(!fake().hotKeyRegistered(1001));
    }

    // When another program holds Ctrl+Alt+G the capture could never end: the editor stays and says why.
    void registrationFailureKeepsEditor()
    {
        auto window = makeEditor();
        addKind(*window, "command", QStringLiteral("マウスポインター"));
        QVERIFY(shown(*window, "pointerGetButton") && !shown(*window, "smoothGetButton"));
        fake().setFailHotKey(true);
        BoxAnswerer answerer;
        button(*window, "pointerGetButton")->click();
        QCOMPARE(answerer.seen.size(), 1);
        QVERIFY(answerer.seen.at(0).text.contains(QStringLiteral("Ctrl+Alt+G")));
        QVERIFY(window->isVisible());
        QVERIFY(!hintWindow());
        QVERIFY(!fake().hotKeyRegistered(1001));
    }

    // Escape, or closing the hint by other means (Alt+F4), gives the editor back; closing the window ends the capture
    // too. Either way both hot keys are released and the entry is left as it was.
    void leavingTheCaptureReleasesTheHotKey_data()
    {
        QTest::addColumn<QString>("way");
        QTest::newRow("escape") << "escape";
        QTest::newRow("hint closed") << "hint";
        QTest::newRow("window closed") << "window";
    }
    void leavingTheCaptureReleasesTheHotKey()
    {
        QFETCH(QString, way);
        auto window = makeEditor();
        addKind(*window, "command", QStringLiteral("マウスポインター"));
        button(*window, "pointerGetButton")->click();
        QVERIFY(fake().hotKeyRegistered(1001));
        if (way == "window") {
            window.reset();
            QVERIFY(!fake().hotKeyRegistered(1001) && !fake().hotKeyRegistered(1002));
            if (HoverHideWindow* hint = hintWindow())
                hint->close();
            return;
        }
        if (way == "escape")
            QVERIFY(fake().fireHotKey(1002));
        else
            hintWindow()->close();
        QTRY_VERIFY(window->isVisible());
        QVERIFY(!fake().hotKeyRegistered(1001) && !fake().hotKeyRegistered(1002));
        QCOMPARE(window->list_command.at(0), (QStringList{"マウスポインター", "0", "0"}));
    }

    // "テスト" hides the window, moves the pointer to the stored position a moment later, then comes back.
    void testButtonMovesPointer()
    {
        auto window = makeEditor();
        showProject(*window, {{"マウスポインター", "640", "-20"}}, window->list_condition, 1);
        fake().clearEvents();
        button(*window, "testButton")->click();
        QVERIFY(!window->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!fake().events().empty(), 5000);
        const platform::FakeEvent move = fake().events().front();
        QCOMPARE(int(move.kind), int(platform::FakeEvent::Kind::MoveTo));
        QCOMPARE(QPoint(move.x, move.y), QPoint(640, -20));
        QTRY_VERIFY_WITH_TIMEOUT(window->isVisible(), 5000);
    }
};

QTEST_MAIN(tst_Coordinates)
#include "tst_coordinates.moc"
