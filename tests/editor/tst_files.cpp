// Saving and loading from the main window: what the window itself adds to the project file functions — the
// messages, the project path, the saved state, the title, the question before an unsaved project is replaced, a
// repaired file counted as unsaved and the recent files.

#include "app/quitsignals.h"
#include "editortest.h"
#include "model/recoverycopy.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <csignal>
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace editortest;
using model::EntryList;

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_Files : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    int dialogs = 0;

    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? file.fileName() : QString();
    }

    // Answers the window's file dialogs with `answer`.
    void answerDialogs(orvane& window, const QString& answer)
    {
        dialogs = 0;
        window.findChild<dialogs::FileChooser*>()->answer = [this, answer](const QString&, const QString&) {
            ++dialogs;
            return answer;
        };
    }

private Q_SLOTS:
    void initTestCase() { fake(); }
    void init() { testsupport::writeReturningUser(); }

    // Unnamed, 上書き保存 asks for a name and completes it; named, it writes at once without a question; 名前を付けて
    // 保存 onto the completed name of a file that exists asks first: "No" keeps the file, "Yes" replaces it. A failed
    // save says why, keeps the path for a retry and leaves the project unsaved.
    void saveAsThenOverwrite()
    {
        auto window = makeEditor();
        addKind(*window, "command", QStringLiteral("クリック"));
        answerDialogs(*window, dir.filePath(QStringLiteral("my.demo")));
        BoxAnswerer answerer({QMessageBox::No, QMessageBox::Yes});
        action(*window, "overwriteSaveAction")->trigger();
        const QString written = dir.filePath(QStringLiteral("my.demo.cmdat"));
        QCOMPARE(dialogs, 1);
        QCOMPARE(window->windowTitle(), QStringLiteral("my"));
        QVERIFY(!asksAsUnsaved(*window));
        QCOMPARE(readAll(written), model::serializeProject(project(*window).commands, project(*window).conditions));

        addKind(*window, "command", QStringLiteral("なし"));
        action(*window, "overwriteSaveAction")->trigger();
        QCOMPARE(dialogs, 1);
        QCOMPARE(answerer.seen.size(), 0);
        const QByteArray saved = model::serializeProject({{"なし"}}, {{"時間", "0.1"}});
        QCOMPARE(readAll(written), saved);

        addKind(*window, "command", QStringLiteral("入力"));
        action(*window, "saveAsAction")->trigger();
        QCOMPARE(answerer.seen.size(), 1);
        QVERIFY(answerer.seen.at(0).text.contains(QStringLiteral("my.demo.cmdat")));
        QCOMPARE(readAll(written), saved);
        action(*window, "saveAsAction")->trigger();
        QCOMPARE(readAll(written), model::serializeProject(project(*window).commands, project(*window).conditions));

        addKind(*window, "command", QStringLiteral("クリック"));
        const QString target = dir.filePath(QStringLiteral("missing-folder/p.cmdat"));
        answerDialogs(*window, target);
        action(*window, "saveAsAction")->trigger();
        QCOMPARE(answerer.seen.size(), 3);
        QCOMPARE(answerer.seen.at(2).title, QStringLiteral("保存エラー"));
        QCOMPARE(answerer.seen.at(2).text, QStringLiteral("ファイルを開けませんでした:%1").arg(target));
        QCOMPARE(window->windowTitle(), QStringLiteral("my"));
        QVERIFY(asksAsUnsaved(*window));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("missing-folder"))); // the path is kept for the retry
        action(*window, "overwriteSaveAction")->trigger();
        QVERIFY(QFile::exists(target));
    }

    // A file that cannot be read leaves the project, its page and its path as they were, so that the next
    // overwrite save never goes over the file that was not read.
    void loadFailureKeepsTheProject()
    {
        const QString bad = writeFile(QStringLiteral("bad.cmdat"), "[]");
        const testsupport::LogCatcher log;
        auto window = openSaved(dir);
        QVERIFY(!log.holds(ThreePages[2][1])); // what a page types is kept out of every log
        button(*window, "nextPageButton")->click();
        answerDialogs(*window, bad);
        BoxAnswerer answerer;
        action(*window, "openAction")->trigger();
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen.at(0).title, QStringLiteral("読み込みエラー"));
        QCOMPARE(project(*window).commands, ThreePages);
        QVERIFY(!asksAsUnsaved(*window));
        QCOMPARE(currentPage(*window), 2);
        QCOMPARE(window->windowTitle(), QStringLiteral("p"));

        addKind(*window, "command", QStringLiteral("なし"));
        action(*window, "overwriteSaveAction")->trigger();
        QCOMPARE(readAll(dir.filePath(QStringLiteral("p.cmdat"))),
                 model::serializeProject(project(*window).commands, project(*window).conditions));
        QCOMPARE(readAll(bad), QByteArray("[]"));
    }

    // Opening, a new project, closing and a logout ask before an unsaved project is lost, when the setting says so,
    // with the answer that keeps it as the default. A loaded or new project starts saved, on page 1, with its own
    // title; a save that was cancelled keeps the window, and the configuration is written exactly when the window
    // closes. SIGTERM, and a logout that may not ask, keep the project as the recovery copy, never in the user's file;
    // the next start offers it (answer: restore or discard) and restores it unsaved, under its file name.
    void asksBeforeDiscarding_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<bool>("setting");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("goesAhead");
        const QString open = QStringLiteral("openAction");
        const QString fresh = QStringLiteral("newFileAction");
        const QString close = QStringLiteral("close");
        QTest::newRow("open, no") << open << true << int(QMessageBox::No) << false;
        QTest::newRow("open, setting off") << open << false << int(QMessageBox::No) << true;
        QTest::newRow("new, yes") << fresh << true << int(QMessageBox::Yes) << true;
        QTest::newRow("new, setting off") << fresh << false << int(QMessageBox::No) << true;
        QTest::newRow("close without saving") << close << true << int(QMessageBox::Discard) << true;
        QTest::newRow("close cancelled") << close << true << int(QMessageBox::Cancel) << false;
        QTest::newRow("close, save cancelled") << close << true << int(QMessageBox::Save) << false;
        QTest::newRow("close, setting off") << close << false << int(QMessageBox::No) << true;
        QTest::newRow("SIGTERM, restored") << QStringLiteral("SIGTERM") << true << int(QMessageBox::Yes) << true;
        const QString logout = QStringLiteral("logout");
        QTest::newRow("logout, discarded") << logout << true << int(QMessageBox::Discard) << true;
        QTest::newRow("logout cancelled") << logout << true << int(QMessageBox::Cancel) << false;
        QTest::newRow("logout, setting off, copy discarded") << logout << false << int(QMessageBox::Discard) << true;
    }
    void asksBeforeDiscarding()
    {
        QFETCH(QString, operation);
        QFETCH(bool, setting);
        QFETCH(int, answer);
        QFETCH(bool, goesAhead);
        const QString path = dir.filePath(QStringLiteral("other.cmdat"));
        QVERIFY(model::writeProjectFile(path, {{"入力", "x", "1"}}, {{"即時"}}).ok());
        testsupport::writeReturningUser();
        auto window = makeEditor();
        window->findChild<QAction*>("confirmPasteAction")->toggle(); // a setting changed, kept only by an end
        const EntryList before = {{"クリック", "左", "0.01"}, {"なし"}};
        const bool ending = operation == "close" || operation == "SIGTERM" || operation == "logout";
        if (ending && operation != "close")
            window->openProjectAtStart(path);
        showProject(*window, before, {{"時間", "0.1"}, {"時間", "0.1"}}, 2);
        action(*window, "confirmSaveAction")->setChecked(setting);
        answerDialogs(*window, operation == "close" ? QString() : path); // closing: the name for the save is refused
        auto answerer = std::make_unique<BoxAnswerer>(std::deque{QMessageBox::StandardButton(answer)});
        QuitSignals quitSignals;
        connect(&quitSignals, &QuitSignals::quitRequested, window.get(), &orvane::finishWithoutQuestion);
        const QString copyPath = QDir(settings::stateDirectory()).filePath(model::RecoveryFileName);
        if (operation == "close")
            QCOMPARE(window->close(), goesAhead);
        else if (operation == "logout")
            QCOMPARE(window->endSession(true), goesAhead);
        else if (operation == "SIGTERM") {
            QCOMPARE(::raise(SIGTERM), 0);
            QTRY_VERIFY(QFile::exists(copyPath));
        } else
            action(*window, operation)->trigger();
        QCOMPARE(answerer->seen.size(), setting && operation != "SIGTERM" ? 1 : 0);
        if (!answerer->seen.isEmpty()) {
            QVERIFY(answerer->seen.at(0).text.startsWith(QStringLiteral("プロジェクトが保存されていません。")));
            const QMessageBox::StandardButton keep = ending ? QMessageBox::Cancel : QMessageBox::No;
            QCOMPARE(answerer->seen.at(0).defaultButton, keep);
        }
        settings::Config saved;
        settings::loadConfig(saved);
        QCOMPARE(saved.isMessagePaste, ending && goesAhead);
        // Kept exactly when the program ended without the user's answer.
        QCOMPARE(QFile::exists(copyPath), ending && operation != "close" && goesAhead && answerer->seen.isEmpty());
        QCOMPARE(readAll(path), model::serializeProject({{"入力", "x", "1"}}, {{"即時"}}));
        if (ending) {
            if (!QFile::exists(copyPath))
                return;
            window.reset();
            window = makeWindow(); // the answer, unused so far, goes to the question of the copy
            QCOMPARE(answerer->seen.size(), 1);
            QCOMPARE(answerer->seen.at(0).title, QStringLiteral("プロジェクトの復元"));
            QVERIFY(!QFile::exists(copyPath));
            answerer.reset();
            const bool restored = answer == QMessageBox::Yes;
            QCOMPARE(project(*window).commands, restored ? before : EntryList{model::freshCommand()});
            if (restored) { // the file the program was started with asks before it replaces the restored project
                BoxAnswerer no;
                window->openProjectAtStart(path);
                QCOMPARE(project(*window).commands, before);
            }
            QCOMPARE(asksAsUnsaved(*window), restored);
            QCOMPARE(window->windowTitle(), restored ? QStringLiteral("other") : QStringLiteral("オルヴェイン Free"));
            return;
        }
        const bool open = operation == "openAction";
        const EntryList after = open ? EntryList{{"入力", "x", "1"}} : EntryList{{"なし"}};
        QCOMPARE(project(*window).commands, goesAhead ? after : before);
        QCOMPARE(dialogs, open && goesAhead ? 1 : 0);
        if (goesAhead) {
            QVERIFY(!asksAsUnsaved(*window));
            QCOMPARE(currentPage(*window), 1);
            QCOMPARE(window->windowTitle(), open ? QStringLiteral("other") : QStringLiteral("新規プロジェクト"));
            QCOMPARE(text(*window, "commandLabel"), after.at(0).at(0));
        }
    }

    // The start screen shows no editor; its "開く" never asks, and shows the editor whatever the dialog gave. A
    // repaired file opens unsaved, with a message once the editor is up.
    void startScreenLoad_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("box"); // the title of the one message box, if any
        QTest::addColumn<bool>("unsaved");
        const QString fresh = QStringLiteral("新規プロジェクト");
        QTest::newRow("cancelled") << QString() << fresh << QString() << false;
        QTest::newRow("unreadable") << QStringLiteral("missing.cmdat") << fresh << QStringLiteral("読み込みエラー")
                                    << false;
        QTest::newRow("loaded") << QStringLiteral("start.cmdat") << QStringLiteral("start") << QString() << false;
        QTest::newRow("repaired") << QStringLiteral("r.cmdat") << QStringLiteral("r")
                                  << QStringLiteral("ファイルの修復") << true;
