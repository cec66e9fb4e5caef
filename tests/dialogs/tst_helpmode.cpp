// Help mode and the information menu of the main window: the help tool tips, the first-run greeting, the version
// box, the browser confirmation and the dialogs the menus open.

#include "testsupport.h"

#include "app/orvane.h"
#include "dialogs/formurls.h"
#include "dialogs/reportdialog.h"
#include "dialogs/reportdialog2.h"
#include "dialogs/termdialog.h"

#include <QAction>
#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QStandardPaths>
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

class TestHelpMode : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        testsupport::fake();
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &urls, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &urls, "open");
    }

    void cleanupTestCase()
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QFile::remove(settings::configFilePath());
    }

    void init()
    {
        urls.opened.clear();
        testsupport::writeReturningUser();
    }

    void helpModeSetsAndClearsAllTips()
    {
        orvane window;
        QVERIFY(toolTips(window).isEmpty());
        for (int round = 0; round < 2; ++round) {
            window.helpModeAction->trigger();
            QVERIFY(window.helpModeAction->isChecked());
            QCOMPARE(toolTips(window).size(), 25);
            window.helpModeAction->trigger();
            QVERIFY(toolTips(window).isEmpty());
        }

        // The handler leaves the flag to the configuration save.
        QVERIFY(!window.is_help);
    }

    void helpModeAtStartUp()
    {
        testsupport::writeReturningUser([](settings::Config& c) { c.isHelp = true; });
        orvane window;
        QVERIFY(window.helpModeAction->isChecked());
        QCOMPARE(toolTips(window).size(), 25);
        QCOMPARE(toolTips(window).value(QStringLiteral("runButton")), QStringLiteral("現在のプロジェクトを実行します。"));
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
            QVERIFY(window.is_used_this);
            QVERIFY(window.helpModeAction->isChecked());
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
        QVERIFY(again.helpModeAction->isChecked());
    }

    void versionBox()
    {
        orvane window;
        testsupport::BoxAnswerer catcher;
        window.versionAction->trigger();
        QCOMPARE(catcher.seen.size(), 1);
        QCOMPARE(catcher.seen[0].title, QStringLiteral("情報"));
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
        QTest::newRow("bug") << "reportBugAction" << "ReportDialog" << "バグ報告";
        QTest::newRow("suggestion") << "reportImprovementAction" << "ReportDialog2" << "改善案報告";
        QTest::newRow("terms") << "termsAction" << "TermDialog" << "利用規約";
        QTest::newRow("lgpl") << "lgplTextAction" << "TermDialog" << "LGPLv3のライセンス文章";
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
    static QMap<QString, QString> toolTips(const orvane& window);
    UrlRecorder urls;
};

QMap<QString, QString> TestHelpMode::toolTips(const orvane& window)
{
    QMap<QString, QString> tips;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (!widget->toolTip().isEmpty())
            tips.insert(widget->objectName(), widget->toolTip());
    }
    return tips;
}

QTEST_MAIN(TestHelpMode)
#include "tst_helpmode.moc"
