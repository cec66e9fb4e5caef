#include "settings/config.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTest>

#include <sys/stat.h>

namespace {
void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QJsonObject readObject(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}
} // namespace

class tst_Config : public QObject {
    Q_OBJECT

    QString configPath;
    QString besideProgram;

private Q_SLOTS:
    void initTestCase()
    {
        // Redirects the configuration directory to a test location: the real one is never touched.
        QStandardPaths::setTestModeEnabled(true);
        configPath = settings::configFilePath();
        QVERIFY(configPath.endsWith(QLatin1String("/orvane_free.json")));
        QVERIFY(configPath.contains(QLatin1String("qttest")));
        besideProgram = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("orvane_free.json"));
    }
    void init()
    {
        QFile::remove(configPath);
        QFile::remove(besideProgram);
    }
    void cleanup() { init(); }

    // Broken or oddly typed files: defaults where the file cannot be trusted, the rest read. A FIFO or an oversized
    // file is not read at all (a FIFO would hang every start).
    void loading_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("stertTime");
        QTest::addColumn<int>("runNumber");
        QTest::addColumn<QString>("stopCommand");
        QTest::addColumn<bool>("isHelp");
        QTest::newRow("no file") << QByteArray("-") << 5 << 1 << "83,3" << false;
        QTest::newRow("array") << QByteArray("[]") << 5 << 1 << "83,3" << false;
        QTest::newRow("empty file") << QByteArray() << 5 << 1 << "83,3" << false;
        const QByteArray valid = R"({"stert_time":7})";
        QTest::newRow("too large") << valid + QByteArray(settings::MaxConfigFileSize, ' ') << 5 << 1 << "83,3" << false;
        QTest::newRow("FIFO") << QByteArray("fifo") << 5 << 1 << "83,3" << false;
        QTest::newRow("syntax error") << QByteArray("{\"stert_time\": ") << 5 << 1 << "83,3" << false;
        QTest::newRow("wrong types keep defaults")
            << QByteArray(R"({"stert_time":"7","run_number":2.5,"stop_command":12,"is_help":"yes",)"
                          R"("record_idle_cap":-4,"record_delay":"3","record_moves":1})")
            << 5 << 1 << "83,3" << false;
        QTest::newRow("valid values") << QByteArray(R"({"stert_time":7,"run_number":114514,"stop_command":"なし",)"
                                                    R"("is_help":true,"language":"en","record_idle_cap":30,)"
                                                    R"("record_delay":12,"record_moves":true})")
                                      << 7 << 114514 << "なし" << true;
    }
    void loading()
    {
        QFETCH(QByteArray, content);
        if (content == "fifo")
            QCOMPARE(mkfifo(QFile::encodeName(configPath).constData(), 0600), 0);
        else if (content != "-")
            writeFile(configPath, content);
        // A configuration already read once: nothing of that earlier read may outlive a file that lacks it.
        settings::Config config;
        config.stopCommand = QStringLiteral("65,2");
        config.lastFilePath = QStringLiteral("/old/a.cmdat");
        settings::loadConfig(config);
        QCOMPARE(config.lastFilePath, QString());
        QTEST(config.stertTime, "stertTime");
        QTEST(config.runNumber, "runNumber");
        QTEST(config.stopCommand, "stopCommand");
        QTEST(config.isHelp, "isHelp");
        // The language choice came later: only "valid values" has one, every other file reads as 自動.
        // So are the recording's: the cap on pauses, the record dialog's last delay and moves choice.
        const bool valid = QTest::currentDataTag() == QByteArray("valid values");
        QCOMPARE(config.language, valid ? settings::Language::English : settings::Language::Auto);
        QCOMPARE(QList<int>({config.recordIdleCap, config.recordDelay, config.recordMoves}),
                 valid ? QList<int>({30, 12, 1}) : QList<int>({0, 0, 0}));
        config.language = settings::Language::Japanese; // and it is written back
        QVERIFY(settings::saveConfig(config));
        settings::loadConfig(config);
        QCOMPARE(config.language, settings::Language::Japanese);
        QCOMPARE(config.recordDelay == 12 && config.recordMoves, valid);
    }

    // 自動 is Japanese for a Japanese desktop and for one without a language (C, POSIX), English for any other.
    void interfaceLanguage_data()
    {
        QTest::addColumn<settings::Language>("choice");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<bool>("japanese");
        QTest::newRow("auto, C") << settings::Language::Auto << QLocale::c() << true;
        QTest::newRow("auto, ja_JP") << settings::Language::Auto << QLocale(QStringLiteral("ja_JP")) << true;
        QTest::newRow("auto, en_US") << settings::Language::Auto << QLocale(QStringLiteral("en_US")) << false;
        QTest::newRow("Japanese, en_US") << settings::Language::Japanese << QLocale(QStringLiteral("en_US")) << true;
        QTest::newRow("English, C") << settings::Language::English << QLocale::c() << false;
    }
    void interfaceLanguage()
    {
        QFETCH(settings::Language, choice);
        QFETCH(QLocale, locale);
        QTEST(settings::japaneseInterface(choice, locale), "japanese");
    }

    void filePathRules_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("loaded");
        QTest::newRow("backslashes") << R"(C:\Users\me\work\a.cmdat)" << QStringLiteral("C:/Users/me/work/a.cmdat");
        QTest::newRow("cleaned") << "/home/me/./x/../a.cmdat" << QStringLiteral("/home/me/a.cmdat");
        QTest::newRow("empty keeps desktop") << "" << QString();
    }
    void filePathRules()
    {
        QFETCH(QString, stored);
        QFETCH(QString, loaded);
        QJsonObject obj{{"file_path", stored}};
        writeFile(configPath, QJsonDocument(obj).toJson());
        settings::Config config;
        settings::loadConfig(config);
        QCOMPARE(config.lastFilePath, loaded);
        QCOMPARE(config.filePath, loaded.isEmpty() ? settings::desktopDirectory() : loaded);

        // A new project that was never saved writes back the path read at start-up.
        config.filePath = settings::desktopDirectory();
        QVERIFY(settings::saveConfig(config));
        QCOMPARE(readObject(configPath).value("file_path").toString(), loaded);
        // A saved project writes its own path.
        config.filePath = QStringLiteral("/tmp/p/my.cmdat");
        QVERIFY(settings::saveConfig(config));
        QCOMPARE(readObject(configPath).value("file_path").toString(), QStringLiteral("/tmp/p/my.cmdat"));
    }

    // The old file beside the program is copied once and never wins afterwards; members this version does not know
    // are not written back, and the program is always Japanese.
    void migrationCopiesOnceAndNeverOverwrites()
    {
        writeFile(besideProgram, R"({"stert_time":11,"colour":"red","is_japanese":false})");
        settings::Config config;
        settings::loadConfig(config);
        QCOMPARE(config.stertTime, 11);
        QVERIFY(QFile::exists(besideProgram));

        config.stertTime = 12;
        QVERIFY(settings::saveConfig(config));
        const QJsonObject saved = readObject(configPath);
        QVERIFY(!saved.contains("colour"));
        QCOMPARE(saved.value("is_japanese").toBool(), true);
        settings::Config again;
        settings::loadConfig(again);
        QCOMPARE(again.stertTime, 12);
    }

    void failedSaveKeepsOldFile()
    {
        writeFile(configPath, R"({"stert_time":3})");
        // A directory in the way of the temporary file's rename makes the commit fail even for root.
        const QString blocked = configPath + QStringLiteral(".blocked");
        QDir().mkpath(blocked);
        QFile::remove(configPath);
        QVERIFY(QDir().rename(blocked, configPath));
        settings::Config config;
        config.stertTime = 8;
        QVERIFY(!settings::saveConfig(config));
        QVERIFY(QFileInfo(configPath).isDir());
        QDir(configPath).removeRecursively();
    }
};

QTEST_GUILESS_MAIN(tst_Config)
#include "tst_config.moc"
