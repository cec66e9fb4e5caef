// Saving and loading from the main window: the dialogs (answered through the window's file-name hooks), the
// messages, the project path, the saved state and the window title.

#include "editortest.h"
#include "model/projectfile.h"

#include <QComboBox>
#include <QDir>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QLabel>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextEdit>

using namespace editortest;
using model::EntryList;

class tst_Files : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { initProgram(); }
    void init() { resetConfig(); }

    void saveAsAppendsTheExtension_data();
    void saveAsAppendsTheExtension();
    void saveAsCancelledChangesNothing();
    void overwriteSave();
    void saveFailureKeepsTheProjectUnsaved();
    void loadReplacesTheProject();
    void loadFailures_data();
    void loadFailures();
    void openAsksWhileUnsaved_data();
    void openAsksWhileUnsaved();
    void openStartsAtTheRightPath();
    void startScreenLoad_data();
    void startScreenLoad();
    void roundTripThroughTheWindow();

private:
    struct DialogCall {
        QString caption;
        QString startPath;
        QString filter;
    };
    // Installs hooks that answer with `answer` and record each call.
    void answerDialogs(orvane& window, const QString& answer)
    {
        saveCalls.clear();
        openCalls.clear();
        window.askSaveFileName = [this, answer](QWidget*, const QString& caption, const QString& startPath,
                                                const QString& filter) {
            saveCalls.append({caption, startPath, filter});
            return answer;
        };
        window.askOpenFileName = [this, answer](QWidget*, const QString& caption, const QString& startPath,
                                                const QString& filter) {
            openCalls.append({caption, startPath, filter});
            return answer;
        };
    }

    QTemporaryDir dir;
    QList<DialogCall> saveCalls;
    QList<DialogCall> openCalls;
};

namespace {

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void addCommandKind(orvane& window, const QString& kind)
{
    window.commandCombo->setCurrentText(kind);
    window.addCommandButton->click();
}

} // namespace

void tst_Files::saveAsAppendsTheExtension_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("title");
    QTest::newRow("no extension") << "demo"
                                  << "demo.cmdat"
                                  << "demo";
    QTest::newRow("capitals") << "Demo.CMDAT"
                              << "Demo.CMDAT"
                              << "Demo";
    QTest::newRow("other extension") << "notes.txt"
                                     << "notes.txt.cmdat"
                                     << "notes";
    QTest::newRow("several dots") << "my.project.cmdat"
                                  << "my.project.cmdat"
                                  << "my";
}

void tst_Files::saveAsAppendsTheExtension()
{
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    QFETCH(QString, title);
    auto window = makeEditor();
    addCommandKind(*window, QStringLiteral("クリック"));
    answerDialogs(*window, dir.filePath(chosen));
    BoxAnswerer answerer;
    window->saveAsAction->trigger();

    QCOMPARE(answerer.seen.size(), 0);
    QCOMPARE(saveCalls.size(), 1);
    QCOMPARE(saveCalls.at(0).caption, QStringLiteral("名前を付けて保存"));
    QCOMPARE(saveCalls.at(0).startPath, settings::desktopDirectory());
    QCOMPARE(saveCalls.at(0).filter, QStringLiteral("Command Data (*.cmdat);;All Files (*)"));
    QCOMPARE(window->filePath, dir.filePath(written));
    QVERIFY(QFile::exists(dir.filePath(written)));
    QCOMPARE(readAll(dir.filePath(written)), model::serializeProject(window->list_command, window->list_condition));
    QCOMPARE(window->saved_list_command, window->list_command);
    QCOMPARE(window->windowTitle(), title);
    QFile::remove(dir.filePath(written));
}

void tst_Files::saveAsCancelledChangesNothing()
{
    auto window = makeEditor();
    addCommandKind(*window, QStringLiteral("クリック"));
    answerDialogs(*window, QString());
    window->saveAsAction->trigger();
    QCOMPARE(saveCalls.size(), 1);
    QCOMPARE(window->filePath, settings::desktopDirectory());
    QVERIFY(window->saved_list_command != window->list_command);
    QCOMPARE(window->windowTitle(), QStringLiteral("新規プロジェクト"));
}

