#pragma once

// Names of the run start: the project name shown while a run is in progress and the stop text of the tray icon.

#include <QString>

// "新規プロジェクト" for a project that was never saved or loaded (its path is the desktop directory), otherwise the
// file's base name (demo.old.cmdat gives demo).
QString runProjectName(const QString& filePath);

// "「name」を終了": the tray icon's tool tip and the text of the window that stands in for it.
QString stopToolTip(const QString& projectName);
