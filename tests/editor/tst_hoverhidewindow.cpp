#include "editor/hoverhidewindow.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

class tst_HoverHideWindow : public QObject {
    Q_OBJECT

    QRect area;

private Q_SLOTS:
    void initTestCase()
    {
        area = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(area.width() > 400 && area.height() > 300);
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
};

QTEST_MAIN(tst_HoverHideWindow)
#include "tst_hoverhidewindow.moc"
