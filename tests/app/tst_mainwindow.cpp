// The main window as a whole: the greeting, help mode, the information menus and the start of a run. Closing with the
// question about an unsaved project is tested with the other questions before a project is lost, in tst_files.

#include "../run/fakeinput.h"
#include "app/orvane.h"
#include "bundle/translations.h"
#include "cli/projectsummary.h"
#include "cli/runreport.h"
#include "dialogs/formurls.h"
#include "editor/editedproject.h"
#include "model/projectfile.h"
#include "runui/rundialog.h"

#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QListWidget>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QThread>

namespace {

// Runs fn once on the modal dialog of type D once it is open (it runs its own modal loop). Each poll schedules the
// next by value: a poll that held itself would never be freed.
template <class D> void onModal(std::function<void(D*)> fn)
{
    QTimer::singleShot(0, [fn] {
        if (auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget()))
            fn(dialog);
        else
            QTimer::singleShot(10, [fn] { onModal(fn); });
    });
}

void setUpRun(RunDialog* dialog, int runNumber)
{
    dialog->findChild<QSpinBox*>(QStringLiteral("stertTimeSpinBox"))->setValue(1);
    dialog->findChild<QSpinBox*>(QStringLiteral("runNumberSpinBox"))->setValue(runNumber);
    dialog->findChild<QPushButton*>(QStringLiteral("startButton"))->click();
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
        testsupport::fake().clearEvents();
        testsupport::writeReturningUser();
    }

    // The first start greets once, before the window is up, with help mode on; help mode sets the tips and clears
    // them all, and its state is saved with the configuration and comes back.
    void greetingAndHelpMode()
    {
        QFile::remove(settings::configFilePath());
        testsupport::BoxAnswerer catcher;
        {
            orvane window;
            QCOMPARE(catcher.seen.size(), 1);
            QCOMPARE(catcher.seen[0].title, QStringLiteral("はじめまして"));
            QVERIFY(catcher.seen[0].text.contains(QStringLiteral("ヘルプモードがON")));
            QVERIFY(!catcher.seen[0].parentVisible);
            QCOMPARE(toolTips(window).value(QStringLiteral("runButton")),
                     QStringLiteral("現在のプロジェクトを実行します。"));
            QAction* help = window.findChild<QAction*>(QStringLiteral("helpModeAction"));
            help->trigger();
            QVERIFY(toolTips(window).isEmpty());
            window.show();
            QVERIFY(window.close());
        }
        {
            orvane again;
            QVERIFY(toolTips(again).isEmpty());
            again.findChild<QAction*>(QStringLiteral("helpModeAction"))->trigger();
            again.show();
            QVERIFY(again.close());
        }
        orvane third;
        QVERIFY(toolTips(third).contains(QStringLiteral("runButton")));
        QTest::qWait(50);
        QCOMPARE(catcher.seen.size(), 1);
    }

    // Each menu entry opens its dialog on the window, a dialog that lives on the handler's stack and is gone
    // afterwards; a form page opens in the browser only after the question before it (default "No") is answered "Yes".
    void menus_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("seen"); // class, then the viewer's heading, else the box's text or the window title
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QUrl>("url"); // opened in the browser
        const QString ask = QStringLiteral("QMessageBox ブラウザを起動します。\n続行しますか？");
        QTest::newRow("bug") << QStringLiteral("reportBugAction") << QStringLiteral("ReportDialog バグ報告") << false
                             << QUrl();
        QTest::newRow("suggestion") << QStringLiteral("reportImprovementAction")
                                    << QStringLiteral("ReportDialog2 改善案報告") << false << QUrl();
        QTest::newRow("terms") << QStringLiteral("termsAction") << QStringLiteral("TermDialog 利用規約") << false
                               << QUrl();
        QTest::newRow("lgpl") << QStringLiteral("lgplTextAction") << QStringLiteral("TermDialog LGPLv3のライセンス文章")
                              << false << QUrl();
        QTest::newRow("reply form, yes") << QStringLiteral("replyAction") << ask << true << dialogs::replyFormUrl();
        QTest::newRow("reply form, no") << QStringLiteral("replyAction") << ask << false << QUrl();
        QTest::newRow("question form, yes")
            << QStringLiteral("askUsageAction") << ask << true << dialogs::questionFormUrl();
    }
    void menus()
    {
        QFETCH(QString, action);
        QFETCH(bool, yes);
        QFETCH(QUrl, url);
        orvane window;
        QString seen;
        QWidget* parent = nullptr;
        onModal<QDialog>([&](QDialog* dialog) {
            const auto* heading = dialog->findChild<QLabel*>(QStringLiteral("titleLabel"));
            auto* box = qobject_cast<QMessageBox*>(dialog);
            seen = QString::fromLatin1(dialog->metaObject()->className()) + QLatin1Char(' ') +
                   (heading ? heading->text()
                    : box   ? box->text()
                            : dialog->windowTitle());
            parent = dialog->parentWidget();
            if (box && box->defaultButton() == box->button(QMessageBox::No))
                box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
            else
                dialog->reject();
        });
        window.findChild<QAction*>(action)->trigger();
        QTEST(seen, "seen");
        QCOMPARE(parent, &window);
        QVERIFY(window.findChildren<QDialog*>().isEmpty());
        QCOMPARE(urls.opened, url.isEmpty() ? QList<QUrl>{} : QList<QUrl>{url});
    }

    // A cancelled dialog changes nothing; an accepted one stores its values, hides the window for the run and brings it
    // back; a run whose input is not delivered says so over the window.
    void runStartsOnlyWhenAccepted()
    {
        auto& fake = testsupport::fake();
        testsupport::writeReturningUser(
            [](settings::Config& c) { c.stertTime = 7, c.runNumber = 3, c.isUsedStert = true; });
        orvane window;
        window.findChild<editor::EditedProject*>()->replace(
            {{model::kind::Pointer, QStringLiteral("7"), QStringLiteral("8")}}, {{model::kind::Immediate}});
        window.show();
        onModal<RunDialog>([](RunDialog* dialog) {
            dialog->findChild<QSpinBox*>(QStringLiteral("stertTimeSpinBox"))->setValue(99);
            dialog->reject();
        });
        window.findChild<QPushButton*>(QStringLiteral("runButton"))->click();
        QVERIFY(window.isVisible());
        QVERIFY(window.findChildren<QThread*>().isEmpty());

        int shownDelay = 0;
        onModal<RunDialog>([&shownDelay](RunDialog* dialog) {
            shownDelay = dialog->findChild<QSpinBox*>(QStringLiteral("stertTimeSpinBox"))->value();
            setUpRun(dialog, 2);
        });
        window.findChild<QPushButton*>(QStringLiteral("runButton"))->click();
        QCOMPARE(shownDelay, 7);
        QVERIFY(window.isHidden());
        QCOMPARE(window.findChildren<QThread*>().size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(window.isVisible(), 20000);
        QCOMPARE(recorded(fake), (QStringList{"P7,8", "P7,8"}));
        QTRY_VERIFY_WITH_TIMEOUT(window.findChildren<QThread*>().isEmpty(), 10000);

        // A second run is a new, independent one; this time the input does not arrive, and the window says so.
        fake.clearEvents();
        fake.setFailSynthesis(0);
        testsupport::BoxAnswerer boxes;
        int shownCount = 0;
        onModal<RunDialog>([&](RunDialog* dialog) {
            shownDelay = dialog->findChild<QSpinBox*>(QStringLiteral("stertTimeSpinBox"))->value();
            shownCount = dialog->findChild<QSpinBox*>(QStringLiteral("runNumberSpinBox"))->value();
            setUpRun(dialog, 1);
        });
        window.findChild<QPushButton*>(QStringLiteral("runButton"))->click();
        QCOMPARE(std::pair(shownDelay, shownCount), std::pair(1, 2)); // what the accepted dialog handed back
        QVERIFY(window.isHidden());
        QTRY_COMPARE_WITH_TIMEOUT(boxes.seen.size(), 1, 20000);
        fake.setFailSynthesis(-1);
        QVERIFY(boxes.seen.at(0).parentVisible);
        QCOMPARE(boxes.seen.at(0).icon, QMessageBox::Warning);
        QVERIFY(boxes.seen.at(0).text.startsWith(QStringLiteral("1 ページ目: マウスポインターを (7, 8) へ")));
        QVERIFY(recorded(fake).isEmpty());
    }

    void closingDuringARunLetsGoOfEverything()
    {
        auto& fake = testsupport::fake();
        testsupport::writeReturningUser([](settings::Config& c) { c.isUsedStert = true; });
        auto window = std::make_unique<orvane>();
        window->findChild<editor::EditedProject*>()->replace(
            {{model::kind::Key, QStringLiteral("65,2"), QStringLiteral("100")},
             {model::kind::Click, model::LeftButton, QStringLiteral("100")}},
            {{model::kind::Immediate}, {model::kind::Time, QStringLiteral("100")}});
        window->show();
        onModal<RunDialog>([](RunDialog* dialog) { setUpRun(dialog, 1); });
        window->findChild<QPushButton*>(QStringLiteral("runButton"))->click();
        QTRY_VERIFY_WITH_TIMEOUT(fake.heldBySynthesis() == (std::set<int>{-1, 17, 65}), 20000);
        window.reset();
        QVERIFY(fake.heldBySynthesis().empty());
    }

    // In English no text of the window (help mode on), its menus, the greeting and the dialogs the menus open is
    // Japanese. Last: the translation stays installed for the rest of the program.
    void englishShowsNoJapanese()
    {
        // A first start: the greeting, then help mode with its tips.
        testsupport::writeReturningUser(
            [](settings::Config& c) { c.language = settings::Language::English, c.isUsedThis = false; });
        settings::Config config;
        settings::loadConfig(config);
        QVERIFY(bundle::installTranslations(settings::japaneseInterface(config.language), ORVANE_PROGRAM_DIR));
        // The last run's report as a run in English keeps it.
        QDir(cli::reportDirectory()).removeRecursively();
        const QString click = cli::describeOperation({model::kind::Click, model::LeftButton, "1"});
        const cli::ReportRow row{1, 1, 0, 0, click, cli::describeCondition({model::kind::Immediate})};
        const cli::RunReport report{model::unnamedProjectTitle(), {row}, cli::RunOutcome::Stopped, {}};
        QVERIFY(!cli::storeReport(report, cli::reportDirectory()).isEmpty());
        testsupport::BoxAnswerer greeting;
        orvane window;
        window.show();
        window.findChild<QPushButton*>(QStringLiteral("newProjectButton"))->click();
        QStringList japanese = japaneseTexts(&window);
        for (const testsupport::SeenBox& box : greeting.seen)
            japanese << box.title + box.text;
        for (const char* action : {"runAction", "lastRunReportAction", "reportBugAction", "reportImprovementAction",
                                   "versionAction", "languageAutoAction"}) {
            onModal<QDialog>([&japanese](QDialog* dialog) { japanese << japaneseTexts(dialog), dialog->reject(); });
            window.findChild<QAction*>(QLatin1String(action))->trigger();
        }
        japanese.removeAll(QStringLiteral("日本語")); // the language menu names each language in itself
        japanese = japanese.filter(japaneseCharacter);
        QVERIFY2(japanese.isEmpty(), qPrintable(japanese.join(QLatin1Char('|'))));
        QVERIFY(!greeting.seen.isEmpty());
    }

private:
    // Every text, tool tip and title of root and its children and their actions (the menus among them).
    static QStringList japaneseTexts(QWidget* root)
    {
        QStringList texts;
        QList<QWidget*> widgets = root->findChildren<QWidget*>() << root;
        for (QWidget* widget : widgets) {
            texts << widget->windowTitle() << widget->toolTip();
            for (QAction* action : widget->actions())
                texts << action->text() << action->toolTip();
            // Buttons and labels have a text, group boxes a title.
            texts << widget->property("text").toString() << widget->property("title").toString();
            if (auto* combo = qobject_cast<QComboBox*>(widget))
                for (int i = 0; i < combo->count(); ++i)
                    texts << combo->itemText(i);
            if (auto* table = qobject_cast<QTableWidget*>(widget))
                for (int i = 0; i < table->rowCount() * table->columnCount(); ++i)
                    texts << table->horizontalHeaderItem(i % table->columnCount())->text()
                          << table->item(i / table->columnCount(), i % table->columnCount())->text();
            if (auto* list = qobject_cast<QListWidget*>(widget))
                for (int i = 0; i < list->count(); ++i)
                    texts << list->item(i)->text();
        }
        return texts;
    }
    static inline const QRegularExpression japaneseCharacter{
        QStringLiteral("[\\x{3000}-\\x{30FF}\\x{4E00}-\\x{9FFF}\\x{FF00}-\\x{FFEF}]")};

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
