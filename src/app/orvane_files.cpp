// Saving and loading the project file from the main window: the file dialogs, the messages and what a save or a load
// changes in the window.

#include "model/projectfile.h"
#include "orvane.h"
#include "settings/config.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace {

const QString SaveErrorTitle = QStringLiteral("保存エラー");
const QString LoadErrorTitle = QStringLiteral("読み込みエラー");

} // namespace

bool orvane::isUnnamedProject() const
{
    return filePath == settings::desktopDirectory();
}

void orvane::saveFile1()
{
    const QString caption = QStringLiteral("名前を付けて保存");
    QString name = askSaveFileName ? askSaveFileName(this, caption, filePath, model::ProjectFileFilter)
                                   : QFileDialog::getSaveFileName(this, caption, filePath, model::ProjectFileFilter);
    if (name.isEmpty())
        return;
    filePath = model::withProjectExtension(name);
    if (!filePath.isEmpty())
        writeProject();
}

void orvane::saveFile3()
{
    if (isUnnamedProject()) {
        saveFile1();
        return;
    }
    writeProject();
}

void orvane::loadFile1()
{
    if (isProjectUnsaved() && is_message_file &&
        !confirm(QStringLiteral("プロジェクトが保存されていません。\n新しいプロジェクトを読み込みますか？")))
        return;
    const QString startPath = isUnnamedProject() ? lastFilePath : filePath;
    const QString caption = QStringLiteral("コマンドデータを読み込み");
    const QString name = askOpenFileName
                             ? askOpenFileName(this, caption, startPath, model::ProjectFileFilter)
                             : QFileDialog::getOpenFileName(this, caption, startPath, model::ProjectFileFilter);
    if (name.isEmpty())
        return;
    // A file that was not read must not become the target of the next overwrite save.
    const QString previousPath = filePath;
    filePath = name;
    if (!readProject())
        filePath = previousPath;
}

void orvane::importedCommand()
{
    filePath = settings::desktopDirectory();
    loadFile1();
    openEditor();
}

void orvane::openProjectAtStart(const QString& path)
{
    const QString previousPath = filePath;
    filePath = QFileInfo(path).absoluteFilePath();
    if (!readProject()) {
        filePath = previousPath;
        return;
    }
    openEditor();
}

bool orvane::writeProject()
{
    const model::ProjectFileResult result = model::writeProjectFile(filePath, list_command, list_condition);
    if (!result.ok()) {
        QMessageBox::warning(this, SaveErrorTitle, result.message);
        return false;
    }
    saved_list_command = list_command;
    saved_list_condition = list_condition;
    QApplication::beep();
    refreshPage();
    return true;
}

bool orvane::readProject()
{
    model::ProjectData project;
    const model::ProjectFileResult result = model::readProjectFile(filePath, &project);
    if (!result.ok()) {
        QMessageBox::warning(this, LoadErrorTitle, result.message);
        return false;
    }
    list_command = std::move(project.commands);
    list_condition = std::move(project.conditions);
    saved_list_command = list_command;
    saved_list_condition = list_condition;
    currentPage = 1;
    refreshPage();
    QApplication::beep();
    return true;
}
