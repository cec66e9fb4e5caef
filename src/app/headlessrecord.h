#pragma once

// `orvane --record FILE.cmdat`: records the user's input into a new project without the editor, with the same tray
// icon (or stop window), start delay and stop command as a run.

#include "cli/commandline.h"

class QuitSignals;

// Needs the GUI application object and the input backend. A quit signal ends the recording like the stop command (the
// project is still written). Returns the exit code (cli::ExitCode).
int recordWithoutEditor(const cli::Request& request, QuitSignals& quitSignals);
