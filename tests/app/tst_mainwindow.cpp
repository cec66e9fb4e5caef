// The main window as a whole: what a returning user sees at start, and closing with the question about an unsaved
// project and the configuration written only when the window really closes.

#include "app/orvane.h"
#include "testsupport.h"

#include <QMenuBar>
#include <QPushButton>
#include <QTest>

class tst_MainWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { testsupport::fake(); }
    void init()
    {
        testsupport::writeReturningUser([](settings::Config& c) { c.stertTime = 7; });
    }

    void constructionShowsStartScreenOnly()
    {
        orvane window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.windowTitle(), QStringLiteral("オルヴェイン Free"));
        QCOMPARE(window.minimumSize(), window.maximumSize());
        QVERIFY(!window.menuBar()->isVisible());
        QStringList visible;
        for (QWidget* child : window.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (child->isVisible() && child != window.menuBar())
                visible << child->objectName();
        }
        visible.sort();
        QCOMPARE(visible, (QStringList{"loadProjectButton", "newProjectButton"}));
        QCOMPARE(window.stertTime, 7);
        QCOMPARE(window.list_command, model::EntryList{model::freshCommand()});
    }

    // (unsaved project, confirmation setting, answer) → asked, closed; the configuration is written exactly when
    // the close goes ahead.
    void closing_data()
    {
        QTest::addColumn<bool>("unsaved");
        QTest::addColumn<bool>("askFlag");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("closed");
        QTest::newRow("saved project closes at once") << false << true << int(QMessageBox::No) << false << true;
        QTest::newRow("unsaved, answer Yes") << true << true << int(QMessageBox::Yes) << true << true;
        QTest::newRow("unsaved, answer No") << true << true << int(QMessageBox::No) << true << false;
        QTest::newRow("unsaved, confirmation off") << true << false << int(QMessageBox::No) << false << true;
    }
    void closing()
    {
        QFETCH(bool, unsaved);
        QFETCH(bool, askFlag);
        QFETCH(int, answer);
        QFETCH(bool, asked);
        testsupport::writeReturningUser([askFlag](settings::Config& c) {
            c.stertTime = 7;
            c.isMessageFile = askFlag;
        });
        orvane window;
        window.show();
        if (unsaved)
            window.list_command[0] = model::defaultCommandEntry(model::kind::Click);
        window.stertTime = 42;

        testsupport::BoxAnswerer answerer({QMessageBox::StandardButton(answer)});
        const bool closed = window.close();
        QTEST(closed, "closed");
        QCOMPARE(answerer.seen.size(), asked ? 1 : 0);
        if (asked) {
            QCOMPARE(answerer.seen.at(0).title, QStringLiteral("最終確認"));
            QCOMPARE(answerer.seen.at(0).text, QStringLiteral("プロジェクトが保存されていません。\n終了しますか？"));
        }
        settings::Config saved;
        settings::loadConfig(saved);
        QCOMPARE(saved.stertTime, closed ? 42 : 7);
    }
};

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
