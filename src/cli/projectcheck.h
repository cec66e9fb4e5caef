#pragma once

// `--check`: reads a project as the editor would and prints one line per page and every repair the reader made,
// without running anything. A key condition that the stop command would meet first is refused: the run would stop
// there every time.

#include <QTextStream>

namespace cli {

// stopCommand is the stop command a run would use. Returns the exit code: ExitFinished for a readable project (repaired
// or not), ExitBadInput otherwise.
int checkProject(const QString& path, const QString& stopCommand, QTextStream& out, QTextStream& err);

} // namespace cli
