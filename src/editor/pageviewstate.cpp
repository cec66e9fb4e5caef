#include "pageviewstate.h"

#include "model/keycombination.h"
#include "run/actions.h"
#include "run/keystate.h"

#include <QCoreApplication>

namespace editor {

namespace kind = model::kind;

QString capturePrompt()
{
    return QCoreApplication::translate("editor", "単一または複数キーを押してください");
}

PageViewState pageViewState(const PageContext& context)
{
    PageViewState view;
    const QString commandKind = model::entryKind(context.command);
    const QString conditionKind = model::entryKind(context.condition);
    const bool capturingCommand = context.capture == CaptureTarget::Command;
    const bool capturingCondition = context.capture == CaptureTarget::Condition;

    bool waiting = false;
    if (commandKind == kind::None) {
        view.commandTitle = model::kindLabel(kind::None);
    } else if (commandKind == kind::Click) {
        view.commandTitle = model::kindLabel(kind::Click);
        view.clickButton = true;
        view.commandSeconds = true;
    } else if (commandKind == kind::Pointer) {
        view.commandTitle = model::kindLabel(kind::Pointer);
        view.pointerPosition = true;
        view.testMove = true;
    } else if (commandKind == kind::SmoothMove) {
        view.commandTitle = model::kindLabel(kind::SmoothMove);
        view.smoothPosition = true;
        view.commandSeconds = true;
        view.testMove = true;
    } else if (commandKind == kind::Key) {
        const QString combination = model::keyCombination(context.command);
        view.commandTitle = model::kindLabel(kind::Key);
        view.commandKey = true;
        view.commandSeconds = !capturingCommand;
        view.commandKeyText = capturingCommand ? capturePrompt() : keys::keyCombinationLabel(combination);
        waiting = keys::isNoCombination(combination);
    } else if (commandKind == kind::Input) {
        view.commandTitle = model::kindLabel(kind::Input);
        view.inputText = true;
        view.commandSeconds = true;
        waiting = model::inputText(context.command).isEmpty();
    }
    // Read as the run reads them, so that the page flagged here is the one a run would stop on.
    if (view.pointerPosition || view.smoothPosition) {
        view.positionWarning =
            actions::offScreenTarget(model::coordinateX(context.command).toInt(nullptr, 10),
                                     model::coordinateY(context.command).toInt(nullptr, 10), context.monitors);
    }

    bool keyWithoutCombination = commandKind == kind::Key && waiting;
    if (conditionKind == kind::Immediate) {
        view.conditionTitle = model::kindLabel(kind::Immediate);
    } else if (conditionKind == kind::Time) {
        view.conditionTitle = model::kindLabel(kind::Time);
        view.conditionSeconds = true;
    } else if (conditionKind == kind::KeyCondition) {
        const QString combination = model::keyCombination(context.condition);
        view.conditionTitle = model::kindLabel(kind::KeyCondition);
        view.conditionKey = true;
        view.conditionKeyText = capturingCondition ? capturePrompt() : keys::keyCombinationLabel(combination);
        // A run would stop on the press every time, so the page could never be passed.
        if (!capturingCondition && keys::conditionStopsRun(combination, context.stopCommand)) {
            view.conditionKeyText += QCoreApplication::translate("editor", "（終了コマンド）");
            view.conditionKeyWarning = QCoreApplication::translate(
                "editor", "終了コマンドと同じキーです。実行中に押すと実行が止まり、次のページへ進めません。");
        }
        // A key condition decides alone, whatever the operation waits for.
        waiting = keys::isNoCombination(combination);
        keyWithoutCombination = keyWithoutCombination || waiting;
    }
    if (capturingCondition)
        view.conditionSeconds = false;

    if (context.typing && commandKind == kind::Input) {
        waiting = model::inputText(context.command).isEmpty();
        keyWithoutCombination = false;
    }
    view.navigation = !waiting;
    view.previousPage = view.navigation && context.page != 1;
    view.deletePage = view.navigation && context.pageCount != 1;
    view.pastePage = view.navigation && context.hasCopy;
    // A key entry without a combination and no capture running (a file saved that way, or a capture that ended on
    // another page) would otherwise lock the page for good: "追加" stays reachable so the user can capture again or
    // pick another kind.
    view.addButtons = view.navigation || (keyWithoutCombination && context.capture == CaptureTarget::None);

    view.pageControlsEnabled = context.capture == CaptureTarget::None;
    // What the desktop cannot do is offered disabled rather than failing once pressed.
    view.runEnabled = view.pageControlsEnabled && context.canSynthesize;
    view.testMoveEnabled = context.canSynthesize;
    view.cancelCapture = !view.pageControlsEnabled;
    // The frame of the area being captured dims.
    view.commandGroupEnabled = !capturingCommand;
    view.conditionGroupEnabled = !capturingCondition;
    return view;
}

QStringList pageRows(const QStringList& commandKinds, int page)
{
    QStringList rows;
    rows.reserve(commandKinds.size() + 2);
    for (qsizetype i = 0; i < commandKinds.size(); ++i)
        rows << QStringLiteral("%1.%2").arg(i + 1).arg(model::kindLabel(commandKinds.at(i)));
    rows.insert(page - 1, QStringLiteral("+"));
    rows.insert(page + 1, QStringLiteral("+"));
    return rows;
}

} // namespace editor
