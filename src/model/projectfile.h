#pragma once

// The project file: a UTF-8 JSON object with the arrays "list_command" and "list_condition", one array of strings per
// page. The reader treats the file as untrusted: every bad shape ends in a message or a logged repair, and a project
// that comes back always keeps the page model's invariants.

#include "model/pagemodel.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace model {

inline const QString ProjectExtension = QStringLiteral(".cmdat");
inline const QString ProjectFileFilter = QStringLiteral("Command Data (*.cmdat);;All Files (*)");
// "新規プロジェクト", translated.
QString unnamedProjectTitle();

// Larger files are refused before they are read: no project comes near this size.
inline constexpr qint64 MaxProjectFileSize = qint64(64) * 1024 * 1024;
// A file of more pages is refused before its pages are built: 64 MiB of empty pages would take gigabytes.
inline constexpr qsizetype MaxProjectPages = 100000;

enum class ProjectFileError {
    None,
    NoPath,       // the path is empty
    CannotOpen,   // the file cannot be opened
    WriteFailed,  // writing or committing the new file failed
    NotRegular,   // a folder, FIFO, device or socket
    TooLarge,     // larger than MaxProjectFileSize
    TooManyPages, // more than MaxProjectPages in a list, or far more values than such pages hold
    ParseError,   // not JSON
    BadFormat,    // not an object, or no usable page
};

struct ProjectFileResult {
    ProjectFileError error = ProjectFileError::None;
    QString message; // the text of the warning box; empty on success

    bool ok() const { return error == ProjectFileError::None; }
};

struct ProjectData {
    EntryList commands;
    EntryList conditions;
    QStringList repairs; // what was changed to bring the file's lists to the invariants
};

// The name with ".cmdat" appended unless it already ends so, compared without regard to case.
QString withProjectExtension(const QString& fileName);

// The window title of a project: "新規プロジェクト" while the path is the unnamed path, else the file's base name.
QString projectTitle(const QString& filePath, const QString& unnamedPath);

// The indented JSON text of a project, UTF-8, Japanese written directly.
QByteArray serializeProject(const EntryList& commands, const EntryList& conditions);

// Parses file content. On success out holds the lists, repaired to the invariants.
ProjectFileResult parseProject(const QByteArray& content, ProjectData* out);

// Writes atomically: on failure the previous file at path is left as it was.
ProjectFileResult writeProjectFile(const QString& path, const EntryList& commands, const EntryList& conditions);

// Reads and parses; the number of repairs is also written to the debug log as a warning. Only a regular file is read,
// without blocking on its open.
ProjectFileResult readProjectFile(const QString& path, ProjectData* out);

// Called in a save just before the new file replaces the old one (committed false) and just after (true), so that a
// test can stop the save on either side of that moment. Null (the default) in the program.
using SaveStepHook = void (*)(bool committed);
void setSaveStepHook(SaveStepHook hook);

} // namespace model
