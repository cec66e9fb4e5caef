// The project file: format, extension and title rules, every failure message, repairs of malformed files and the
// atomic write.

#include "model/projectfile.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

using model::EntryList;
using model::ProjectFileError;

static QByteArray readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

static bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

class tst_ProjectFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The extension is added unless the chosen name has it in any case; the title is the name up to its first dot.
    void names_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        const QString desktop = QStringLiteral("/home/u/Desktop");
        QTest::newRow("no extension") << model::withProjectExtension("/p/demo") << "/p/demo.cmdat";
        QTest::newRow("capitals kept") << model::withProjectExtension("/p/demo.CMDAT") << "/p/demo.CMDAT";
        QTest::newRow("other extension") << model::withProjectExtension("/p/demo.txt") << "/p/demo.txt.cmdat";
        QTest::newRow("unnamed") << model::projectTitle(desktop, desktop) << "新規プロジェクト";
        QTest::newRow("title") << model::projectTitle("/home/u/work/demo.cmdat", desktop) << "demo";
        QTest::newRow("first dot ends the title") << model::projectTitle("/home/u/my.project.cmdat", desktop) << "my";
    }

    void names()
    {
        QFETCH(QString, name);
        QTEST(name, "expected");
    }

    void roundTripEveryKind()
    {
        const EntryList commands = {
            {"なし"},
            {"クリック", "右", "0.25"},
            {"マウスポインター", "-5", "1080"},
            {"スムーズムーブ", "1920", "99999999", "2.5"},
            {"キー", "65,2", "0.01"},
            {"入力", "こんにちは\n二行目\t\"引用\" \\ <b>x</b>", "3"},
            {"入力", "", "3"},
            {"未知の種類", "a", "b", "c"},
        };
        const EntryList conditions = {
            {"時間", "0.1"},   {"即時"}, {"キー", "160,0"}, {"時間", "1000"},
            {"時間", "0.001"}, {"即時"}, {"キー", ""},      {"謎"},
        };
        const QString path = dir.filePath(QStringLiteral("round trip.cmdat"));
        QVERIFY(model::writeProjectFile(path, commands, conditions).ok());

        const QByteArray bytes = readAll(path);
        QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));
        QVERIFY(bytes.contains("こんにちは\\n二行目")); // Japanese written directly, the line break escaped
        QVERIFY(!bytes.contains("\\u"));
        QVERIFY(bytes.indexOf("list_command") < bytes.indexOf("list_condition"));

        model::ProjectData data;
        const model::ProjectFileResult result = model::readProjectFile(path, &data);
        QVERIFY2(result.ok(), qPrintable(result.message));
        QCOMPARE(data.commands, commands);
        QCOMPARE(data.conditions, conditions);
        QVERIFY(data.repairs.isEmpty());
    }

    // Files that are refused hand nothing out, and a file over the size limit is refused before it is read; so is
    // anything but a regular file, at once. Elements that are not pages are skipped and scalars read as their text;
    // extra members are ignored. However many pages are repaired, the log gets one line.
    void reading_data()
    {
        QTest::addColumn<QByteArray>("content"); // "-": no file, "huge": a project padded past the limit, "fifo"
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("message");    // %1: the path; empty: the JSON parser's message, if any
        QTest::addColumn<EntryList>("commands"); // refused: those that were there before
        QTest::addColumn<EntryList>("conditions");
        const int bad = int(ProjectFileError::BadFormat);
        const QString badText = QStringLiteral("ファイルの形式が正しくありません。");
        const EntryList kept{{"keep"}};
        QTest::newRow("missing") << QByteArray("-") << int(ProjectFileError::CannotOpen)
                                 << QStringLiteral("ファイルを開けませんでした：%1") << kept << EntryList{};
        QTest::newRow("too large") << QByteArray("huge") << int(ProjectFileError::TooLarge)
                                   << QStringLiteral("ファイルが大きすぎます（64 MiB まで）：%1") << kept
                                   << EntryList{};
#ifdef Q_OS_UNIX
        QTest::newRow("FIFO") << QByteArray("fifo") << int(ProjectFileError::NotRegular)
                              << QStringLiteral("通常のファイルではないため読み込めません"
                                                "（フォルダー、名前付きパイプ、デバイスなど）：%1")
                              << kept << EntryList{};
#endif
        QByteArray pages = "{\"list_command\":[" + QByteArray("[],").repeated(model::MaxProjectPages) + "[]]}";
        QTest::newRow("too many pages") << pages << int(ProjectFileError::TooManyPages)
                                        << QStringLiteral("ページが多すぎます（100,000 ページまで）。") << kept
                                        << EntryList{};
        QTest::newRow("many repairs, one log line")
            << QByteArray("{\"list_command\":[[],[],[]]}") << 0 << QString() << EntryList(3, model::freshCommand())
            << EntryList(3, model::freshCondition());
        QTest::newRow("array at top") << QByteArray("[[\"なし\"]]") << bad << badText << kept << EntryList{};
        QTest::newRow("both empty") << QByteArray("{\"list_command\":[],\"list_condition\":[]}") << bad << badText
                                    << kept << EntryList{};
        QTest::newRow("not json") << QByteArray("hello") << int(ProjectFileError::ParseError) << QString() << kept
                                  << EntryList{};
        QTest::newRow("non-array pages skipped")
            << QByteArray("{\"list_command\":[5,[\"なし\"],\"x\"],\"list_condition\":[[\"即時\"],{}]}") << 0
            << QString() << EntryList{{"なし"}} << EntryList{{"即時"}};
        QTest::newRow("scalars") << QByteArray(
                                        "{\"list_command\":[[7]],\"list_condition\":[[\"時間\",0.5,null]],\"x\":1}")
                                 << 0 << QString() << EntryList{{"7"}} << EntryList{{"時間", "0.5", ""}};
    }

    void reading()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, error);
        QFETCH(QString, message);
        const QString path = dir.filePath(QStringLiteral("read.cmdat"));
        QFile::remove(path);
        if (content == "huge") {
            // It would parse: only the size check refuses it.
            const QByteArray project = model::serializeProject({{"なし"}}, {{"即時"}});
            QVERIFY(writeBytes(path, project + QByteArray(model::MaxProjectFileSize + 1 - project.size(), ' ')));
        } else if (content == "fifo") {
#ifdef Q_OS_UNIX
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
#endif
        } else if (content != "-") {
            QVERIFY(writeBytes(path, content));
        }
        if (error == int(ProjectFileError::ParseError)) {
            QJsonParseError parseError;
            QJsonDocument::fromJson(content, &parseError);
            message = QStringLiteral("JSON 解析エラー: %1").arg(parseError.errorString());
        }
        model::ProjectData data;
        data.commands = {{"keep"}};
        QTest::failOnWarning(QRegularExpression(QStringLiteral("repaired(?! in \\d+ places)")));
        const model::ProjectFileResult result = model::readProjectFile(path, &data);
        QCOMPARE(int(result.error), error);
        QCOMPARE(result.message, message.contains(QLatin1String("%1")) ? message.arg(path) : message);
        QTEST(data.commands, "commands");
        QTEST(data.conditions, "conditions");
        QFile::remove(path);
    }

    void writeFailures()
    {
        const EntryList commands{model::freshCommand()};
        const EntryList conditions{model::freshCondition()};
        model::ProjectFileResult result = model::writeProjectFile(QString(), commands, conditions);
        QCOMPARE(result.error, ProjectFileError::NoPath);
        QCOMPARE(result.message, QStringLiteral("保存先が設定されていません。"));

        // A "folder" that is a file fails for root too, and leaves that file alone.
        const QString plainFile = dir.filePath(QStringLiteral("plain"));
        QVERIFY(writeBytes(plainFile, "x"));
        const QString underFile = plainFile + QStringLiteral("/p.cmdat");
        result = model::writeProjectFile(underFile, commands, conditions);
        QCOMPARE(result.error, ProjectFileError::CannotOpen);
        QCOMPARE(result.message, QStringLiteral("ファイルを開けませんでした:%1").arg(underFile));
        QCOMPARE(readAll(plainFile), QByteArray("x"));
    }

    void failedWriteKeepsOldFile()
    {
#ifdef Q_OS_UNIX
        const QString path = dir.filePath(QStringLiteral("keep.cmdat"));
        QVERIFY(model::writeProjectFile(path, {model::freshCommand()}, {model::freshCondition()}).ok());
        const QByteArray before = readAll(path);

        // A file-size limit makes the write fail even for root; the signal it raises is ignored so that write() fails.
        EntryList big;
        for (int i = 0; i < 200; ++i)
            big.append({QStringLiteral("入力"), QString(200, QLatin1Char('x')), QStringLiteral("3")});
        EntryList bigConditions(big.size(), model::freshCondition());
        rlimit old{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = 4096;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("failed")));
        const model::ProjectFileResult result = model::writeProjectFile(path, big, bigConditions);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);

        QCOMPARE(result.error, ProjectFileError::WriteFailed);
        QCOMPARE(result.message, QStringLiteral("ファイルへの書き込みに失敗しました：%1").arg(path));
        QCOMPARE(readAll(path), before);
        // No half-written temporary file is left behind.
        QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("keep*")}, QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("keep.cmdat")});
#else
        QSKIP("needs a file-size limit");
#endif
    }

private:
    QTemporaryDir dir;
};

QTEST_GUILESS_MAIN(tst_ProjectFile)
#include "tst_projectfile.moc"
