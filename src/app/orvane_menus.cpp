// The menus of the main window, help mode and the information menu: the help tool tips, the first-run greeting, the
// version box, the two form pages opened in the browser, the two report dialogs and the four documents.

#include "orvane.h"

#include "dialogs/documents.h"
#include "dialogs/formurls.h"
#include "dialogs/reportdialog.h"
#include "dialogs/reportdialog2.h"
#include "dialogs/termdialog.h"
#include "panels/conditionpanel.h"
#include "panels/operationpanel.h"
#include "panels/pagepanel.h"

#include "cli/runreport.h"
#include "dialogs/runreportdialog.h"
#include <QAction>
#include <QDesktopServices>
#include <QListWidget>
#include <QLoggingCategory>

#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace {
Q_LOGGING_CATEGORY(lcHelp, "orvane.help")
}

void orvane::buildMenus()
{
    auto makeAction = [this](const char* name, const QString& text) {
        auto* action = new QAction(text, this);
        action->setObjectName(QLatin1String(name));
        return action;
    };
    // A confirmation action copies its checked state into its flag; connected before it becomes checkable.
    auto makeFlagAction = [&](const char* name, const QString& text, bool* flag) {
        QAction* action = makeAction(name, text);
        connect(action, &QAction::toggled, this, [flag](bool checked) { *flag = checked; });
        action->setCheckable(true);
        return action;
    };

    newFileAction = makeAction("newFileAction", QStringLiteral("新規作成"));
    connect(newFileAction, &QAction::triggered, this, &orvane::newFile);
    openAction = makeAction("openAction", QStringLiteral("開く"));
    connect(openAction, &QAction::triggered, this, &orvane::loadFile1);
    saveAsAction = makeAction("saveAsAction", QStringLiteral("名前を付けて保存"));
    connect(saveAsAction, &QAction::triggered, this, &orvane::saveFile1);
    overwriteSaveAction = makeAction("overwriteSaveAction", QStringLiteral("上書き保存"));
    connect(overwriteSaveAction, &QAction::triggered, this, &orvane::saveFile3);
    reportBugAction = makeAction("reportBugAction", QStringLiteral("バグを報告"));
    reportImprovementAction = makeAction("reportImprovementAction", QStringLiteral("改善案を報告"));
    replyAction = makeAction("replyAction", QStringLiteral("返信が必要な場合"));
    confirmSaveAction =
        makeFlagAction("confirmSaveAction", QStringLiteral("ファイルを保存するか確認する"), &config.isMessageFile);
    confirmPasteAction =
        makeFlagAction("confirmPasteAction", QStringLiteral("ページにペーストするか確認する"), &config.isMessagePaste);
    confirmDeleteAction =
        makeFlagAction("confirmDeleteAction", QStringLiteral("ページを削除するか確認する"), &config.isMessageDelete);
    versionAction = makeAction("versionAction", QStringLiteral("バージョン情報"));
    helpModeAction = makeAction("helpModeAction", QStringLiteral("ヘルプモード"));
    connect(helpModeAction, &QAction::toggled, this, [this](bool checked) { setHelpMode(checked); });
    helpModeAction->setCheckable(true);
    askUsageAction = makeAction("askUsageAction", QStringLiteral("使い方を質問する"));
    termsAction = makeAction("termsAction", QStringLiteral("利用規約を見る"));
    openSourceNoticeAction =
        makeAction("openSourceNoticeAction", QStringLiteral("オープンソースソフトウェアに関する告知を見る"));
    qtLibraryInfoAction =
        makeAction("qtLibraryInfoAction", QStringLiteral("Qtライブラリの差替え又は再インストールに関する情報を見る"));
    lgplTextAction = makeAction("lgplTextAction", QStringLiteral("LGPLv3のライセンス文章を見る"));
    connectInformationActions();
    newFileAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    openAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    overwriteSaveAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    saveAsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    // 実行 reaches the menu so that F5 goes with the run button: both exist only while the page can be left.
    runAction = makeAction("runAction", QStringLiteral("実行"));
    runAction->setShortcut(QKeySequence(Qt::Key_F5));
    connect(runAction, &QAction::triggered, this, &orvane::stertRun);

    fileMenu = menuBar()->addMenu(QStringLiteral("ファイル"));
    fileMenu->setObjectName(QStringLiteral("fileMenu"));
    fileMenu->addActions({newFileAction, openAction, overwriteSaveAction, saveAsAction});
    recentMenu = fileMenu->addMenu(QStringLiteral("最近使ったファイル"));
    recentMenu->setObjectName(QStringLiteral("recentMenu"));
    updateRecentMenu();
    fileMenu->addSeparator();
    fileMenu->addAction(runAction);
    QAction* lastRunAction = fileMenu->addAction(QStringLiteral("前回の実行結果"));
    lastRunAction->setObjectName(QStringLiteral("lastRunReportAction"));
    connect(lastRunAction, &QAction::triggered, this, [this] { showLastRunReport(this, cli::reportDirectory()); });
    editMenu = menuBar()->addMenu(QStringLiteral("編集"));
    editMenu->setObjectName(QStringLiteral("editMenu"));
    reportMenu = menuBar()->addMenu(QStringLiteral("報告"));
    reportMenu->setObjectName(QStringLiteral("reportMenu"));
    reportMenu->addActions({reportBugAction, reportImprovementAction, replyAction});
    settingsMenu = menuBar()->addMenu(QStringLiteral("設定"));
    settingsMenu->setObjectName(QStringLiteral("settingsMenu"));
    settingsMenu->addActions({confirmSaveAction, confirmPasteAction, confirmDeleteAction});
    versionMenu = menuBar()->addMenu(QStringLiteral("バージョン"));
    versionMenu->setObjectName(QStringLiteral("versionMenu"));
    versionMenu->addAction(versionAction);
    helpMenu = menuBar()->addMenu(QStringLiteral("ヘルプ"));
    helpMenu->setObjectName(QStringLiteral("helpMenu"));
    helpMenu->addActions({helpModeAction, askUsageAction});
    otherMenu = menuBar()->addMenu(QStringLiteral("その他"));
    otherMenu->setObjectName(QStringLiteral("otherMenu"));
    otherMenu->addActions({termsAction, openSourceNoticeAction, qtLibraryInfoAction, lgplTextAction});
}

