// Page navigation and page operations: previous/next, the page list with its "+" rows, delete, copy, paste and a
// fresh project.

#include "orvane.h"

#include "editor/editedproject.h"

#include "editor/entryedits.h"
#include "panels/pagepanel.h"
#include "settings/config.h"

#include <QListWidget>

#include <utility>

void orvane::returnPage()
{
    if (currentPage <= 1)
        return;
    --currentPage;
    refreshPage();
}

void orvane::nextPage()
{
    ++currentPage;
    // "→" on the last page makes a new last page.
    if (currentPage == project->commands.size() + 1)
        model::appendPage(project->commands, project->conditions);
    refreshPage();
}

void orvane::changeWidgetPage()
{
    if (isRefreshing)
        return;
    const QListWidgetItem* item = pagePanel->list()->currentItem();
    if (!item)
        return;
    using Action = editor::PageListClick::Action;
    const bool clicked = pagePanel->takePress();
    const editor::PageListClick click =
        editor::pageListClick(pagePanel->list()->currentRow(), currentPage, int(project->commands.size()), clicked);
    if (click.action == Action::Ignore) {
        refreshPage(); // the current page's row is selected again
        return;
    }
    if (click.action == Action::InsertBefore)
        model::insertPage(project->commands, project->conditions, currentPage - 1);
    else if (click.action == Action::InsertAfter)
        model::insertPage(project->commands, project->conditions, currentPage);
    currentPage = click.page;
    refreshPage();
}

void orvane::deletePage()
{
    if (config.isMessageDelete && !confirm(tr("%1ページ目を削除しますか？").arg(currentPage)))
        return;
    if (!model::removePage(project->commands, project->conditions, currentPage - 1))
        return;
    if (currentPage != 1)
        --currentPage;
    refreshPage();
}

void orvane::copy()
{
    copiedCommand = currentCommand();
    copiedCondition = currentCondition();
    refreshPage();
}

void orvane::paste()
{
    if (copiedCommand.isEmpty())
        return;
    if (!editor::isBlankPage(currentCommand(), currentCondition()) && config.isMessagePaste &&
        !confirm(tr("%1 ページ目を置き換えますか？").arg(currentPage))) {
        refreshPage();
        return;
    }
    currentCommand() = copiedCommand;
    currentCondition() = copiedCondition;
    refreshPage();
}

void orvane::newFile()
{
    if (project->isUnsaved() && config.isMessageFile &&
        !confirm(tr("プロジェクトが保存されていません。\n新規作成しますか？")))
        return;
    config.filePath = settings::desktopDirectory();
    project->commands = {model::freshCommand()};
    project->conditions = {model::freshCondition()};
    project->markSaved();
    currentPage = 1;
    resetHistory();
    refreshPage();
}