void tst_Files::overwriteSave()
{
    auto window = makeEditor();
    const QString path = dir.filePath(QStringLiteral("over.cmdat"));
    answerDialogs(*window, path);
    // Unnamed: the overwrite save asks for a name.
    window->overwriteSaveAction->trigger();
    QCOMPARE(saveCalls.size(), 1);
    QCOMPARE(window->filePath, path);

    // Named: written at once, without a dialog and without a question.
    addCommandKind(*window, QStringLiteral("マウスポインター"));
    window->pointerXSpin->setValue(-5);
    BoxAnswerer answerer;
    window->overwriteSaveAction->trigger();
    QCOMPARE(saveCalls.size(), 1);
    QCOMPARE(answerer.seen.size(), 0);
    QCOMPARE(readAll(path), model::serializeProject({{"マウスポインター", "-5", "0"}}, {{"時間", "0.1"}}));
    QCOMPARE(window->saved_list_command, window->list_command);

    // The next save-as offers the current file.
    answerDialogs(*window, QString());
    window->saveAsAction->trigger();
    QCOMPARE(saveCalls.at(0).startPath, path);
}

void tst_Files::saveFailureKeepsTheProjectUnsaved()
{
    auto window = makeEditor();
    addCommandKind(*window, QStringLiteral("クリック"));
    const QString target = dir.filePath(QStringLiteral("missing-folder/p.cmdat"));
    answerDialogs(*window, target);
    BoxAnswerer answerer;
    window->saveAsAction->trigger();
    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(answerer.seen.at(0).title, QStringLiteral("保存エラー"));
    QCOMPARE(answerer.seen.at(0).text, QStringLiteral("ファイルを開けませんでした:%1").arg(target));
    QCOMPARE(answerer.seen.at(0).icon, QMessageBox::Warning);
    QCOMPARE(answerer.seen.at(0).buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    // The chosen name is kept for a retry; the title still names the project as before.
    QCOMPARE(window->filePath, target);
    QCOMPARE(window->windowTitle(), QStringLiteral("新規プロジェクト"));
    QVERIFY(window->saved_list_command != window->list_command);
}

void tst_Files::loadReplacesTheProject()
{
    const QString path = dir.filePath(QStringLiteral("my.project.cmdat"));
    const EntryList commands = {{"クリック", "右", "0.5"}, {"入力", "一行目\n二行目", "3"}};
    const EntryList conditions = {{"即時"}, {"キー", "65,2"}};
    QVERIFY(model::writeProjectFile(path, commands, conditions).ok());

    auto window = makeEditor();
    window->nextPageButton->click();
    window->nextPageButton->click();
    answerDialogs(*window, path);
    BoxAnswerer answerer({QMessageBox::Yes}); // the added pages are not saved
    window->openAction->trigger();
    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(openCalls.size(), 1);
    QCOMPARE(openCalls.at(0).caption, QStringLiteral("コマンドデータを読み込み"));
    QCOMPARE(openCalls.at(0).filter, QStringLiteral("Command Data (*.cmdat);;All Files (*)"));
    QCOMPARE(window->list_command, commands);
    QCOMPARE(window->list_condition, conditions);
    QCOMPARE(window->saved_list_command, commands);
    QCOMPARE(window->saved_list_condition, conditions);
    QCOMPARE(window->currentPage, 1);
    QCOMPARE(window->filePath, path);
    QCOMPARE(window->windowTitle(), QStringLiteral("my"));
    QCOMPARE(window->pageCountLabel->text(), QStringLiteral("1/2"));
    QCOMPARE(window->commandLabel->text(), QStringLiteral("クリック"));
}

void tst_Files::loadFailures_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("text"); // %1 is the path; empty: the parser's message
    QTest::newRow("missing file") << QByteArray() << "ファイルを開けませんでした：%1";
    QTest::newRow("not json") << QByteArray("not json") << "";
    QTest::newRow("array at top") << QByteArray("[]") << "ファイルの形式が正しくありません。";
    QTest::newRow("no pages") << QByteArray("{\"list_command\":[],\"list_condition\":[]}")
                              << "ファイルの形式が正しくありません。";
    QTest::newRow("too large") << QByteArray("huge") << "ファイルが大きすぎます（64 MiB まで）：%1";
}

