// What users expect of a desktop editor beyond the specified controls: undo and redo of every project change, page
// reordering (a drag in the page list, 上へ移動 / 下へ移動 in its menu), the page list's shortcuts, and the ways out of
// a capture that do not need a key.

#include "orvane.h"

#include "editor/editedproject.h"
#include "editor/entryedits.h"
#include "editor/hoverhidewindow.h"
#include "editor/keycapturesession.h"
#include "panels/pagepanel.h"

#include <QAction>
#include <QListWidget>
#include <QMenu>

void orvane::buildEditActions(QMenu* editMenu)
{
    auto makeAction = [this](const char* name, const QString& text, const QList<QKeySequence>& keys) {
        auto* action = new QAction(text, this);
        action->setObjectName(QLatin1String(name));
        action->setShortcuts(keys);
        return action;
    };
    undoAction = makeAction("undoAction", tr("元に戻す"), {QKeySequence(Qt::CTRL | Qt::Key_Z)});
    connect(undoAction, &QAction::triggered, this, &orvane::undo);
    redoAction = makeAction("redoAction", tr("やり直し"),
                            {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    connect(redoAction, &QAction::triggered, this, &orvane::redo);
    moveUpAction = makeAction("moveUpAction", tr("上へ移動"), {});
    connect(moveUpAction, &QAction::triggered, this, [this] { movePage(currentPage, currentPage - 1); });
    moveDownAction = makeAction("moveDownAction", tr("下へ移動"), {});
    connect(moveDownAction, &QAction::triggered, this, [this] { movePage(currentPage, currentPage + 1); });
    editMenu->addActions({undoAction, redoAction});

    // The page list's own keys act only while it has the focus; it is hidden whenever the page cannot be left.
    const std::pair<const char*, std::pair<QKeySequence, void (orvane::*)()>> listKeys[] = {
        {"pageCopyAction", {QKeySequence(Qt::CTRL | Qt::Key_C), &orvane::copy}},
        {"pagePasteAction", {QKeySequence(Qt::CTRL | Qt::Key_V), &orvane::paste}},
        {"pageDeleteAction", {QKeySequence(Qt::Key_Delete), &orvane::deletePage}},
        {"previousPageAction", {QKeySequence(Qt::ALT | Qt::Key_Left), &orvane::returnPage}},
        {"nextPageAction", {QKeySequence(Qt::ALT | Qt::Key_Right), &orvane::nextPage}},
    };
    for (const auto& [name, binding] : listKeys) {
        QAction* action = makeAction(name, QString(), {binding.first});
        action->setShortcutContext(Qt::WidgetShortcut);
        connect(action, &QAction::triggered, this, binding.second);
        pagePanel->list()->addAction(action);
    }
    pagePanel->list()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(pagePanel->list(), &QWidget::customContextMenuRequested, this, &orvane::showPageListMenu);
    resetHistory();
}

void orvane::resetHistory()
{
    history.reset({project->commands, project->conditions, currentPage});
    undoAction->setEnabled(false);
    redoAction->setEnabled(false);
}

void orvane::recordChange(const QString& mergeKey)
{
    // A capture in progress holds a half-made entry: its result (or the entry given back) is the change.
    if (keyCapture->isCapturing())
        return;
    history.record({project->commands, project->conditions, currentPage}, mergeKey);
    undoAction->setEnabled(history.canUndo());
    redoAction->setEnabled(history.canRedo());
}

void orvane::showSnapshot(const editor::ProjectSnapshot& snapshot)
{
    project->commands = snapshot.commands;
    project->conditions = snapshot.conditions;
    currentPage = qBound(1, snapshot.page, int(project->commands.size()));
    refreshPage();
}

void orvane::undo()
{
    if (const auto snapshot = history.undo())
        showSnapshot(*snapshot);
}

void orvane::redo()
{
    if (const auto snapshot = history.redo())
        showSnapshot(*snapshot);
}

void orvane::movePage(int from, int to)
{
    if (from == to || !model::movePage(project->commands, project->conditions, from - 1, to - 1))
        return;
    currentPage = to;
    refreshPage();
}

void orvane::showPageListMenu(const QPoint& position)
{
    moveUpAction->setEnabled(currentPage > 1);
    moveDownAction->setEnabled(currentPage < project->commands.size());
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("pageListMenu"));
    menu.addActions({moveUpAction, moveDownAction});
    menu.exec(pagePanel->list()->viewport()->mapToGlobal(position));
}

void orvane::cancelKeyCapture()
{
    if (!keyCapture->isCapturing())
        return;
    removeKeyCapture();
    (captureForCondition ? currentCondition() : currentCommand()) = captureFallback;
    refreshPage();
}

void orvane::cancelCoordinateCapture()
{
    unregisterGlobalHotkey();
    show();
    if (hoverWindow)
        hoverWindow->close();
}
