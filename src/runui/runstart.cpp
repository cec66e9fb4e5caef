#include "runstart.h"

#include "model/projectfile.h"

#include <QCoreApplication>
#include <QStandardPaths>

QString runProjectName(const QString& filePath)
{
    // The same name as the window title, so the tray names the project as the editor did.
    return model::projectTitle(filePath, QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
}

QString stopToolTip(const QString& projectName)
{
    return QCoreApplication::translate("runui", "「%1」を終了").arg(projectName);
}
