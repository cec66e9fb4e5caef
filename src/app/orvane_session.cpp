// The end of the program without a close event (a quit signal or the end of the desktop session), and the recovery
// copy it leaves of an unsaved project, offered at the next start.

#include "model/projectfile.h"
#include "model/recoverycopy.h"
#include "orvane.h"
#include "settings/config.h"

#include <QMessageBox>
#include <QPushButton>

void orvane::finishWithoutQuestion()
{
    stopActiveRun();
    keepRecoveryCopy();
    saveConfig();
    unregisterGlobalHotkey();
}

bool orvane::endSession(bool mayAsk)
{
    // With the question switched off a close would drop the project; a logout keeps it as the copy instead.
    if (mayAsk && config.isMessageFile && !askBeforeClosing())
        return false;
    finishWithoutQuestion();
    return true;
}

void orvane::keepRecoveryCopy()
{
    if (!isProjectUnsaved() || model::serializeProject(list_command, list_condition) == letGoProject)
        return;
    model::writeRecoveryCopy(settings::stateDirectory(),
                             {list_command, list_condition, isUnnamedProject() ? QString() : config.filePath});
}

void orvane::offerRecoveryCopy()
{
    const QString dir = settings::stateDirectory();
    std::optional<model::RecoveryCopy> copy = model::readRecoveryCopy(dir);
    if (!copy)
        return;
    const QString name = copy->originalFile.isEmpty() ? model::UnnamedProjectTitle : copy->originalFile;
    QMessageBox box(QMessageBox::Question, QStringLiteral("プロジェクトの復元"),
                    QStringLiteral("前回の終了時に保存されていなかったプロジェクトがあります。\n"
                                   "復元しますか？\n\n%1")
                        .arg(name),
                    QMessageBox::Yes | QMessageBox::Discard, this);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("復元する"));
    box.button(QMessageBox::Discard)->setText(QStringLiteral("破棄する"));
    box.setDefaultButton(QMessageBox::Yes);
    // A box closed unanswered (a quit signal at start) restores: the project is then kept again on the way out.
    box.setEscapeButton(box.button(QMessageBox::Yes));
    const bool restore = box.exec() != QMessageBox::Discard;
    model::removeRecoveryCopy(dir);
    if (!restore)
        return;
    config.filePath = copy->originalFile.isEmpty() ? settings::desktopDirectory() : copy->originalFile;
    list_command = std::move(copy->commands);
    list_condition = std::move(copy->conditions);
    // Nothing counts as saved: the restored project is written only when the user saves it.
    saved_list_command.clear();
    saved_list_condition.clear();
    currentPage = 1;
    resetHistory();
    openEditor();
}
