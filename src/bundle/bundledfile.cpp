#include "bundledfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace bundle {

QStringList bundleDirs(const QString& programDir)
{
    const QDir dir(programDir);
    return {dir.absolutePath(), QDir::cleanPath(dir.absoluteFilePath(QStringLiteral("../share/orvane")))};
}

QString findBundledFile(const QString& relativePath, const QString& programDir)
{
    for (const QString& dir : bundleDirs(programDir)) {
        // Only a regular file counts: a folder of the same name is no document.
        const QFileInfo info(QDir(dir).filePath(relativePath));
        if (info.isFile())
            return info.absoluteFilePath();
    }
    return {};
}

QString findBundledFile(const QString& relativePath)
{
    if (!QCoreApplication::instance())
        return {};
    return findBundledFile(relativePath, QCoreApplication::applicationDirPath());
}

} // namespace bundle
