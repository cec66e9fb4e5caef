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
#include "platform/inputservices.h"

#include "cli/runreport.h"
#include "dialogs/runreportdialog.h"
#include <QAction>
#include <QActionGroup>
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
    // A checkable action copies its checked state into its configuration flag, and starts from the flag's value.
    auto makeFlagAction = [&](const char* name, const QString& text, bool* flag) {
        QAction* action = makeAction(name, text);
        connect(action, &QAction::toggled, this, [flag](bool checked) { *flag = checked; });
        action->setCheckable(true);
        return action;
    };
    auto addMenu = [this](QMenu* parent, const char* name, const QString& title) {
        QMenu* menu = parent ? parent->addMenu(title) : menuBar()->addMenu(title);
        menu->setObjectName(QLatin1String(name));
        return menu;
    };
    auto addTo = [&](QMenu* menu, const char* name, const QString& text, auto slot, const QKeySequence& keys = {}) {
        QAction* action = makeAction(name, text);
        action->setShortcut(keys);
        connect(action, &QAction::triggered, this, slot);
        menu->addAction(action);
        return action;
    };

    QMenu* fileMenu = addMenu(nullptr, "fileMenu", tr("ファイル"));
    addTo(fileMenu, "newFileAction", tr("新規作成"), &orvane::newFile, QKeySequence(Qt::CTRL | Qt::Key_N));
    addTo(fileMenu, "openAction", tr("開く"), &orvane::loadFile1, QKeySequence(Qt::CTRL | Qt::Key_O));
    addTo(fileMenu, "overwriteSaveAction", tr("上書き保存"), &orvane::saveFile3, QKeySequence(Qt::CTRL | Qt::Key_S));
    addTo(fileMenu, "saveAsAction", tr("名前を付けて保存"), &orvane::saveFile1,
          QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    recentMenu = addMenu(fileMenu, "recentMenu", tr("最近使ったファイル"));
    updateRecentMenu();
    fileMenu->addSeparator();
    // 実行 reaches the menu so that F5 goes with the run button: both exist only while the page can be left.
    addTo(fileMenu, "runAction", tr("実行"), &orvane::stertRun, QKeySequence(Qt::Key_F5));
    addTo(fileMenu, "lastRunReportAction", tr("前回の実行結果"),
          [this] { showLastRunReport(this, cli::reportDirectory()); });

    QMenu* editMenu = addMenu(nullptr, "editMenu", tr("編集"));
    buildEditActions(editMenu);
    editMenu->addSeparator();
    QAction* recordAction =
        addTo(editMenu, "recordAction", tr("記録…"), &orvane::startRecording, QKeySequence(Qt::CTRL | Qt::Key_R));
    if (!platform::services().canRecord()) {
        recordAction->setEnabled(false);
        recordAction->setToolTip(tr("このデスクトップでは操作を記録できません。"));
        editMenu->setToolTipsVisible(true);
    }

    QMenu* reportMenu = addMenu(nullptr, "reportMenu", tr("報告"));
    addTo(reportMenu, "reportBugAction", tr("バグを報告"), [this] { ReportDialog(this).exec(); });
    addTo(reportMenu, "reportImprovementAction", tr("改善案を報告"), [this] { ReportDialog2(this).exec(); });
    addTo(reportMenu, "replyAction", tr("返信が必要な場合"), [this] { openFormPage(dialogs::replyFormUrl()); });

    QMenu* settingsMenu = addMenu(nullptr, "settingsMenu", tr("設定"));
    const std::pair<const char*, std::pair<QString, bool*>> flags[] = {
        {"confirmSaveAction", {tr("ファイルを保存するか確認する"), &config.isMessageFile}},
        {"confirmPasteAction", {tr("ページにペーストするか確認する"), &config.isMessagePaste}},
        {"confirmDeleteAction", {tr("ページを削除するか確認する"), &config.isMessageDelete}},
    };
    for (const auto& [name, flag] : flags) {
        QAction* action = makeFlagAction(name, flag.first, flag.second);
        action->setChecked(*flag.second);
        settingsMenu->addAction(action);
    }
    QMenu* languageMenu = addMenu(settingsMenu, "languageMenu", tr("表示言語"));
    // Each language by its own name, so that a user who cannot read the present one still finds theirs.
    const std::pair<const char*, std::pair<QString, settings::Language>> choices[] = {
        {"languageAutoAction", {tr("自動"), settings::Language::Auto}},
        {"languageJapaneseAction", {QStringLiteral("日本語"), settings::Language::Japanese}},
        {"languageEnglishAction", {QStringLiteral("English"), settings::Language::English}},
    };
    auto* group = new QActionGroup(languageMenu);
    for (const auto& [name, choice] : choices) {
        auto* action = new QAction(choice.first, group);
        action->setObjectName(QLatin1String(name));
        action->setCheckable(true);
        action->setChecked(config.language == choice.second);
        connect(action, &QAction::triggered, this, [this, language = choice.second] {
            if (config.language == language)
                return;
            config.language = language;
            // Every text is set as its widget is made, so the new language takes the next start.
            QMessageBox::information(this, tr("表示言語"), tr("表示言語は次回の起動から切り替わります。"));
        });
        languageMenu->addAction(action);
    }

    QMenu* versionMenu = addMenu(nullptr, "versionMenu", tr("バージョン"));
    addTo(versionMenu, "versionAction", tr("バージョン情報"),
          [this] { QMessageBox::information(this, tr("情報"), tr("バージョン：1.0\n時間：2026年4月9日0時0分")); });

    QMenu* helpMenu = addMenu(nullptr, "helpMenu", tr("ヘルプ"));
    QAction* helpModeAction = makeFlagAction("helpModeAction", tr("ヘルプモード"), &config.isHelp);
    // Connected before it is checked, so that a help mode kept from the last session installs its tips.
    connect(helpModeAction, &QAction::toggled, this, [this](bool checked) { setHelpMode(checked); });
    helpModeAction->setChecked(config.isHelp);
    helpMenu->addAction(helpModeAction);
    addTo(helpMenu, "askUsageAction", tr("使い方を質問する"), [this] { openFormPage(dialogs::questionFormUrl()); });

    QMenu* otherMenu = addMenu(nullptr, "otherMenu", tr("その他"));
    const std::pair<const char*, std::pair<QString, dialogs::Document>> documents[] = {
        {"termsAction", {tr("利用規約を見る"), dialogs::Document::TermsOfUse}},
        {"openSourceNoticeAction",
         {tr("オープンソースソフトウェアに関する告知を見る"), dialogs::Document::OpenSourceNotice}},
        {"qtLibraryInfoAction",
         {tr("Qtライブラリの差替え又は再インストールに関する情報を見る"), dialogs::Document::QtLibraryInfo}},
        {"lgplTextAction", {tr("LGPLv3のライセンス文章を見る"), dialogs::Document::LgplText}},
    };
    for (const auto& [name, document] : documents) {
        addTo(otherMenu, name, document.first,
              [this, which = document.second] { TermDialog(dialogs::documentPath(which), this).exec(); });
    }
}

