// Help mode and the information menu of the main window: the 25 help tool tips, the first-run greeting, the version
// box, the browser confirmation and the dialogs the menus open.

#include "messageboxcatcher.h"

#include "app/orvane.h"
#include "dialogs/formurls.h"
#include "dialogs/reportdialog.h"
#include "dialogs/reportdialog2.h"
#include "dialogs/termdialog.h"
#include "platform/fake/fakeservices.h"
#include "settings/config.h"

#include <QAction>
#include <QDesktopServices>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QStandardPaths>
#include <QTest>

namespace {

struct ExpectedTip {
    const char* name;
    QString text;
};

// The help texts, in the order help mode sets them.
const QList<ExpectedTip>& expectedTips()
{
    static const QList<ExpectedTip> tips = {
        {"commandCombo",
         QStringLiteral(
             "追加する操作を指定します。\nなし:何も行われません、条件のみを指定する場合に使用します。\nクリック:"
             "時間を指定してクリックします。\nマウスポインター:"
             "マウスポインターを指定の座標に移動します。\nスムーズムーブ:"
             "実行時のマウスポインターから指定の座標に時間を指定してスムーズに移動します。\nキー:"
             "時間を指定して単一または複数のキーを入力します。\n入力:"
             "1文字当たりの時間を指定して入力します。（日本語対応）\n「クリック」「スムーズムーブ」「キー」は操作が実行"
             "中でも次の操作に進みます、条件で時間を指定して調整してください。\n操作を追加す場合は右の「追加」ボタンを"
             "押してください。")},
        {"addCommandButton", QStringLiteral("右のメニューで設定した操作を追加します。")},
        {"testButton", QStringLiteral("設定している座標にマウスポインターを移動します。")},
        {"commandLabel", QStringLiteral("設定中の操作です。")},
        {"textEdit", QStringLiteral("入力する文章を設定します。（日本語対応）")},
        {"clickCombo", QStringLiteral("クリックの種類を右か左で設定します。")},
        {"commandSecondsSpin", QStringLiteral("時間を指定します。\n操作によって意味が変わります。\nクリック:"
                                              "クリックする時間を指定します。\nスムーズムーブ:"
                                              "マウスポインターが指定した座標に着くまでにかかる時間を指定します。\nキー"
                                              ":キーを入力する時間を指定します。\n入力:"
                                              "1文字当たりを入力するのにかかる時間を指定します。\n単位は秒です。")},
        {"conditionCombo",
         QStringLiteral("追加する条件を指定します。\n時間:次の操作に進むまでの時間を指定します。\n即時:"
                        "何も待たずに次の操作に進みます。\nキー:"
                        "単一または複数のキーを指定して、それが入力された時に次の操作に進みます。")},
        {"addConditionButton", QStringLiteral("右のメニューで設定した条件を追加します。")},
        {"conditionLabel", QStringLiteral("設定中の条件です。")},
        {"conditionSecondsSpin", QStringLiteral("次の操作に進むまでの時間を指定します。")},
        {"returnPageButton", QStringLiteral("前のページに戻ります。")},
        {"runButton", QStringLiteral("現在のプロジェクトを実行します。")},
        {"nextPageButton", QStringLiteral("次のページに進みます。")},
        {"deletePageButton", QStringLiteral("現在のページを削除します。")},
        {"pageCountLabel", QStringLiteral("すべてのページの数と現在のページです。")},
        {"pageList", QStringLiteral("押したページに飛びます、「+」を押すと「+」の位置にページを追加できます。")},
        {"copyButton", QStringLiteral("現在のページをコピーします。")},
        {"pasteButton", QStringLiteral("コピーしたのページをペーストします。")},
        {"pointerXSpin",
         QStringLiteral("マウスポインターのX座標です。\n自分で入力するか「取得」ボタンで簡単に取得できます。")},
        {"pointerYSpin",
         QStringLiteral("マウスポインターのY座標です。\n自分で入力するか「取得」ボタンで簡単に取得できます。")},
        {"pointerGetButton", QStringLiteral("マウスポインターの座標を簡単に取得できます。")},
        {"smoothXSpin",
         QStringLiteral("マウスポインターのX座標です。\n自分で入力するか「取得」ボタンで簡単に取得できます。")},
        {"smoothYSpin",
         QStringLiteral("マウスポインターのY座標です。\n自分で入力するか「取得」ボタンで簡単に取得できます。")},
        {"smoothGetButton", QStringLiteral("マウスポインターの座標を簡単に取得できます。")},
    };
    return tips;
}

void writeConfig(const QJsonObject& object)
{
    QFile file(settings::configFilePath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QJsonDocument(object).toJson());
}

QJsonObject readConfig()
{
    QFile file(settings::configFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

// Records the order in which widgets are told that their tool tip changed.
class ToolTipChangeRecorder : public QObject {
public:
    QStringList names;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ToolTipChange)
            names.append(watched->objectName());
        return false;
    }
};

// Closes the next modal dialog that is not a message box, after noting what it was.
struct ModalDialogSeen {
    QString className;
    QString title;
    QString heading; // the document viewer's heading
    QWidget* parent = nullptr;
};

void closeNextDialog(ModalDialogSeen* seen)
{
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [seen, poll] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || qobject_cast<QMessageBox*>(dialog)) {
            QTimer::singleShot(10, *poll);
            return;
        }
        seen->className = QString::fromLatin1(dialog->metaObject()->className());
        seen->title = dialog->windowTitle();
        seen->parent = dialog->parentWidget();
        if (auto* label = dialog->findChild<QLabel*>(QStringLiteral("titleLabel")))
            seen->heading = label->text();
        dialog->reject();
    };
    QTimer::singleShot(0, *poll);
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
        QStandardPaths::setTestModeEnabled(true);
        platform::setServices(std::make_unique<platform::FakeServices>());
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
        QFile::remove(settings::configFilePath());
        writeConfig({{"is_used_this", true}, {"is_help", false}});
    }

    void noToolTipsWithoutHelpMode();
    void helpModeSetsAndClearsAllTips();
    void helpModeAtStartUp();
    void firstRunGreeting();
    void versionBox();
    void formPages_data();
    void formPages();
    void reportDialogs_data();
    void reportDialogs();
    void documents_data();
    void documents();

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

