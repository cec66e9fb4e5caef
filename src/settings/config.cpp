#include "config.h"

#include "model/regularfile.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace settings {

namespace {
Q_LOGGING_CATEGORY(lcConfig, "orvane.config", QtWarningMsg)

// Backslashes are turned into slashes on every system, not only on Windows: a configuration file carried over from
// Windows must still name its project with "/" separators.
QString normalisedPath(const QString& path)
{
    QString slashed = QDir::fromNativeSeparators(path);
    slashed.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return QDir::cleanPath(slashed);
}
} // namespace

QString desktopDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}

QString configFilePath()
{
    const QString dirPath = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir dir(dirPath);
    if (dirPath.isEmpty() || (!dir.exists() && !dir.mkpath(QStringLiteral(".")))) {
        qCWarning(lcConfig) << "Failed to create config dir:" << dirPath;
        return QDir(QCoreApplication::applicationDirPath()).filePath(QString::fromLatin1(ConfigFileName));
    }
    return QDir::cleanPath(dir.filePath(QString::fromLatin1(ConfigFileName)));
}

QString stateDirectory()
{
    if (QStandardPaths::isTestModeEnabled())
        return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/orvane");
#else
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
#endif
}

void migrateConfig()
{
    const QString oldPath = QDir(QCoreApplication::applicationDirPath()).filePath(QString::fromLatin1(ConfigFileName));
    const QFileInfo oldInfo(oldPath);
    if (!oldInfo.exists() || !oldInfo.isFile())
        return;
    const QString newPath = configFilePath();
    if (QFileInfo(newPath).absoluteFilePath() == oldInfo.absoluteFilePath())
        return;
    // QFile::copy never overwrites: once the configuration path holds a file, it stays the user's.
    QFile::copy(oldPath, newPath);
    qCDebug(lcConfig) << "Migrated config from" << oldPath << "to" << newPath;
}

void loadConfig(Config& config)
{
    // Every member back to its start-up value, so nothing of an earlier read outlives a file that lacks it.
    config = Config{};
    config.filePath = desktopDirectory();

    migrateConfig();
    const QString path = configFilePath();
    qCDebug(lcConfig) << "Loading config from:" << path;

    QByteArray bytes;
    switch (model::readRegularFile(path, MaxConfigFileSize, &bytes)) {
    case model::FileReadError::None:
        break;
    case model::FileReadError::CannotOpen:
        qCDebug(lcConfig) << "No readable config file. Using defaults.";
        return;
    case model::FileReadError::NotRegular:
        qCWarning(lcConfig).noquote() << QCoreApplication::translate(
                                             "settings",
                                             "設定ファイルが通常のファイルではないため、既定の設定を使います：%1")
                                             .arg(path);
        return;
    case model::FileReadError::TooLarge:
        qCWarning(lcConfig).noquote() << QCoreApplication::translate(
                                             "settings",
                                             "設定ファイルが大きすぎるため（1 MiB まで）、既定の設定を使います：%1")
                                             .arg(path);
        return;
    }
    if (bytes.isEmpty()) {
        qCDebug(lcConfig) << "Config file is empty. Using defaults.";
        return;
    }
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        qCWarning(lcConfig) << "Failed to parse config JSON:" << error.errorString() << " offset:" << error.offset;
        return;
    }
    if (!doc.isObject()) {
        qCWarning(lcConfig) << "Config JSON is not an object.";
        return;
    }
    const QJsonObject obj = doc.object();
    auto readInt = [&obj](const char* key, int& member) {
        if (obj.contains(QLatin1String(key)))
            member = obj.value(QLatin1String(key)).toInt(member);
    };
    auto readBool = [&obj](const char* key, bool& member) {
        if (obj.contains(QLatin1String(key)))
            member = obj.value(QLatin1String(key)).toBool(member);
    };
    readInt("stert_time", config.stertTime);
    readInt("run_number", config.runNumber);
    if (obj.contains(QLatin1String("stop_command")))
        config.stopCommand = obj.value(QLatin1String("stop_command")).toString(config.stopCommand);
    if (obj.contains(QLatin1String("file_path"))) {
        const QString value = obj.value(QLatin1String("file_path")).toString();
        if (!value.isEmpty()) {
            config.filePath = normalisedPath(value);
            config.lastFilePath = config.filePath;
        }
    }
    readBool("is_used_stert", config.isUsedStert);
    readBool("is_used_this", config.isUsedThis);
    readBool("is_help", config.isHelp);
    readBool("is_message_file", config.isMessageFile);
    readBool("is_message_paste", config.isMessagePaste);
    readBool("is_message_delete", config.isMessageDelete);
    // Seconds; 0 (the default) keeps every pause of a recording as it was.
    config.recordIdleCap = std::max(0, obj.value(QLatin1String("record_idle_cap")).toInt(config.recordIdleCap));
    readInt("record_delay", config.recordDelay);
    readBool("record_moves", config.recordMoves);
    const QString language = obj.value(QLatin1String("language")).toString();
    if (language == QLatin1String("ja"))
        config.language = Language::Japanese;
    else if (language == QLatin1String("en"))
        config.language = Language::English;
    // Added later than the other keys: a file without it keeps an empty list.
    const QJsonArray recent = obj.value(QLatin1String("recent_files")).toArray();
    for (const QJsonValue& value : recent) {
        if (value.isString() && !value.toString().isEmpty())
            addRecentFile(config.recentFiles, value.toString(), true);
    }

    // The stop combination stays out: no log holds a key combination.
    qCDebug(lcConfig) << "Config loaded:"
                      << "stertTime =" << config.stertTime << "runNumber =" << config.runNumber
                      << "filePath =" << config.filePath;
}

