// The main window as a whole: what a returning user sees at start, closing with the question about an unsaved
// project and the configuration written only when the window really closes, help mode and the information menus.

#include "app/orvane.h"
#include "dialogs/formurls.h"
#include "testsupport.h"

#include <QAction>
#include <QDesktopServices>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

namespace {

// Closes the next modal dialog that is not a message box, after noting what it was.
struct ModalDialogSeen {
    QString className;
    QString title;
    QString heading; // the document viewer's heading
    QWidget* parent = nullptr;
};

void closeNextDialog(ModalDialogSeen* seen)
{
    // Each poll schedules the next by value: a poll that held itself would never be freed.
    QTimer::singleShot(0, [seen] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || qobject_cast<QMessageBox*>(dialog)) {
            QTimer::singleShot(10, [seen] { closeNextDialog(seen); });
            return;
        }
        seen->className = QString::fromLatin1(dialog->metaObject()->className());
        seen->title = dialog->windowTitle();
        seen->parent = dialog->parentWidget();
        if (auto* label = dialog->findChild<QLabel*>(QStringLiteral("titleLabel")))
            seen->heading = label->text();
        dialog->reject();
    });
}

} // namespace

class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};

class tst_MainWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        testsupport::fake();
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &urls, "open");
    }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); }
    void init()
    {
        urls.opened.clear();
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
        QTest::newRow("unsaved, without saving") << true << true << int(QMessageBox::Discard) << true << true;
        QTest::newRow("unsaved, cancelled") << true << true << int(QMessageBox::Cancel) << true << false;
        QTest::newRow("unsaved, save cancelled") << true << true << int(QMessageBox::Save) << true << false;
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
        window.askSaveFileName = [](QWidget*, const QString&, const QString&, const QString&) { return QString(); };

        testsupport::BoxAnswerer answerer({QMessageBox::StandardButton(answer)});
        const bool closed = window.close();
        QTEST(closed, "closed");
        QCOMPARE(answerer.seen.size(), asked ? 1 : 0);
        if (asked) {
            QCOMPARE(answerer.seen.at(0).title, QStringLiteral("最終確認"));
            QCOMPARE(answerer.seen.at(0).text,
                     QStringLiteral("プロジェクトが保存されていません。\n保存して終了しますか？"));
        }
        settings::Config saved;
        settings::loadConfig(saved);
        QCOMPARE(saved.stertTime, closed ? 42 : 7);
    }

    // Help mode sets every tip and clears them all; its state is saved with the configuration and comes back.
    void helpMode()
    {
        {
            orvane window;
            QAction* help = window.findChild<QAction*>(QStringLiteral("helpModeAction"));
            QVERIFY(toolTips(window).isEmpty());
            help->trigger();
            QCOMPARE(toolTips(window).size(), 25);
            help->trigger();
            QVERIFY(toolTips(window).isEmpty());
            help->trigger();
            window.show();
            QVERIFY(window.close());
        }
        orvane window;
        QCOMPARE(toolTips(window).value(QStringLiteral("runButton")),
                 QStringLiteral("現在のプロジェクトを実行します。"));
    }

    void firstRunGreeting()
    {
        QFile::remove(settings::configFilePath());
        testsupport::BoxAnswerer catcher;
        {
            orvane window;
            QCOMPARE(catcher.seen.size(), 1);
            QCOMPARE(catcher.seen[0].title, QStringLiteral("はじめまして"));
            QVERIFY(catcher.seen[0].text.contains(QStringLiteral("ヘルプモードがON")));
            QVERIFY(!catcher.seen[0].parentVisible);
            QCOMPARE(toolTips(window).size(), 25);
            window.show();
            QVERIFY(window.close());
        }
        settings::Config saved;
        settings::loadConfig(saved);
        QVERIFY(saved.isUsedThis && saved.isHelp);

        orvane again;
        QTest::qWait(50);
        QCOMPARE(catcher.seen.size(), 1);
        QCOMPARE(toolTips(again).size(), 25);
    }

    void formPages_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QUrl>("url");
        QTest::addColumn<bool>("yes");
        QTest::newRow("reply form, yes") << QStringLiteral("replyAction") << dialogs::replyFormUrl() << true;
        QTest::newRow("reply form, no") << QStringLiteral("replyAction") << dialogs::replyFormUrl() << false;
        QTest::newRow("question form, yes") << QStringLiteral("askUsageAction") << dialogs::questionFormUrl() << true;
    }

    void formPages()
    {
        QFETCH(QString, action);
        QFETCH(QUrl, url);
        QFETCH(bool, yes);
        QVERIFY(dialogs::replyFormUrl() != dialogs::questionFormUrl());
        orvane window;
        testsupport::BoxAnswerer catcher({yes ? QMessageBox::Yes : QMessageBox::No});
        window.findChild<QAction*>(action)->trigger();
        QCOMPARE(catcher.seen.size(), 1);
        QCOMPARE(catcher.seen[0].title, QStringLiteral("確認"));
        QCOMPARE(catcher.seen[0].text, QStringLiteral("ブラウザを起動します。\n続行しますか？"));
        QCOMPARE(catcher.seen[0].defaultButton, QMessageBox::No);
        if (yes)
            QCOMPARE(urls.opened, QList<QUrl>{url});
        else
            QVERIFY(urls.opened.isEmpty());
    }

    // Each menu entry opens its dialog on the window; the dialog lives on the handler's stack and is gone afterwards.
    void menuDialogs_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("heading"); // the document viewer's heading, else the window title
        QTest::newRow("bug") << "reportBugAction"
                             << "ReportDialog"
                             << "バグ報告";
        QTest::newRow("suggestion") << "reportImprovementAction"
                                    << "ReportDialog2"
                                    << "改善案報告";
        QTest::newRow("terms") << "termsAction"
                               << "TermDialog"
                               << "利用規約";
        QTest::newRow("lgpl") << "lgplTextAction"
                              << "TermDialog"
                              << "LGPLv3のライセンス文章";
    }

    void menuDialogs()
    {
        QFETCH(QString, action);
        orvane window;
        ModalDialogSeen seen;
        closeNextDialog(&seen);
        window.findChild<QAction*>(action)->trigger();
        QTEST(seen.className, "className");
        QTEST(seen.heading.isEmpty() ? seen.title : seen.heading, "heading");
        QCOMPARE(seen.parent, &window);
        QVERIFY(window.findChildren<QDialog*>().isEmpty());
    }

private:
    // Every widget of the window with a non-empty tool tip, by object name.
    static QMap<QString, QString> toolTips(const orvane& window)
    {
        QMap<QString, QString> tips;
        for (QWidget* widget : window.findChildren<QWidget*>()) {
            if (!widget->toolTip().isEmpty())
                tips.insert(widget->objectName(), widget->toolTip());
        }
        return tips;
    }
    UrlRecorder urls;
};

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
