#pragma once

// The project open in the editor, and the version last saved or read, so that "unsaved" is one comparison. It is a
// child of the main window: the window's parts, and the tests, reach the project without reaching into the window.

#include "model/pagemodel.h"

#include <QByteArray>
#include <QObject>

namespace editor {

class EditedProject final : public QObject {
    Q_OBJECT

public:
    explicit EditedProject(QObject* parent = nullptr);

    // One row per page, as stored in the file.
    model::EntryList commands{model::freshCommand()};
    model::EntryList conditions{model::freshCondition()};

    bool isUnsaved() const;
    // What is shown is what the file holds (written or read).
    void markSaved();
    // Nothing is on disk for this project (a recovery copy brought it back): it is unsaved whatever it holds.
    void forgetSaved();
    QByteArray serialized() const;
    // The user closed without saving what is shown now; no recovery copy should bring that version back.
    void letGo() { letGoVersion = serialized(); }
    bool wasLetGo() const { return serialized() == letGoVersion; }

    // Puts a whole project in place from outside the window's own edits; the window shows it again.
    void replace(const model::EntryList& newCommands, const model::EntryList& newConditions);

Q_SIGNALS:
    void replaced();

private:
    model::EntryList savedCommands{model::freshCommand()};
    model::EntryList savedConditions{model::freshCondition()};
    QByteArray letGoVersion;
};

} // namespace editor
