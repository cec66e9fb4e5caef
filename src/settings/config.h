#pragma once

// The configuration file "orvane_free.json": the run settings of the last run, the last project path and the user's
// one-time and confirmation flags. Read once at start-up, written once when the main window closes. Failures are
// reported to the debug log only and leave the defaults (reading) or the old file (writing) in place.

#include <QLocale>
#include <QString>
#include <QStringList>

namespace settings {

// 設定 → 表示言語. Auto follows the desktop's language (see japaneseInterface).
enum class Language { Auto, Japanese, English };

struct Config {
    int stertTime = 5;
    int runNumber = 1;
    QString stopCommand = QStringLiteral("83,3");
    QString filePath;     // desktop directory for a project never saved
    QString lastFilePath; // file_path as read at start-up, empty when there was none
    bool isUsedStert = false;
    bool isUsedThis = false;
    bool isHelp = false;
    bool isMessageFile = true;
    bool isMessagePaste = false;
    bool isMessageDelete = true;
    bool isJapanese = true;
    int recordIdleCap = 0;              // a recording shortens longer pauses to this many seconds; 0: never
    int recordDelay = 0;                // 記録設定's last start delay; 0: none yet, the run's is offered
    bool recordMoves = false;           // 記録設定's last choice of マウスの動きも記録する
    Language language = Language::Auto; // "language": "auto", "ja" or "en"; a file without it reads as Auto
    QStringList recentFiles;            // newest first, at most MaxRecentFiles
};

inline constexpr int MaxRecentFiles = 8;

inline constexpr const char* ConfigFileName = "orvane_free.json";

// A configuration holds a few settings and eight paths: a larger file is not read.
inline constexpr qint64 MaxConfigFileSize = 1024 * 1024;

// The user's desktop directory: the project path of an unnamed project.
QString desktopDirectory();

// Path of the configuration file: in the per-user configuration directory (created if missing), or beside the
// program when that directory cannot be created.
QString configFilePath();

// The program's own directory in the user's state directory ($XDG_STATE_HOME/orvane on Linux), for what the program
// keeps between starts but the user never edits: the reports of the last runs, the recovery copy of a project. The
// test location while QStandardPaths' test mode is on. Not created here.
QString stateDirectory();

// Copies a configuration file left beside the program to the configuration path; never overwrites.
void migrateConfig();

// Puts path into the recent-files list, first (or last, while reading the stored list in order), once, and drops the
// oldest beyond MaxRecentFiles.
void addRecentFile(QStringList& recentFiles, const QString& path, bool atEnd = false);

// The desktop's locale for messages: the C locale where the C library's messages locale is C or POSIX (LANGUAGE is
// then ignored, as gettext does), else the system locale.
QLocale interfaceLocale();

// Whether the user interface speaks Japanese: always for Japanese, never for English, and for Auto when the desktop's
// language is Japanese or it has none (the C and POSIX locales, as in scripts and the tests, keep the Japanese the
// program always spoke).
bool japaneseInterface(Language choice, const QLocale& system = interfaceLocale());

// Resets the start-up defaults, then reads the file over them. Wrong types keep the default of that member.
void loadConfig(Config& config);

// Writes the whole configuration atomically; returns false (old file untouched) on failure.
bool saveConfig(const Config& config);

} // namespace settings
