// Operation and condition editing: the kind selectors, "追加", writing edited values into the current page, and the
// page display refresh that every change ends with. What each control shows is decided by editor::pageViewState.

#include "orvane.h"

#include "editor/editedproject.h"

#include "editor/entryedits.h"
#include "editor/keycapturesession.h"
#include "editor/pageviewstate.h"
#include "model/projectfile.h"
#include "panels/conditionpanel.h"
#include "panels/operationpanel.h"
#include "panels/pagepanel.h"
#include "platform/inputservices.h"
#include "settings/config.h"

#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

namespace {

void setAllShown(std::initializer_list<QWidget*> widgets, bool shown)
{
    for (QWidget* widget : widgets)
        widget->setVisible(shown);
}

} // namespace

QStringList& orvane::currentCommand()
{
    return project->commands[currentPage - 1];
}

QStringList& orvane::currentCondition()
{
    return project->conditions[currentPage - 1];
}

void orvane::addNewCommand()
{
    config.filePath = settings::desktopDirectory();
    resetHistory();
    openEditor();
}

void orvane::openEditor()
{
    newProjectButton->hide();
    loadProjectButton->hide();
    conditionPanel->open();
    operationPanel->open();
    pagePanel->open();
    refreshPage();
}

void orvane::addCommand(const QString& kind)
{
    if (keyCapture->isCapturing())
        return;
    const QStringList previous = currentCommand();
    editor::addCommand(currentCommand(), currentCondition(), kind);
    if (kind == model::kind::Key) {
        startKeyCapture(false, previous);
        return;
    }
    refreshPage();
}

void orvane::addCondition(const QString& kind)
{
    if (keyCapture->isCapturing())
        return;
    const QStringList previous = currentCondition();
    currentCondition() = model::defaultConditionEntry(kind);
    if (kind == model::kind::KeyCondition) {
        startKeyCapture(true, previous);
        return;
    }
    refreshPage();
}

void orvane::changeSomeThing(const QString& control)
{
    if (isRefreshing)
        return;
    editor::EditorValues values;
    operationPanel->readValues(values);
    values.conditionSeconds = conditionPanel->seconds();
    editor::applyEditorValues(currentCommand(), currentCondition(), values);
    // Keystrokes and steps in one control of one page make one undo step.
    recordChange(QStringLiteral("%1/%2").arg(control).arg(currentPage));
    // Typing decides whether the page is complete: until there is something to type nothing may leave it.
    const QString kind = model::entryKind(currentCommand());
    if (kind == model::kind::Input)
        applyViewState(currentViewState(true));
    else if (kind == model::kind::Pointer || kind == model::kind::SmoothMove)
        applyViewState(currentViewState()); // whether the target is still on a monitor
}

editor::PageViewState orvane::currentViewState(bool typing) const
{
    editor::PageContext context;
    context.command = project->commands.at(currentPage - 1);
    context.condition = project->conditions.at(currentPage - 1);
    context.page = currentPage;
    context.pageCount = int(project->commands.size());
    context.hasCopy = !copiedCommand.isEmpty();
    context.typing = typing;
    context.canSynthesize = platform::services().canSynthesize();
    context.monitors = platform::services().monitors();
    context.stopCommand = config.stopCommand;
    if (keyCapture->isCapturing())
        context.capture = captureForCondition ? editor::CaptureTarget::Condition : editor::CaptureTarget::Command;
    return editor::pageViewState(context);
}

void orvane::applyViewState(const editor::PageViewState& view)
{
    operationPanel->applyViewState(view);
    conditionPanel->applyViewState(view);
    pagePanel->applyViewState(view);
    setAllShown({runButton, menuBar()}, view.navigation);
    cancelCaptureButton->move(cancelCaptureButton->x(), captureForCondition ? 310 : 60);
    cancelCaptureButton->setVisible(view.cancelCapture);
    // The page controls go with the capture: a capture finished after a page change would land on another page.
    menuBar()->setEnabled(view.pageControlsEnabled);
    runButton->setEnabled(view.runEnabled);
}

void orvane::refreshPage()
{
    isRefreshing = true;
    applyViewState(currentViewState());

    operationPanel->showEntry(currentCommand());
    conditionPanel->showEntry(currentCondition());

    QStringList kinds;
    kinds.reserve(project->commands.size());
    for (const model::Entry& entry : std::as_const(project->commands))
        kinds << model::entryKind(entry);
    pagePanel->showPages(editor::pageRows(kinds, currentPage), currentPage, int(project->commands.size()));
    setWindowTitle(model::projectTitle(config.filePath, settings::desktopDirectory()));
    recordChange();
    isRefreshing = false;
}
