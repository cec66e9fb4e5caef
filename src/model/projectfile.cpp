#include "projectfile.h"
#include "regularfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QVariant>

namespace model {

namespace {
Q_LOGGING_CATEGORY(lcProjectFile, "orvane.projectfile")

const QString CommandsKey = QStringLiteral("list_command");
const QString ConditionsKey = QStringLiteral("list_condition");

QJsonArray toJson(const EntryList& entries)
{
    QJsonArray pages;
    for (const Entry& entry : entries)
        pages.append(QJsonArray::fromStringList(entry));
    return pages;
}

// Elements that are not arrays are skipped; numbers and booleans become their text, anything else the empty text.
EntryList fromJson(const QJsonValue& value)
{
    EntryList entries;
    if (!value.isArray())
        return entries;
    const QJsonArray pages = value.toArray();
    for (const QJsonValue& page : pages) {
        if (!page.isArray())
            continue;
        Entry entry;
        const QJsonArray elements = page.toArray();
        for (const QJsonValue& element : elements)
            entry.append(element.toVariant().toString());
        entries.append(entry);
    }
    return entries;
}

ProjectFileResult failure(ProjectFileError error, const QString& message)
{
    return {error, message};
}

SaveStepHook saveStepHook = nullptr;

// A page of the model holds at most four values; this leaves room for files written by hand.
constexpr qsizetype MaxValuesPerPage = 8;

// Counts the arrays, objects and separators outside strings without building anything, so that a file of millions of
// tiny pages is refused before the parser spends gigabytes on it.
bool withinPageLimit(const QByteArray& content)
{
    qsizetype containers = 0;
    qsizetype separators = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : content) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            ++containers;
        } else if (c == ',') {
            ++separators;
        }
    }
    // Two lists of pages, the lists themselves and the root object.
    return containers <= 2 * MaxProjectPages + 3 && separators <= 2 * MaxProjectPages * MaxValuesPerPage;
}

QString tooManyPagesText()
{
    return QCoreApplication::translate("model", "ページが多すぎます（100,000 ページまで）。");
}

} // namespace

QString withProjectExtension(const QString& fileName)
{
    if (fileName.endsWith(ProjectExtension, Qt::CaseInsensitive))
        return fileName;
    return fileName + ProjectExtension;
}

QString unnamedProjectTitle()
{
    return QCoreApplication::translate("model", "新規プロジェクト");
}

QString projectTitle(const QString& filePath, const QString& unnamedPath)
{
    if (filePath == unnamedPath)
        return unnamedProjectTitle();
    return QFileInfo(filePath).baseName();
}

QByteArray serializeProject(const EntryList& commands, const EntryList& conditions)
{
    QJsonObject root;
    root.insert(CommandsKey, toJson(commands));
    root.insert(ConditionsKey, toJson(conditions));
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

ProjectFileResult parseProject(const QByteArray& content, ProjectData* out)
{
    if (!withinPageLimit(content))
        return failure(ProjectFileError::TooManyPages, tooManyPagesText());
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(content, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return failure(ProjectFileError::ParseError,
                       QCoreApplication::translate("model", "JSON 解析エラー: %1").arg(parseError.errorString()));
    if (!document.isObject())
        return failure(ProjectFileError::BadFormat,
                       QCoreApplication::translate("model", "ファイルの形式が正しくありません。"));

    const QJsonObject root = document.object();
    if (root.value(CommandsKey).toArray().size() > MaxProjectPages ||
        root.value(ConditionsKey).toArray().size() > MaxProjectPages)
        return failure(ProjectFileError::TooManyPages, tooManyPagesText());
    ProjectData data;
    data.commands = fromJson(root.value(CommandsKey));
    data.conditions = fromJson(root.value(ConditionsKey));
    // Without a single page there is nothing to repair towards: this is not a project.
    if (data.commands.isEmpty() && data.conditions.isEmpty())
        return failure(ProjectFileError::BadFormat,
                       QCoreApplication::translate("model", "ファイルの形式が正しくありません。"));
    data.repairs = repairProject(data.commands, data.conditions);
    if (out)
        *out = std::move(data);
    return {};
}

ProjectFileResult writeProjectFile(const QString& path, const EntryList& commands, const EntryList& conditions)
{
    if (path.isEmpty())
        return failure(ProjectFileError::NoPath, QCoreApplication::translate("model", "保存先が設定されていません。"));

    // The new content goes to a temporary file that replaces the old one only once it is complete.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failure(ProjectFileError::CannotOpen,
                       QCoreApplication::translate("model", "ファイルを開けませんでした:%1").arg(path));
    const QByteArray bytes = serializeProject(commands, conditions);
    const qint64 written = file.write(bytes);
    if (saveStepHook && written == bytes.size())
        saveStepHook(false);
    if (written != bytes.size() || !file.commit()) {
        qCWarning(lcProjectFile) << "Writing" << path << "failed:" << file.errorString();
        file.cancelWriting();
        return failure(ProjectFileError::WriteFailed,
                       QCoreApplication::translate("model", "ファイルへの書き込みに失敗しました：%1").arg(path));
    }
    if (saveStepHook)
        saveStepHook(true);
    return {};
}

void setSaveStepHook(SaveStepHook hook)
{
    saveStepHook = hook;
}

ProjectFileResult readProjectFile(const QString& path, ProjectData* out)
{
    if (path.isEmpty())
        return failure(ProjectFileError::NoPath,
                       QCoreApplication::translate("model", "読み込むファイルが設定されていません。"));

    QByteArray content;
    switch (readRegularFile(path, MaxProjectFileSize, &content)) {
    case FileReadError::None:
        break;
    case FileReadError::CannotOpen:
        return failure(ProjectFileError::CannotOpen,
                       QCoreApplication::translate("model", "ファイルを開けませんでした：%1").arg(path));
    case FileReadError::NotRegular:
        return failure(
            ProjectFileError::NotRegular,
            QCoreApplication::translate(
                "model", "通常のファイルではないため読み込めません（フォルダー、名前付きパイプ、デバイスなど）：%1")
                .arg(path));
    case FileReadError::TooLarge:
        return failure(ProjectFileError::TooLarge,
                       QCoreApplication::translate("model", "ファイルが大きすぎます（64 MiB まで）：%1").arg(path));
    }

    ProjectData data;
    const ProjectFileResult result = parseProject(content, &data);
    if (!result.ok())
        return result;
    // One line however many pages were repaired: a broken file of many pages would flood the log.
    if (!data.repairs.isEmpty())
        qCWarning(lcProjectFile).noquote()
            << "Project file" << path << "repaired in" << data.repairs.size() << "places";
    if (out)
        *out = std::move(data);
    return {};
}

} // namespace model