void TestHelpMode::noToolTipsWithoutHelpMode()
{
    orvane window;
    QVERIFY(!window.helpModeAction->isChecked());
    QVERIFY(toolTips(window).isEmpty());
}

void TestHelpMode::helpModeSetsAndClearsAllTips()
{
    orvane window;
    ToolTipChangeRecorder recorder;
    for (const ExpectedTip& tip : expectedTips())
        window.findChild<QWidget*>(QLatin1String(tip.name))->installEventFilter(&recorder);

    QStringList order;
    for (const ExpectedTip& tip : expectedTips())
        order.append(QLatin1String(tip.name));

    for (int round = 0; round < 2; ++round) {
        recorder.names.clear();
        window.helpModeAction->trigger();
        QVERIFY(window.helpModeAction->isChecked());
        const QMap<QString, QString> tips = toolTips(window);
        QCOMPARE(tips.size(), 25);
        for (const ExpectedTip& tip : expectedTips())
            QCOMPARE(tips.value(QLatin1String(tip.name)), tip.text);
        QCOMPARE(recorder.names, order);

        recorder.names.clear();
        window.helpModeAction->trigger();
        QVERIFY(!window.helpModeAction->isChecked());
        QVERIFY(toolTips(window).isEmpty());
        QCOMPARE(recorder.names, order);
    }
    // The handler leaves the flag to the configuration save.
    QVERIFY(!window.is_help);
}

void TestHelpMode::helpModeAtStartUp()
{
    writeConfig({{"is_used_this", true}, {"is_help", true}});
    orvane window;
    QVERIFY(window.helpModeAction->isChecked());
    QCOMPARE(toolTips(window).size(), 25);
    QCOMPARE(toolTips(window).value(QStringLiteral("runButton")), QStringLiteral("現在のプロジェクトを実行します。"));
}

void TestHelpMode::firstRunGreeting()
{
    QFile::remove(settings::configFilePath());
    MessageBoxCatcher catcher;
    {
        orvane window;
        QCOMPARE(catcher.boxes.size(), 1);
        QCOMPARE(catcher.boxes[0].title, QStringLiteral("はじめまして"));
        QCOMPARE(catcher.boxes[0].text,
                 QStringLiteral("ダウンロードありがとうございます。\n現在はヘルプモードがONになっています。\n"
                                "意味を知りたいボタンや文字などにカーソルを合わせると説明が表示されます。\n"
                                "説明を表示しないようにするにはメニューバーの「ヘルプ」で設定できます。"));
        QCOMPARE(catcher.boxes[0].icon, QMessageBox::Information);
        QVERIFY(!catcher.boxes[0].parentWindowVisible);
        QVERIFY(window.is_used_this);
        QVERIFY(window.helpModeAction->isChecked());
        QCOMPARE(toolTips(window).size(), 25);
        window.show();
        QVERIFY(window.close());
    }
    const QJsonObject saved = readConfig();
    QCOMPARE(saved.value(QStringLiteral("is_used_this")).toBool(), true);
    QCOMPARE(saved.value(QStringLiteral("is_help")).toBool(), true);

    orvane again;
    QTest::qWait(50);
    QCOMPARE(catcher.boxes.size(), 1);
    QVERIFY(again.helpModeAction->isChecked());
}

