#pragma once

// `--check`: reads a project as the editor would and prints one line per page, every repair the reader made and every
// pointer target that lies on none of the desktop's monitors, without running anything. A key condition that the stop
// command would meet first is refused: the run would stop there every time.

#include "platform/inputservices.h"

#include <QTextStream>

#include <vector>

namespace cli {

// stopCommand is the stop command a run would use. Returns the exit code: ExitFinished for a readable project (repaired
// or not, with pointer targets off the screen or not: the desktop it runs on may differ), ExitBadInput otherwise. The
// monitors are the desktop's, read without a window; where no desktop can be reached, the pointer targets are not
// checked.
int checkProject(const QString& path, const QString& stopCommand, QTextStream& out, QTextStream& err);
// The same with the monitors given (none: unknown).
int checkProject(const QString& path, const QString& stopCommand, QTextStream& out, QTextStream& err,
                 const std::vector<platform::ScreenArea>& monitors);

} // namespace cli
