#pragma once

// Pieces of the run start that need no main window: the project name shown while a run is in progress, the stop text
// of the tray icon, and stopping a run that is still in progress when the program closes.

#include <QPointer>
#include <QString>

#include <memory>

class QThread;
class Run;
struct RunState;

// "新規プロジェクト" for a project that was never saved or loaded (its path is the desktop directory), otherwise the
// file's base name (demo.old.cmdat gives demo).
QString runProjectName(const QString& filePath);

// "「name」を終了": the tray icon's tool tip and the text of the window that stands in for it.
QString stopToolTip(const QString& projectName);

// Stops a run that may still be in progress and waits until its threads have let go of every key and button and its
// worker thread has ended; then deletes the run if the worker did not get to it. The run is reached only through its
// shared state until the worker has ended, because the worker may be deleting it meanwhile. For the program's
// shut-down, on the GUI thread. Returns false when the run did not end within timeoutMs (everything is then left as
// it is).
bool stopRunAndWait(const std::shared_ptr<RunState>& state, QPointer<Run>& run, QThread* worker, int timeoutMs);
