#include "translations.h"

#include "bundledfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace bundle {

namespace {

// Kept for the life of the process: an application object made later installs the same ones again.
QTranslator& programTranslator()
{
    static QTranslator translator;
    return translator;
}

QTranslator& qtTranslator()
{
    static QTranslator translator;
    return translator;
}

} // namespace

QString translationFile(const QString& language)
{
    return QStringLiteral("translations/orvane_%1.qm").arg(language);
}

bool installTranslations(bool japanese, const QString& programDir)
{
    if (!QCoreApplication::instance())
        return false;
    QCoreApplication::removeTranslator(&programTranslator());
    QCoreApplication::removeTranslator(&qtTranslator());
    const QString language = japanese ? QStringLiteral("ja") : QStringLiteral("en");

    const QString dir = programDir.isEmpty() ? QCoreApplication::applicationDirPath() : programDir;
    const QString qtName = QStringLiteral("qtbase_") + language;
    if (qtTranslator().load(qtName, QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        qtTranslator().load(qtName, QDir(dir).filePath(QStringLiteral("translations"))))
        QCoreApplication::installTranslator(&qtTranslator());
    if (japanese)
        return true;
    const QString file = findBundledFile(translationFile(language), dir);
    if (file.isEmpty() || !programTranslator().load(file))
        return false;
    QCoreApplication::installTranslator(&programTranslator());
    return true;
}

} // namespace bundle