#ifdef Q_OS_UNIX
        QTest::newRow("FIFO, refused at once")
            << QStringLiteral("fifo.cmdat") << fresh << QStringLiteral("読み込みエラー") << false;
#endif
    }
    void startScreenLoad()
    {
        QFETCH(QString, answer);
        QFETCH(QString, box);
        QVERIFY(model::writeProjectFile(dir.filePath(QStringLiteral("start.cmdat")), {{"なし"}}, {{"即時"}}).ok());
        writeFile(QStringLiteral("r.cmdat"), R"({"list_command": [["クリック"]], "list_condition": [["時間", "2"]]})");
#ifdef Q_OS_UNIX
        if (answer == QLatin1String("fifo.cmdat") && !QFileInfo::exists(dir.filePath(answer)))
            QCOMPARE(mkfifo(QFile::encodeName(dir.filePath(answer)).constData(), 0600), 0);
#endif
        auto window = makeWindow();
        answerDialogs(*window, answer.isEmpty() ? QString() : dir.filePath(answer));
        QVERIFY(!shown(*window, "pageList") && !shown(*window, "menuBar"));
        {
            BoxAnswerer answerer;
            button(*window, "loadProjectButton")->click();
            QTRY_COMPARE(answerer.seen.size(), box.isEmpty() ? 0 : 1);
            if (!box.isEmpty())
                QCOMPARE(answerer.seen.at(0).title, box);
        }
        QVERIFY(!shown(*window, "loadProjectButton"));
        QVERIFY(shown(*window, "pageList"));
        QTEST(window->windowTitle(), "title");
        QTEST(asksAsUnsaved(*window), "unsaved");
    }

    // 保存して終了 writes the project (a failed save keeps the window: tst_mainwindow); the recent-files list
    // survives the restart and reopens it; a file gone since is dropped with a message.
    void saveAndQuitThenRecentFiles()
    {
        {
            auto first = openSaved(dir);
            action(*first, "moveDownAction")->trigger();
            BoxAnswerer answerer({QMessageBox::Save});
            QVERIFY(first->close());
        }
        auto window = makeEditor();
        QAction* recent = action(*window, "recentFileAction1");
        QVERIFY(recent && recent->text().contains(QStringLiteral("p.cmdat")));
        recent->trigger();
        QCOMPARE(project(*window).commands, (EntryList{ThreePages[1], ThreePages[0], ThreePages[2]}));
        QCOMPARE(window->windowTitle(), QStringLiteral("p"));
        QVERIFY(QFile::remove(dir.filePath(QStringLiteral("p.cmdat"))));
        BoxAnswerer answerer;
        recent = action(*window, "recentFileAction1"); // the list was rebuilt by the opening
        QVERIFY(recent);
        recent->trigger();
        QCOMPARE(answerer.seen.size(), 1);
        QVERIFY(!action(*window, "recentFileAction1"));
    }
};

QTEST_MAIN(tst_Files)
#include "tst_files.moc"
