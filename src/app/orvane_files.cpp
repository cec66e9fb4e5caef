// Saving and loading the project file from the main window: the file dialogs, the messages and what a save or a load
// changes in the window.

#include "dialogs/filechooser.h"
#include "editor/editedproject.h"
#include "model/projectfile.h"
#include "orvane.h"
#include "settings/config.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>

namespace {

QString saveErrorTitle()
{
    return QCoreApplication::translate("orvane", "保存エラー");
}

QString loadErrorTitle()
{
    return QCoreApplication::translate("orvane", "読み込みエラー");
}

// A file broken on every one of many pages would make a message box taller than the screen.
QString repairSummary(const QStringList& repairs)
{
    constexpr qsizetype shown = 10;
    QString text = repairs.mid(0, shown).join(QLatin1Char('\n'));
    if (repairs.size() > shown)
        text += QCoreApplication::translate("orvane", "\nほか %1 件").arg(repairs.size() - shown);
    return text;
}

} // namespace

bool orvane::isUnnamedProject() const
{
    return config.filePath == settings::desktopDirectory();
}

void orvane::saveFile1()
{
    saveProjectAs();
}

void orvane::saveFile3()
{
    saveProject();
}

bool orvane::saveProject()
{
    return isUnnamedProject() ? saveProjectAs() : writeProject();
}

bool orvane::saveProjectAs()
{
    const QString caption = tr("名前を付けて保存");
    const QString name = fileChooser->saveFileName(caption, config.filePath, model::ProjectFileFilter);
    if (name.isEmpty())
        return false;
    // The file dialog asked about the name as typed; the extension added here can name another, existing file.
    const QString completed = model::withProjectExtension(name);
    if (completed != name && QFileInfo::exists(completed) &&
        !confirm(tr("%1 は既に存在します。\n置き換えますか？").arg(QFileInfo(completed).fileName())))
        return false;
    // Kept when the write fails: 上書き保存 then retries the chosen name.
    config.filePath = completed;
    return writeProject();
}

void orvane::openRecentFile(const QString& path)
{
    if (!QFileInfo::exists(path)) {
        config.recentFiles.removeAll(path);
        updateRecentMenu();
        QMessageBox::warning(this, loadErrorTitle(),
                             tr("%1 が見つかりません。\n最近使ったファイルから削除しました。").arg(path));
        return;
    }
    if (project->isUnsaved() && config.isMessageFile &&
        !confirm(tr("プロジェクトが保存されていません。\n新しいプロジェクトを読み込みますか？")))
        return;
    const QString previousPath = config.filePath;
    config.filePath = path;
    if (!readProject())
        config.filePath = previousPath;
}

void orvane::rememberRecentFile()
{
    settings::addRecentFile(config.recentFiles, config.filePath);
    updateRecentMenu();
}

void orvane::updateRecentMenu()
{
    // The list changes while one of its own actions is being triggered (opening a recent file moves it to the top):
    // deleting that action inside its own signal would pull it from under Qt, so the old ones go later.
    for (QAction* old : recentMenu->actions()) {
        recentMenu->removeAction(old);
        old->setObjectName(QString());
        old->deleteLater();
    }
    for (int i = 0; i < config.recentFiles.size(); ++i) {
        const QString path = config.recentFiles.at(i);
        QAction* action =
            recentMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(path)));
        action->setObjectName(QStringLiteral("recentFileAction%1").arg(i + 1));
        connect(action, &QAction::triggered, this, [this, path] { openRecentFile(path); });
    }
    recentMenu->setEnabled(!config.recentFiles.isEmpty());
}

void orvane::loadFile1()
{
    if (project->isUnsaved() && config.isMessageFile &&
        !confirm(tr("プロジェクトが保存されていません。\n新しいプロジェクトを読み込みますか？")))
        return;
    const QString startPath = isUnnamedProject() ? config.lastFilePath : config.filePath;
    const QString caption = tr("コマンドデータを読み込み");
    const QString name = fileChooser->openFileName(caption, startPath, model::ProjectFileFilter);
    if (name.isEmpty())
        return;
    // A file that was not read must not become the target of the next overwrite save.
    const QString previousPath = config.filePath;
    config.filePath = name;
    if (!readProject())
        config.filePath = previousPath;
}

void orvane::importedCommand()
{
    config.filePath = settings::desktopDirectory();
    loadFile1();
    openEditor();
}

void orvane::openProjectAtStart(const QString& path)
{
    // A project restored at this start is unsaved: the file handed over must not drop it unasked.
    if (project->isUnsaved() && config.isMessageFile &&
        !confirm(tr("プロジェクトが保存されていません。\n新しいプロジェクトを読み込みますか？")))
        return;
    const QString previousPath = config.filePath;
    config.filePath = QFileInfo(path).absoluteFilePath();
    if (!readProject()) {
        config.filePath = previousPath;
        return;
    }
    openEditor();
}

bool orvane::writeProject()
{
    const model::ProjectFileResult result =
        model::writeProjectFile(config.filePath, project->commands, project->conditions);
    if (!result.ok()) {
        QMessageBox::warning(this, saveErrorTitle(), result.message);
        return false;
    }
    project->markSaved();
    rememberRecentFile();
    QApplication::beep();
    refreshPage();
    return true;
}

bool orvane::readProject()
{
    model::ProjectData read;
    const model::ProjectFileResult result = model::readProjectFile(config.filePath, &read);
    if (!result.ok()) {
        QMessageBox::warning(this, loadErrorTitle(), result.message);
        return false;
    }
    project->commands = std::move(read.commands);
    project->conditions = std::move(read.conditions);
    project->markSaved();
    // A repaired project is not what the file holds: it stays unsaved until written, so closing asks first.
    if (!read.repairs.isEmpty()) {
        project->forgetSaved();
    }
    currentPage = 1;
    resetHistory();
    rememberRecentFile();
    refreshPage();
    QApplication::beep();
    // Told once the editor shows the repaired project, not over the start screen it replaces.
    if (!read.repairs.isEmpty()) {
        const QString text = tr("ファイルの一部が壊れていたため、修復して読み込みました。\n"
                                "保存するまでファイルは修復前のままです。\n\n%1")
                                 .arg(repairSummary(read.repairs));
        QMetaObject::invokeMethod(
            this, [this, text] { QMessageBox::warning(this, tr("ファイルの修復"), text); }, Qt::QueuedConnection);
    }
    return true;
}
