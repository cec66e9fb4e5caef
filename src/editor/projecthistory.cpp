#include "projecthistory.h"

namespace editor {

namespace {
bool sameProject(const ProjectSnapshot& a, const ProjectSnapshot& b)
{
    return a.commands == b.commands && a.conditions == b.conditions;
}
} // namespace

void ProjectHistory::reset(const ProjectSnapshot& current)
{
    undoSteps.clear();
    redoSteps.clear();
    present = current;
    lastMergeKey.clear();
}

void ProjectHistory::record(const ProjectSnapshot& now, const QString& mergeKey)
{
    if (sameProject(now, present)) {
        // Typing on a page left and shown again is a new step.
        if (now.page != present.page)
            lastMergeKey.clear();
        present.page = now.page;
        return;
    }
    const bool merge = !mergeKey.isEmpty() && mergeKey == lastMergeKey && !undoSteps.isEmpty();
    if (!merge)
        undoSteps.append(present);
    redoSteps.clear();
    present = now;
    lastMergeKey = mergeKey;
}

std::optional<ProjectSnapshot> ProjectHistory::undo()
{
    if (undoSteps.isEmpty())
        return std::nullopt;
    redoSteps.append(present);
    present = undoSteps.takeLast();
    lastMergeKey.clear();
    return present;
}

std::optional<ProjectSnapshot> ProjectHistory::redo()
{
    if (redoSteps.isEmpty())
        return std::nullopt;
    undoSteps.append(present);
    present = redoSteps.takeLast();
    lastMergeKey.clear();
    return present;
}

} // namespace editor
