#pragma once

// The images of a run: the tray icon and the warning sign of the run settings dialog. They are files beside the
// program; where a file cannot be found the program draws its own, so that the icon is never empty.

#include <QIcon>
#include <QString>

namespace runicons {

inline const QString TrayIconPath = QStringLiteral("image/SystemTrayIcon.png");
inline const QString DangerIconPath = QStringLiteral("image/danger.png");

// The existing file for a relative image path: first against the working directory, then beside the executable,
// then in ../share/orvane/ (bundle::findBundledFile).
// Empty when neither exists.
QString findImage(const QString& relativePath);

// The icon for the tray (or the window that stands in for it) and for the "no stop command" check box. GUI thread.
QIcon trayIcon();
QIcon dangerIcon();

} // namespace runicons
