#pragma once

// Undo and redo of the project as whole snapshots: a project is a few kilobytes, so a copy per step is simpler and
// safer than inverse edits. The history always holds the state the window shows; the window reports each change
// after making it, and consecutive changes with the same merge key (keystrokes in one field) make a single step. The
// steps are bounded by their total size, not their number: a project may hold 100,000 pages of long texts.

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
    static constexpr qsizetype DefaultMaxBytes = qsizetype(64) * 1024 * 1024;

    // limit bounds the undo and redo steps together, as estimated from their texts; the oldest go first. The latest
    // step is always kept, so that the last change can be undone whatever the project's size.
    explicit ProjectHistory(qsizetype limit = DefaultMaxBytes) : maxBytes(limit) {}

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
    struct Step {
        ProjectSnapshot snapshot;
        qsizetype bytes = 0;
    };
    void push(QList<Step>& steps, Step step);
    Step pop(QList<Step>& steps);

    // Past states keep the page to show; the page a state was changed from is the one it comes back with.
    QList<Step> undoSteps;
    QList<Step> redoSteps;
    Step present;
    QString lastMergeKey;
    qsizetype maxBytes;
    qsizetype keptBytes = 0; // of undoSteps and redoSteps
};

} // namespace editor