void orvane::setHelpMode(bool on)
{
    const QList<std::pair<QWidget*, QString>> tips =
        operationPanel->helpToolTips() + conditionPanel->helpToolTips() + pagePanel->helpToolTips() +
        QList<std::pair<QWidget*, QString>>{{runButton, tr("現在のプロジェクトを実行します。")}};
    for (const auto& [widget, text] : tips)
        widget->setToolTip(on ? text : QString());
}

void orvane::greetFirstRun()
{
    if (config.isUsedThis)
        return;
    QMessageBox::information(this, tr("はじめまして"),
                             tr("ダウンロードありがとうございます。\n"
                                "現在はヘルプモードがONになっています。\n"
                                "意味を知りたいボタンや文字などにカーソルを合わせると説明が表示されます。\n"
                                "説明を表示しないようにするにはメニューバーの「ヘルプ」で設定できます。"));
    config.isUsedThis = true;
    config.isHelp = true;
}

void orvane::openFormPage(const QUrl& url)
{
    if (QMessageBox::question(this, tr("確認"), tr("ブラウザを起動します。\n続行しますか？"),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    if (!dialogs::isPermittedFormUrl(url)) {
        qCWarning(lcHelp) << "Refusing to open form page" << url.toString();
        QMessageBox::warning(this, tr("エラー"), dialogs::refusedUrlMessage(url));
        return;
    }
    // A browser that cannot be started is not reported; the result is only logged.
    if (!QDesktopServices::openUrl(url))
        qCWarning(lcHelp) << "Could not open form page" << url.toString();
}
