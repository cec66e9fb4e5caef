#include "recoverycopy.h"

#include "projectfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QSaveFile>

namespace model {

namespace {
Q_LOGGING_CATEGORY(lcRecovery, "orvane.recovery")

const QString OriginalFileKey = QStringLiteral("original_file");
} // namespace

bool writeRecoveryCopy(const QString& dir, const RecoveryCopy& copy)
{
    const QString path = QDir(dir).filePath(RecoveryFileName);
    // The user may have opened an earlier copy in place; writing over it would lose what the copy kept.
    if (!copy.originalFile.isEmpty() &&
        QFileInfo(copy.originalFile).absoluteFilePath() == QFileInfo(path).absoluteFilePath()) {
        qCWarning(lcRecovery) << "No recovery copy: the project is the recovery file itself";
        return false;
    }
    QJsonObject root = QJsonDocument::fromJson(serializeProject(copy.commands, copy.conditions)).object();
    if (!copy.originalFile.isEmpty())
        root.insert(OriginalFileKey, copy.originalFile);
    const QByteArray bytes = QJsonDocument(root).toJson(QJsonDocument::Indented);
    QSaveFile file(path);
    // The pages may type passwords: the copy is the user's alone, as the file it stands in for may not be.
    if (!QDir().mkpath(dir) || !file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) || file.write(bytes) != bytes.size() ||
        !file.commit()) {
        qCWarning(lcRecovery) << "The recovery copy could not be written in" << dir << file.errorString();
        return false;
    }
    return true;
}

std::optional<RecoveryCopy> readRecoveryCopy(const QString& dir)
{
    const QString path = QDir(dir).filePath(RecoveryFileName);
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    ProjectData project;
    if (!readProjectFile(path, &project).ok()) {
        qCWarning(lcRecovery) << "The recovery copy in" << dir << "is not a readable project";
        return std::nullopt;
    }
    // Read a second time only for its one key: the project reader has already bounded and checked the file.
    QFile file(path);
    const QJsonObject root = file.open(QIODevice::ReadOnly)
                                 ? QJsonDocument::fromJson(file.read(MaxProjectFileSize)).object()
                                 : QJsonObject();
    return RecoveryCopy{std::move(project.commands), std::move(project.conditions),
                        root.value(OriginalFileKey).toString()};
}

void removeRecoveryCopy(const QString& dir)
{
    QFile::remove(QDir(dir).filePath(RecoveryFileName));
}

} // namespace model
