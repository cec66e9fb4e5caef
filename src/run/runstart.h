#pragma once

// Pieces of the run start that need no main window: the project name shown while a run is in progress, the stop text
// of the tray icon, and stopping a run that is still in progress when the program closes.

#include <QString>

class QThread;
class Run;

// "新規プロジェクト" for a project that was never saved or loaded (its path is the desktop directory), otherwise the
// file's base name (demo.old.cmdat gives demo).
QString runProjectName(const QString& filePath);

// "「name」を終了": the tray icon's tool tip and the text of the window that stands in for it.
QString stopToolTip(const QString& projectName);

// Stops a run that is still in progress and waits until its threads have let go of every key and button and its worker
// thread has ended; deletes the run if its worker thread did not get to it. For the program's shut-down, on the GUI
// thread. Returns false when the run did not end within timeoutMs (it is then left alone).
bool stopRunAndWait(Run* run, QThread* worker, int timeoutMs);
