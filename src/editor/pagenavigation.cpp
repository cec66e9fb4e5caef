// Page navigation and page operations: previous/next, the page list with its "+" rows, delete, copy, paste and a
// fresh project.

#include "app/orvane.h"
#include "settings/config.h"

#include <QListWidget>

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
    if (currentPage == list_command.size() + 1)
        model::appendPage(list_command, list_condition);
    refreshPage();
}

void orvane::changeWidgetPage()
{
    if (isRefreshing)
        return;
    const QListWidgetItem* item = pageList->currentItem();
    if (!item)
        return;
    const QString text = item->text();
    const int row = pageList->currentRow();
    if (text != QLatin1String("+")) {
        const int page = text.section(QLatin1Char('.'), 0, 0).toInt();
        if (page < 1 || page > list_command.size())
            return;
        currentPage = page;
    } else if (row == currentPage - 1) {
        // The upper "+": the new page takes the current page's place and is shown.
        model::insertPage(list_command, list_condition, currentPage - 1);
    } else {
        // The lower "+": the new page follows the current page and is shown.
        model::insertPage(list_command, list_condition, currentPage);
        ++currentPage;
    }
    refreshPage();
}

void orvane::deletePage()
{
    if (is_message_delete && !confirm(QStringLiteral("%1ページ目を削除しますか？").arg(currentPage)))
        return;
    if (!model::removePage(list_command, list_condition, currentPage - 1))
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
    const bool blank = currentCommand().at(0) == model::kind::None && currentCondition() == model::freshCondition();
    if (!blank && is_message_paste && !confirm(QStringLiteral("%1 ページ目を置き換えますか？").arg(currentPage))) {
        refreshPage();
        return;
    }
    currentCommand() = copiedCommand;
    currentCondition() = copiedCondition;
    refreshPage();
}

void orvane::newFile()
{
    if (isProjectUnsaved() && is_message_file &&
        !confirm(QStringLiteral("プロジェクトが保存されていません。\n新規作成しますか？")))
        return;
    filePath = settings::desktopDirectory();
    list_command = {model::freshCommand()};
    list_condition = {model::freshCondition()};
    saved_list_command = list_command;
    saved_list_condition = list_condition;
    currentPage = 1;
    refreshPage();
}
