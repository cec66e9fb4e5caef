#include "editedproject.h"

#include "model/projectfile.h"

namespace editor {

EditedProject::EditedProject(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("editedProject"));
}

bool EditedProject::isUnsaved() const
{
    return model::isUnsaved(commands, conditions, savedCommands, savedConditions);
}

void EditedProject::markSaved()
{
    savedCommands = commands;
    savedConditions = conditions;
}

void EditedProject::forgetSaved()
{
    savedCommands.clear();
    savedConditions.clear();
}

QByteArray EditedProject::serialized() const
{
    return model::serializeProject(commands, conditions);
}

void EditedProject::replace(const model::EntryList& newCommands, const model::EntryList& newConditions)
{
    commands = newCommands;
    conditions = newConditions;
    Q_EMIT replaced();
}

} // namespace editor
