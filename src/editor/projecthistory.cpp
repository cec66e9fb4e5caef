#include "projecthistory.h"

#include <utility>

namespace editor {

namespace {
bool sameProject(const ProjectSnapshot& a, const ProjectSnapshot& b)
{
    return a.commands == b.commands && a.conditions == b.conditions;
}

// Roughly what a copy of the lists takes on the heap; pages shared between steps are counted in each.
qsizetype estimatedBytes(const ProjectSnapshot& snapshot)
{
    qsizetype bytes = 0;
    for (const model::EntryList* list : {&snapshot.commands, &snapshot.conditions}) {
        for (const model::Entry& entry : *list) {
            bytes += 64;
            for (const QString& field : entry)
                bytes += 32 + field.size() * qsizetype(sizeof(QChar));
        }
    }
    return bytes;
}
} // namespace

void ProjectHistory::push(QList<Step>& steps, Step step)
{
    keptBytes += step.bytes;
    steps.append(std::move(step));
}

ProjectHistory::Step ProjectHistory::pop(QList<Step>& steps)
{
    Step step = steps.takeLast();
    keptBytes -= step.bytes;
    return step;
}

void ProjectHistory::reset(const ProjectSnapshot& current)
{
    undoSteps.clear();
    redoSteps.clear();
    keptBytes = 0;
    present = {current, estimatedBytes(current)};
    lastMergeKey.clear();
}

void ProjectHistory::record(const ProjectSnapshot& now, const QString& mergeKey)
{
    if (sameProject(now, present.snapshot)) {
        // Typing on a page left and shown again is a new step.
        if (now.page != present.snapshot.page)
            lastMergeKey.clear();
        present.snapshot.page = now.page;
        return;
    }
    const bool merge = !mergeKey.isEmpty() && mergeKey == lastMergeKey && !undoSteps.isEmpty();
    if (!merge)
        push(undoSteps, std::move(present));
    while (!redoSteps.isEmpty())
        pop(redoSteps);
    present = {now, estimatedBytes(now)};
    lastMergeKey = mergeKey;
    while (keptBytes > maxBytes && undoSteps.size() > 1) {
        keptBytes -= undoSteps.constFirst().bytes;
        undoSteps.removeFirst();
    }
}

std::optional<ProjectSnapshot> ProjectHistory::undo()
{
    if (undoSteps.isEmpty())
        return std::nullopt;
    push(redoSteps, std::move(present));
    present = pop(undoSteps);
    lastMergeKey.clear();
    return present.snapshot;
}

std::optional<ProjectSnapshot> ProjectHistory::redo()
{
    if (redoSteps.isEmpty())
        return std::nullopt;
    push(undoSteps, std::move(present));
    present = pop(redoSteps);
    lastMergeKey.clear();
    return present.snapshot;
}

} // namespace editor
