#include "entryedits.h"

namespace editor {

namespace kind = model::kind;

void addCommand(model::Entry& command, model::Entry& condition, const QString& kindName)
{
    command = model::defaultCommandEntry(kindName);
    if (model::entryKind(condition) != kind::Time)
        return;
    if (kindName == kind::SmoothMove)
        model::setWaitSeconds(condition, QStringLiteral("1.1"));
    else if (kindName == kind::Input)
        model::setWaitSeconds(condition, QStringLiteral("3.1"));
}

void applyEditorValues(model::Entry& command, model::Entry& condition, const EditorValues& values)
{
    const QString commandKind = model::entryKind(command);
    if (commandKind == kind::Input) {
        model::setInputText(command, values.inputText);
    } else if (commandKind == kind::Click) {
        model::setClickButton(command, values.clickButton);
    } else if (commandKind == kind::SmoothMove) {
        model::setCoordinates(command, model::coordinateText(values.smoothX), model::coordinateText(values.smoothY));
    } else if (commandKind == kind::Pointer) {
        model::setCoordinates(command, model::coordinateText(values.pointerX), model::coordinateText(values.pointerY));
    }
    // Only kinds with a time of their own take the seconds.
    model::setCommandSeconds(command, model::secondsText(values.commandSeconds));
    if (model::entryKind(condition) == kind::Time)
        model::setWaitSeconds(condition, model::secondsText(values.conditionSeconds));
}

void storeCapturedPosition(model::Entry& command, int x, int y)
{
    if (model::entryKind(command) == kind::Pointer)
        command = {kind::Pointer, QString::number(x), QString::number(y)};
    else
        model::setCoordinates(command, QString::number(x), QString::number(y));
}

bool isBlankPage(const model::Entry& command, const model::Entry& condition)
{
    return model::entryKind(command) == kind::None && condition == model::freshCondition();
}

PageListClick pageListClick(int row, int currentPage, int pageCount, bool deliberate)
{
    // The rows: pages before the current one, "+", the current page, "+", the pages after it.
    if (row < 0 || row > pageCount + 1)
        return {};
    if (row != currentPage - 1 && row != currentPage + 1)
        return {PageListClick::Action::Show, row < currentPage ? row + 1 : row == currentPage ? row : row - 1};
    if (!deliberate)
        return {};
    // The upper "+" puts a new page in the current page's place, the lower one after it; either way it is shown.
    if (row == currentPage - 1)
        return {PageListClick::Action::InsertBefore, currentPage};
    return {PageListClick::Action::InsertAfter, currentPage + 1};
}

} // namespace editor
