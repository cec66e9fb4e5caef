// The configuration reader on arbitrary file content. Whatever it reads, saving that configuration and reading it
// back must give the same settings: a start-up after a hostile file settles at once and stays settled.

#include "fuzzcheck.h"
#include "settings/config.h"

#include <QCoreApplication>
#include <QFile>
#include <QLoggingCategory>
#include <QStandardPaths>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {
bool same(const settings::Config& a, const settings::Config& b)
{
    return a.stertTime == b.stertTime && a.runNumber == b.runNumber && a.stopCommand == b.stopCommand &&
           a.filePath == b.filePath && a.lastFilePath == b.lastFilePath && a.isUsedStert == b.isUsedStert &&
           a.isUsedThis == b.isUsedThis && a.isHelp == b.isHelp && a.isMessageFile == b.isMessageFile &&
           a.isMessagePaste == b.isMessagePaste && a.isMessageDelete == b.isMessageDelete;
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // The configuration location follows HOME in test mode: a private folder, never the user's file.
    const std::string home = makeFuzzDir("config");
    setenv("HOME", home.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    QStandardPaths::setTestModeEnabled(true);
    QLoggingCategory::setFilterRules(QStringLiteral("*=false"));
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QString path = settings::configFilePath();
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) ==
                   static_cast<qint64>(size));
    }
    settings::Config loaded;
    settings::loadConfig(loaded);
    FUZZ_CHECK(settings::saveConfig(loaded));
    settings::Config reloaded;
    settings::loadConfig(reloaded);
    FUZZ_CHECK(same(loaded, reloaded));
    return 0;
}