QList<std::pair<QWidget*, QString>> orvane::helpToolTips() const
{
    return operationPanel->helpToolTips() + conditionPanel->helpToolTips() + pagePanel->helpToolTips() +
           QList<std::pair<QWidget*, QString>>{{runButton, QStringLiteral("現在のプロジェクトを実行します。")}};
}

void orvane::setHelpMode(bool on)
{
    for (const auto& [widget, text] : helpToolTips())
        widget->setToolTip(on ? text : QString());
}

void orvane::greetFirstRun()
{
    if (config.isUsedThis)
        return;
    QMessageBox::information(this, QStringLiteral("はじめまして"),
                             QStringLiteral("ダウンロードありがとうございます。\n"
                                            "現在はヘルプモードがONになっています。\n"
                                            "意味を知りたいボタンや文字などにカーソルを合わせると説明が表示されます。\n"
                                            "説明を表示しないようにするにはメニューバーの「ヘルプ」で設定できます。"));
    config.isUsedThis = true;
    config.isHelp = true;
}

void orvane::connectInformationActions()
{
    connect(versionAction, &QAction::triggered, this, [this] { showVersionInformation(); });
    connect(replyAction, &QAction::triggered, this, [this] { openFormPage(dialogs::replyFormUrl()); });
    connect(askUsageAction, &QAction::triggered, this, [this] { openFormPage(dialogs::questionFormUrl()); });
    connect(reportBugAction, &QAction::triggered, this, &orvane::reportBug);
    connect(reportImprovementAction, &QAction::triggered, this, &orvane::reportImprovementSuggestion);

    const std::pair<QAction*, dialogs::Document> documents[] = {
        {termsAction, dialogs::Document::TermsOfUse},
        {openSourceNoticeAction, dialogs::Document::OpenSourceNotice},
        {qtLibraryInfoAction, dialogs::Document::QtLibraryInfo},
        {lgplTextAction, dialogs::Document::LgplText},
    };
    for (const auto& [action, document] : documents) {
        connect(action, &QAction::triggered, this,
                [this, document = document] { showDocument(dialogs::documentPath(document)); });
    }
}

void orvane::showVersionInformation()
{
    QMessageBox::information(this, QStringLiteral("情報"), QStringLiteral("バージョン：1.0\n時間：2026年4月9日0時0分"));
}

void orvane::openFormPage(const QUrl& url)
{
    if (QMessageBox::question(this, QStringLiteral("確認"), QStringLiteral("ブラウザを起動します。\n続行しますか？"),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    if (!dialogs::isPermittedFormUrl(url)) {
        qCWarning(lcHelp) << "Refusing to open form page" << url.toString();
        QMessageBox::warning(this, QStringLiteral("エラー"), dialogs::refusedUrlMessage(url));
        return;
    }
    // A browser that cannot be started is not reported; the result is only logged.
    if (!QDesktopServices::openUrl(url))
        qCWarning(lcHelp) << "Could not open form page" << url.toString();
}

void orvane::showDocument(const QString& path)
{
    TermDialog dialog(path, this);
    dialog.exec();
}

void orvane::reportBug()
{
    ReportDialog dialog(this);
    dialog.exec();
}

void orvane::reportImprovementSuggestion()
{
    ReportDialog2 dialog(this);
    dialog.exec();
}
