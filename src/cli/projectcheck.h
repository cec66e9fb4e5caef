#pragma once

// `--check`: reads a project as the editor would and prints one line per page and every repair the reader made,
// without running anything.

#include <QTextStream>

namespace cli {

// Returns the exit code: ExitFinished for a readable project (repaired or not), ExitBadInput otherwise.
int checkProject(const QString& path, QTextStream& out, QTextStream& err);

} // namespace cli
