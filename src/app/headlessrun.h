#pragma once

// `orvane --run FILE.cmdat`: replays a project without the editor, with the same tray icon (or stop window) and stop
// command as a run from the editor, and ends the process with an exit code that tells a script how the run ended.

#include "cli/commandline.h"

class QuitSignals;

// Needs the GUI application object and the input backend. A quit signal stops the run like the stop command.
// Returns the exit code (cli::ExitCode).
// project is the request's file, read and judged before anything needed the desktop.
int runWithoutEditor(const cli::Request& request, const model::ProjectData& project, QuitSignals& quitSignals);
