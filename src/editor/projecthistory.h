#pragma once

// Undo and redo of the project as whole snapshots: a project is a few kilobytes, so a copy per step is simpler and
// safer than inverse edits. The history always holds the state the window shows; the window reports each change
// after making it, and consecutive changes with the same merge key (keystrokes in one field) make a single step.

#include "model/pagemodel.h"

#include <QList>
#include <QString>

#include <optional>

namespace editor {

struct ProjectSnapshot {
    model::EntryList commands;
    model::EntryList conditions;
    int page = 1; // the page shown when the snapshot was left, shown again when it comes back
};

class ProjectHistory final {
public:
    // Forgets every step: a project was loaded or started.
    void reset(const ProjectSnapshot& current);

    // The project may have changed. A change becomes a new step (clearing redo) unless mergeKey is not empty and the
    // previous step was made with the same key and no other page was shown since; an unchanged project only updates
    // the page to come back to.
    void record(const ProjectSnapshot& now, const QString& mergeKey = {});

    bool canUndo() const { return !undoSteps.isEmpty(); }
    bool canRedo() const { return !redoSteps.isEmpty(); }
    // The state to show after the step; empty when there is none.
    std::optional<ProjectSnapshot> undo();
    std::optional<ProjectSnapshot> redo();

private:
    // Past states keep the page to show; the page a state was changed from is the one it comes back with.
    QList<ProjectSnapshot> undoSteps;
    QList<ProjectSnapshot> redoSteps;
    ProjectSnapshot present;
    QString lastMergeKey;
};

} // namespace editor