void tst_Files::loadFailures()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, text);
    const QString path = dir.filePath(QStringLiteral("bad.cmdat"));
    QFile::remove(path);
    if (content == "huge") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(model::MaxProjectFileSize + 1));
    } else if (!content.isEmpty()) {
        QVERIFY(writeBytes(path, content));
    }
    if (text.isEmpty()) {
        QJsonParseError error;
        QJsonDocument::fromJson(content, &error);
        text = QStringLiteral("JSON 解析エラー: %1").arg(error.errorString());
    }

    // A saved, named project on page 2.
    const QString previous = dir.filePath(QStringLiteral("previous.cmdat"));
    auto window = makeEditor();
    window->nextPageButton->click();
    addCommandKind(*window, QStringLiteral("クリック"));
    answerDialogs(*window, previous);
    window->saveAsAction->trigger();
    const EntryList commands = window->list_command;
    const QByteArray previousBytes = readAll(previous);

    answerDialogs(*window, path);
    BoxAnswerer answerer;
    window->openAction->trigger();
    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(answerer.seen.at(0).title, QStringLiteral("読み込みエラー"));
    QCOMPARE(answerer.seen.at(0).text, text.contains(QLatin1String("%1")) ? text.arg(path) : text);
    QCOMPARE(answerer.seen.at(0).buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(window->list_command, commands);
    QCOMPARE(window->saved_list_command, commands);
    QCOMPARE(window->currentPage, 2);
    QCOMPARE(window->filePath, previous);
    QCOMPARE(window->windowTitle(), QStringLiteral("previous"));

    // The overwrite save goes to the project's own file, never over the file that was not read.
    const QByteArray badBytes = content == "huge" ? QByteArray() : readAll(path);
    addCommandKind(*window, QStringLiteral("なし"));
    window->overwriteSaveAction->trigger();
    QVERIFY(readAll(previous) != previousBytes);
    if (content != "huge")
        QCOMPARE(readAll(path), badBytes);
    QFile::remove(path);
}

void tst_Files::openAsksWhileUnsaved_data()
{
    QTest::addColumn<bool>("setting");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("dialogShown");
    QTest::newRow("ask, no") << true << int(QMessageBox::No) << true << false;
    QTest::newRow("ask, yes") << true << int(QMessageBox::Yes) << true << true;
    QTest::newRow("setting off") << false << int(QMessageBox::No) << false << true;
}

void tst_Files::openAsksWhileUnsaved()
{
    QFETCH(bool, setting);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(bool, dialogShown);
    auto window = makeEditor();
    addCommandKind(*window, QStringLiteral("クリック"));
    window->confirmSaveAction->setChecked(setting);
    answerDialogs(*window, QString()); // the dialog, when shown, is cancelled
    BoxAnswerer answerer({QMessageBox::StandardButton(answer)});
    window->openAction->trigger();
    QCOMPARE(answerer.seen.size(), asked ? 1 : 0);
    if (asked) {
        QCOMPARE(answerer.seen.at(0).title, QStringLiteral("最終確認"));
        QCOMPARE(answerer.seen.at(0).text,
                 QStringLiteral("プロジェクトが保存されていません。\n新しいプロジェクトを読み込みますか？"));
        QCOMPARE(answerer.seen.at(0).defaultButton, QMessageBox::No);
    }
    QCOMPARE(openCalls.size(), dialogShown ? 1 : 0);
    QCOMPARE(window->list_command, (EntryList{{"クリック", "左", "0.01"}}));
    QCOMPARE(window->filePath, settings::desktopDirectory());
}

