// The end of the program without a close event (a quit signal or the end of the desktop session), and the recovery
// copy it leaves of an unsaved project, offered at the next start.

#include "model/projectfile.h"
#include "model/recoverycopy.h"
#include "orvane.h"

#include "editor/editedproject.h"
#include "settings/config.h"

#include <QMessageBox>
#include <QPushButton>

void orvane::finishWithoutQuestion()
{
    stopActiveRun();
    keepRecoveryCopy();
    settings::saveConfig(config);
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
    if (!project->isUnsaved() || project->wasLetGo())
        return;
    model::writeRecoveryCopy(settings::stateDirectory(), {project->commands, project->conditions,
                                                          isUnnamedProject() ? QString() : config.filePath});
}

void orvane::offerRecoveryCopy()
{
    const QString dir = settings::stateDirectory();
    std::optional<model::RecoveryCopy> copy = model::readRecoveryCopy(dir);
    if (!copy)
        return;
    const QString name = copy->originalFile.isEmpty() ? model::unnamedProjectTitle() : copy->originalFile;
    QMessageBox box(QMessageBox::Question, tr("プロジェクトの復元"),
                    tr("前回の終了時に保存されていなかったプロジェクトがあります。\n"
                       "復元しますか？\n\n%1")
                        .arg(name),
                    QMessageBox::Yes | QMessageBox::Discard, this);
    box.button(QMessageBox::Yes)->setText(tr("復元する"));
    box.button(QMessageBox::Discard)->setText(tr("破棄する"));
    box.setDefaultButton(QMessageBox::Yes);
    // A box closed unanswered (a quit signal at start) restores: the project is then kept again on the way out.
    box.setEscapeButton(box.button(QMessageBox::Yes));
    const bool restore = box.exec() != QMessageBox::Discard;
    model::removeRecoveryCopy(dir);
    if (!restore)
        return;
    config.filePath = copy->originalFile.isEmpty() ? settings::desktopDirectory() : copy->originalFile;
    project->commands = std::move(copy->commands);
    project->conditions = std::move(copy->conditions);
    // Nothing counts as saved: the restored project is written only when the user saves it.
    project->forgetSaved();
    currentPage = 1;
    resetHistory();
    openEditor();
}
