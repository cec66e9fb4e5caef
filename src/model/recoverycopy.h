#pragma once

// The recovery copy: an unsaved project written when the program is ended without being asked (a quit signal, the
// end of the desktop session), to be offered at the next start. A project file with one more key, "original_file",
// the file the project came from (absent for a project never saved). It lives in the program's state directory and
// never replaces the user's own file.

#include "model/pagemodel.h"

#include <QString>

#include <optional>

namespace model {

inline const QString RecoveryFileName = QStringLiteral("recovery.cmdat");

struct RecoveryCopy {
    EntryList commands;
    EntryList conditions;
    QString originalFile; // empty: the project had no file
};

// Writes atomically into dir (created if missing). Refuses, returning false, when the copy's path is originalFile
// itself: the user's file is never written over with a copy. False also when the write failed (logged).
bool writeRecoveryCopy(const QString& dir, const RecoveryCopy& copy);

// The copy kept in dir; nothing when there is none or it is not a readable project (it is then left in place).
std::optional<RecoveryCopy> readRecoveryCopy(const QString& dir);

// Deletes the copy in dir, if any.
void removeRecoveryCopy(const QString& dir);

} // namespace model
