#include "editortest.h"

#include "editor/hoverhidewindow.h"

#include <QComboBox>
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

    // Ctrl+Alt+G stores the pointer position: a pointer page gets exactly three elements, a smooth-move page keeps
    // its travel time.
    void hotKeyStoresPosition_data()
    {
        QTest::addColumn<QString>("kindName");
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("pointer") << QStringLiteral("マウスポインター")
                                 << QStringList{"マウスポインター", "1", "2", "junk"}
                                 << QStringList{"マウスポインター", "-15", "1080"};
        QTest::newRow("smooth move") << QStringLiteral("スムーズムーブ")
                                     << QStringList{"スムーズムーブ", "0", "0", "2.5"}
                                     << QStringList{"スムーズムーブ", "-15", "1080", "2.5"};
    }
    void hotKeyStoresPosition()
    {
        QFETCH(QString, kindName);
        QFETCH(QStringList, before);
        auto window = makeEditor();
        addCommandKind(*window, kindName);
        showProject(*window, {before}, window->list_condition, 1);
        QPushButton* get =
            button(*window, kindName == QStringLiteral("マウスポインター") ? "pointerGetButton" : "smoothGetButton");
        QVERIFY(get->isVisible());
        get->click();
        QVERIFY(fake().hotKeyRegistered(1001));
        QVERIFY(!window->isVisible());
        QVERIFY(hintWindow());

        fake().setPointer(-15, 1080);
        QVERIFY(fake().fireHotKey(1001));
        QTRY_VERIFY(window->isVisible());
        QTEST(window->list_command.at(0), "after");
        QCOMPARE(child<QSpinBox>(*window, "pointerXSpin")->value(), -15);
        QCOMPARE(child<QSpinBox>(*window, "pointerYSpin")->value(), 1080);
        QTRY_VERIFY(!hintWindow());
        QVERIFY(!fake().hotKeyRegistered(1001));
    }

    // When another program holds Ctrl+Alt+G the capture could never end: the editor stays and says why.
    void registrationFailureKeepsEditor()
    {
        auto window = makeEditor();
        addCommandKind(*window, QStringLiteral("マウスポインター"));
        fake().setFailHotKey(true);
        BoxAnswerer answerer;
        button(*window, "pointerGetButton")->click();
        QCOMPARE(answerer.seen.size(), 1);
        QVERIFY(answerer.seen.at(0).text.contains(QStringLiteral("Ctrl+Alt+G")));
        QVERIFY(window->isVisible());
        QVERIFY(!hintWindow());
        QVERIFY(!fake().hotKeyRegistered(1001));
    }

    // Closing the hint by other means (Alt+F4) gives the editor back; closing the window ends the capture too.
    // Either way the hot key is released and the entry is left as it was.
    void leavingTheCaptureReleasesTheHotKey_data()
    {
        QTest::addColumn<bool>("closeWindow");
        QTest::newRow("hint closed") << false;
        QTest::newRow("window closed") << true;
    }
    void leavingTheCaptureReleasesTheHotKey()
    {
        QFETCH(bool, closeWindow);
        auto window = makeEditor();
        addCommandKind(*window, QStringLiteral("マウスポインター"));
        button(*window, "pointerGetButton")->click();
        QVERIFY(fake().hotKeyRegistered(1001));
        if (closeWindow) {
            window.reset();
            QVERIFY(!fake().hotKeyRegistered(1001));
            if (HoverHideWindow* hint = hintWindow())
                hint->close();
            return;
        }
        hintWindow()->close();
        QTRY_VERIFY(window->isVisible());
        QVERIFY(!fake().hotKeyRegistered(1001));
        QCOMPARE(window->list_command.at(0), (QStringList{"マウスポインター", "0", "0"}));
    }

    // "テスト" hides the window, moves the pointer to the stored position a moment later, then comes back.
    void testButtonMovesPointer()
    {
        const QStringList entry{"マウスポインター", "640", "-20"};
        const QPoint target(640, -20);
        auto window = makeEditor();
        addCommandKind(*window, QStringLiteral("マウスポインター"));
        showProject(*window, {entry}, window->list_condition, 1);
        fake().clearEvents();
        button(*window, "testButton")->click();
        QVERIFY(!window->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!fake().events().empty(), 5000);
        const platform::FakeEvent move = fake().events().front();
        QCOMPARE(int(move.kind), int(platform::FakeEvent::Kind::MoveTo));
        QCOMPARE(QPoint(move.x, move.y), target);
        QTRY_VERIFY_WITH_TIMEOUT(window->isVisible(), 5000);
    }
};

QTEST_MAIN(tst_Coordinates)
#include "tst_coordinates.moc"