void TestHelpMode::versionBox()
{
    orvane window;
    MessageBoxCatcher catcher;
    window.versionAction->trigger();
    QCOMPARE(catcher.boxes.size(), 1);
    QCOMPARE(catcher.boxes[0].title, QStringLiteral("情報"));
    QCOMPARE(catcher.boxes[0].text, QStringLiteral("バージョン：1.0\n時間：2026年4月9日0時0分"));
    QCOMPARE(catcher.boxes[0].icon, QMessageBox::Information);
}

void TestHelpMode::formPages_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QUrl>("url");
    QTest::addColumn<bool>("yes");
    QTest::newRow("reply form, yes") << QStringLiteral("replyAction") << dialogs::replyFormUrl() << true;
    QTest::newRow("reply form, no") << QStringLiteral("replyAction") << dialogs::replyFormUrl() << false;
    QTest::newRow("question form, yes") << QStringLiteral("askUsageAction") << dialogs::questionFormUrl() << true;
    QTest::newRow("question form, no") << QStringLiteral("askUsageAction") << dialogs::questionFormUrl() << false;
}

void TestHelpMode::formPages()
{
    QFETCH(QString, action);
    QFETCH(QUrl, url);
    QFETCH(bool, yes);
    QVERIFY(dialogs::replyFormUrl() != dialogs::questionFormUrl());
    orvane window;
    MessageBoxCatcher catcher(yes ? QMessageBox::Yes : QMessageBox::No);
    window.findChild<QAction*>(action)->trigger();
    QCOMPARE(catcher.boxes.size(), 1);
    QCOMPARE(catcher.boxes[0].title, QStringLiteral("確認"));
    QCOMPARE(catcher.boxes[0].text, QStringLiteral("ブラウザを起動します。\n続行しますか？"));
    QCOMPARE(catcher.boxes[0].icon, QMessageBox::Question);
    QCOMPARE(catcher.boxes[0].buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(catcher.boxes[0].defaultButton, QMessageBox::No);
    if (yes)
        QCOMPARE(urls.opened, QList<QUrl>{url});
    else
        QVERIFY(urls.opened.isEmpty());
}

void TestHelpMode::reportDialogs_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("title");
    QTest::newRow("bug") << QStringLiteral("reportBugAction") << QStringLiteral("ReportDialog")
                         << QStringLiteral("バグ報告");
    QTest::newRow("suggestion") << QStringLiteral("reportImprovementAction") << QStringLiteral("ReportDialog2")
                                << QStringLiteral("改善案報告");
}

void TestHelpMode::reportDialogs()
{
    QFETCH(QString, action);
    QFETCH(QString, className);
    QFETCH(QString, title);
    orvane window;
    ModalDialogSeen seen;
    closeNextDialog(&seen);
    window.findChild<QAction*>(action)->trigger();
    QCOMPARE(seen.className, className);
    QCOMPARE(seen.title, title);
    QCOMPARE(seen.parent, &window);
    // The dialog lived on the handler's stack and is gone.
    QVERIFY(window.findChildren<QDialog*>().isEmpty());
}

void TestHelpMode::documents_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("heading");
    QTest::newRow("terms") << QStringLiteral("termsAction") << QStringLiteral("利用規約");
    QTest::newRow("notice") << QStringLiteral("openSourceNoticeAction")
                            << QStringLiteral("オープンソースソフトウェアに関する告知");
    QTest::newRow("qt") << QStringLiteral("qtLibraryInfoAction")
                        << QStringLiteral("Qtライブラリの差替え又は再インストールに関する情報");
    QTest::newRow("lgpl") << QStringLiteral("lgplTextAction") << QStringLiteral("LGPLv3のライセンス文章");
}

void TestHelpMode::documents()
{
    QFETCH(QString, action);
    QFETCH(QString, heading);
    orvane window;
    ModalDialogSeen seen;
    closeNextDialog(&seen);
    window.findChild<QAction*>(action)->trigger();
    QCOMPARE(seen.className, QStringLiteral("TermDialog"));
    QCOMPARE(seen.title, QStringLiteral("オルヴェイン Free"));
    QCOMPARE(seen.heading, heading);
    QCOMPARE(seen.parent, &window);
    QVERIFY(window.findChildren<QDialog*>().isEmpty());
}

QTEST_MAIN(TestHelpMode)
#include "tst_helpmode.moc"
