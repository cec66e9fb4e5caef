#include "projectcheck.h"

#include "cli/commandline.h"
#include "cli/projectsummary.h"
#include "model/projectfile.h"
#include "run/actions.h"
#include "model/keycombination.h"
#include "run/keystate.h"

#include <QCoreApplication>

namespace cli {

int checkProject(const QString& path, const QString& stopCommand, QTextStream& out, QTextStream& err)
{
    return checkProject(path, stopCommand, out, err, platform::desktopMonitors());
}

int checkProject(const QString& path, const QString& stopCommand, QTextStream& out, QTextStream& err,
                 const std::vector<platform::ScreenArea>& monitors)
{
    model::ProjectData project;
    const model::ProjectFileResult result = model::readProjectFile(path, &project);
    if (!result.ok()) {
        err << fileMessage(path, result.message) << Qt::endl;
        return ExitBadInput;
    }
    out << path << QCoreApplication::translate("cli", ": %1 ページ").arg(project.commands.size()) << Qt::endl;
    for (qsizetype i = 0; i < project.commands.size(); ++i) {
        out << QStringLiteral("%1. %2 → %3")
                   .arg(i + 1)
                   .arg(describeOperation(project.commands.at(i)), describeCondition(project.conditions.value(i)))
            << Qt::endl;
    }
    bool pointerPages = false;
    for (qsizetype i = 0; i < project.commands.size(); ++i) {
        const model::Entry& command = project.commands.at(i);
        const QString kind = model::entryKind(command);
        if (kind != model::kind::Pointer && kind != model::kind::SmoothMove)
            continue;
        pointerPages = true;
        // Read as the run reads them.
        const QString refused = actions::offScreenTarget(model::coordinateX(command).toInt(nullptr, 10),
                                                         model::coordinateY(command).toInt(nullptr, 10), monitors);
        if (!refused.isEmpty())
            out << QCoreApplication::translate("cli", "警告: %1 ページ目: ").arg(i + 1) << refused << Qt::endl;
    }
    if (pointerPages && monitors.empty())
        out << QCoreApplication::translate(
                   "cli", "注意: デスクトップに接続できないため、マウスポインターの移動先は確かめていません。")
            << Qt::endl;
    for (const QString& repair : project.repairs)
        out << QCoreApplication::translate("cli", "修復: ") << repair << Qt::endl;
    int code = ExitFinished;
    for (qsizetype i = 0; i < project.conditions.size(); ++i) {
        const model::Entry& condition = project.conditions.at(i);
        if (model::entryKind(condition) != model::kind::KeyCondition ||
            !keys::conditionStopsRun(model::keyCombination(condition), stopCommand))
            continue;
        err << QCoreApplication::translate(
                   "cli",
                   "%1: %2 "
                   "ページ目のキー条件「%3」は終了コマンドと同じです。押すと実行が止まり、次のページへ進めません。")
                   .arg(path)
                   .arg(i + 1)
                   .arg(keys::keyCombinationLabel(model::keyCombination(condition)))
            << Qt::endl;
        code = ExitBadInput;
    }
    return code;
}

} // namespace cli