void tst_Files::openStartsAtTheRightPath()
{
    auto window = makeEditor();
    window->lastFilePath = QStringLiteral("/earlier/last.cmdat");
    answerDialogs(*window, QString());
    window->openAction->trigger();
    QCOMPARE(openCalls.at(0).startPath, QStringLiteral("/earlier/last.cmdat"));

    const QString path = dir.filePath(QStringLiteral("named.cmdat"));
    answerDialogs(*window, path);
    window->saveAsAction->trigger();
    answerDialogs(*window, QString());
    window->openAction->trigger();
    QCOMPARE(openCalls.at(0).startPath, path);
}

void tst_Files::startScreenLoad_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("boxes");
    QTest::newRow("cancelled") << ""
                               << "新規プロジェクト" << 0;
    QTest::newRow("unreadable") << "missing.cmdat"
                                << "新規プロジェクト" << 1;
    QTest::newRow("loaded") << "start.cmdat"
                            << "start" << 0;
}

void tst_Files::startScreenLoad()
{
    QFETCH(QString, answer);
    QFETCH(QString, title);
    QFETCH(int, boxes);
    QVERIFY(model::writeProjectFile(dir.filePath(QStringLiteral("start.cmdat")), {{"即時の操作"}}, {{"即時"}}).ok());
    auto window = makeWindow();
    window->filePath = dir.filePath(QStringLiteral("from-config.cmdat"));
    window->lastFilePath = dir.filePath(QStringLiteral("from-config.cmdat"));
    answerDialogs(*window, answer.isEmpty() ? QString() : dir.filePath(answer));
    BoxAnswerer answerer;
    window->loadProjectButton->click();
    QCOMPARE(answerer.seen.size(), boxes); // never the unsaved question
    QCOMPARE(openCalls.size(), 1);
    QCOMPARE(openCalls.at(0).startPath, window->lastFilePath);
    QVERIFY(!shown(*window, window->loadProjectButton));
    QVERIFY(shown(*window, window->pageList));
    QCOMPARE(window->windowTitle(), title);
    if (boxes == 0 && !answer.isEmpty())
        QCOMPARE(window->list_command, (EntryList{{"即時の操作"}}));
    else
        QCOMPARE(window->list_command, (EntryList{{"なし"}}));
}

void tst_Files::roundTripThroughTheWindow()
{
    auto window = makeEditor();
    addCommandKind(*window, QStringLiteral("クリック"));
    window->clickCombo->setCurrentIndex(1);
    window->nextPageButton->click();
    addCommandKind(*window, QStringLiteral("マウスポインター"));
    window->pointerYSpin->setValue(1080);
    window->nextPageButton->click();
    addCommandKind(*window, QStringLiteral("スムーズムーブ"));
    window->smoothXSpin->setValue(-15);
    window->nextPageButton->click();
    addCommandKind(*window, QStringLiteral("入力"));
    window->textEdit->setPlainText(QStringLiteral("日本語\n二行目"));
    window->nextPageButton->click();
    window->conditionCombo->setCurrentText(QStringLiteral("即時"));
    window->addConditionButton->click();
    const EntryList commands = window->list_command;
    const EntryList conditions = window->list_condition;
    QCOMPARE(commands.size(), 5);

    const QString path = dir.filePath(QStringLiteral("ラウンド.cmdat"));
    answerDialogs(*window, path);
    window->saveAsAction->trigger();
    window->newFileAction->trigger(); // saved: no question
    QCOMPARE(window->list_command.size(), 1);
    window->openAction->trigger();
    QCOMPARE(window->list_command, commands);
    QCOMPARE(window->list_condition, conditions);
    QCOMPARE(window->windowTitle(), QStringLiteral("ラウンド"));
    window->returnPageButton->click(); // hidden on page 1: nothing happens
    QCOMPARE(window->currentPage, 1);
    // Page 4 shows its text as saved.
    for (int i = 0; i < 3; ++i)
        window->nextPageButton->click();
    QCOMPARE(window->textEdit->toPlainText(), QStringLiteral("日本語\n二行目"));
}

QTEST_MAIN(tst_Files)
#include "tst_files.moc"