QLocale interfaceLocale()
{
#if defined(Q_OS_UNIX)
    QByteArray messages = qgetenv("LC_ALL");
    if (messages.isEmpty())
        messages = qgetenv("LC_MESSAGES");
    if (messages.isEmpty())
        messages = qgetenv("LANG");
    if (messages.isEmpty() || messages == "C" || messages.startsWith("C.") || messages == "POSIX")
        return QLocale::c();
#endif
    return QLocale::system();
}

bool japaneseInterface(Language choice, const QLocale& system)
{
    if (choice != Language::Auto)
        return choice == Language::Japanese;
    if (system.language() == QLocale::C)
        return true;
    const QStringList languages = system.uiLanguages();
    return languages.isEmpty() || languages.constFirst().startsWith(QLatin1String("ja"));
}

void addRecentFile(QStringList& recentFiles, const QString& path, bool atEnd)
{
    const QString normalised = normalisedPath(path);
    recentFiles.removeAll(normalised);
    if (atEnd)
        recentFiles.append(normalised);
    else
        recentFiles.prepend(normalised);
    while (recentFiles.size() > MaxRecentFiles)
        recentFiles.removeLast();
}

bool saveConfig(const Config& config)
{
    migrateConfig();
    const QString filePath = config.filePath == desktopDirectory() ? config.lastFilePath : config.filePath;
    QJsonObject obj;
    obj.insert(QStringLiteral("stert_time"), config.stertTime);
    obj.insert(QStringLiteral("run_number"), config.runNumber);
    obj.insert(QStringLiteral("stop_command"), config.stopCommand);
    obj.insert(QStringLiteral("file_path"), filePath.isEmpty() ? QString() : normalisedPath(filePath));
    obj.insert(QStringLiteral("is_used_stert"), config.isUsedStert);
    obj.insert(QStringLiteral("is_used_this"), config.isUsedThis);
    obj.insert(QStringLiteral("is_help"), config.isHelp);
    obj.insert(QStringLiteral("is_message_file"), config.isMessageFile);
    obj.insert(QStringLiteral("is_message_paste"), config.isMessagePaste);
    obj.insert(QStringLiteral("is_message_delete"), config.isMessageDelete);
    obj.insert(QStringLiteral("record_idle_cap"), config.recordIdleCap);
    obj.insert(QStringLiteral("record_delay"), config.recordDelay);
    obj.insert(QStringLiteral("record_moves"), config.recordMoves);
    obj.insert(QStringLiteral("is_japanese"), true);
    const char* const languages[] = {"auto", "ja", "en"};
    obj.insert(QStringLiteral("language"), QLatin1String(languages[static_cast<int>(config.language)]));
    obj.insert(QStringLiteral("recent_files"), QJsonArray::fromStringList(config.recentFiles));
    const QByteArray bytes = QJsonDocument(obj).toJson(QJsonDocument::Indented);

    const QString path = configFilePath();
    qCDebug(lcConfig) << "Trying to save config to:" << path;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qCWarning(lcConfig) << "Cannot open config file for writing:" << path << " error:" << file.errorString();
        return false;
    }
    if (file.write(bytes) == -1) {
        qCWarning(lcConfig) << "Write failed:" << file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        qCWarning(lcConfig) << "Commit failed:" << file.errorString();
        return false;
    }
    qCDebug(lcConfig) << "Config saved OK. path =" << path;
    return true;
}

} // namespace settings
