#include "cli/commandline.h"
#include "cli/projectcheck.h"
#include "cli/projectsummary.h"
#include "cli/runreport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using cli::Request;
Q_DECLARE_METATYPE(Request::Mode)

class tst_CommandLine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void arguments_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<Request::Mode>("mode");
        QTest::addColumn<QString>("expected"); // file|repeat|endless|delay|stop|report, or a word the error names
        QTest::newRow("no arguments") << "" << Request::Mode::Editor << "||0|||";
        QTest::newRow("open") << "a.cmdat" << Request::Mode::Editor << "a.cmdat||0|||";
        QTest::newRow("run defaults") << "--run a.cmdat" << Request::Mode::Run << "a.cmdat||0|||";
        QTest::newRow("run all") << "--run a.cmdat --repeat 2 --delay 0 --stop Ctrl+Alt+S --report r.json"
                                 << Request::Mode::Run << "a.cmdat|2|0|0|83,3|r.json";
        QTest::newRow("endless, stored stop")
            << "--run --endless --stop 123,0 a.cmdat" << Request::Mode::Run << "a.cmdat||1||123,0|";
        QTest::newRow("shown stop, any case")
            << "--run a.cmdat --stop ctrl+shift+f12" << Request::Mode::Run << "a.cmdat||0||123,6|";
        QTest::newRow("check") << "--check a.cmdat" << Request::Mode::Check << "a.cmdat||0|||";
        QTest::newRow("check with a stop")
            << "--check a.cmdat --stop F9" << Request::Mode::Check << "a.cmdat||0||120,0|";
        QTest::newRow("record") << "--record r.cmdat --delay 0 --moves --stop 83,3" << Request::Mode::Record
                                << "r.cmdat||0|0|83,3|";
        QTest::newRow("record and repeat") << "--record r.cmdat --repeat 2" << Request::Mode::Error << "--repeat";
        QTest::newRow("moves without record") << "--run a.cmdat --moves" << Request::Mode::Error << "--moves";
        QTest::newRow("stop the runs") << "--stop" << Request::Mode::StopRuns << "";
        QTest::newRow("help") << "--help --run" << Request::Mode::Help << "";
        QTest::newRow("version") << "-v" << Request::Mode::Version << "";
        QTest::newRow("run without file") << "--run" << Request::Mode::Error << ".cmdat";
        QTest::newRow("two files") << "--run a.cmdat b.cmdat" << Request::Mode::Error << "b.cmdat";
        QTest::newRow("run and check") << "--run --check a.cmdat" << Request::Mode::Error << "--check";
        QTest::newRow("repeat and endless")
            << "--run a.cmdat --repeat 2 --endless" << Request::Mode::Error << "--endless";
        QTest::newRow("repeat zero") << "--run a.cmdat --repeat 0" << Request::Mode::Error << "--repeat";
        QTest::newRow("repeat text") << "--run a.cmdat --repeat x" << Request::Mode::Error << "x";
        QTest::newRow("negative delay") << "--run a.cmdat --delay -1" << Request::Mode::Error << "-1";
        QTest::newRow("unknown key") << "--run a.cmdat --stop Ctrl+Foo" << Request::Mode::Error << "Ctrl+Foo";
        QTest::newRow("modifier in the middle only")
            << "--run a.cmdat --stop S+Ctrl" << Request::Mode::Error << "S+Ctrl";
        QTest::newRow("no stop key") << "--run a.cmdat --stop なし" << Request::Mode::Error << "なし";
        QTest::newRow("run option without run") << "a.cmdat --repeat 2" << Request::Mode::Error << "--run";
        QTest::newRow("unknown option") << "--fast a.cmdat" << Request::Mode::Error << "fast";
    }
    void arguments()
    {
        QFETCH(QString, line);
        QFETCH(Request::Mode, mode);
        QFETCH(QString, expected);
        QStringList args{QStringLiteral("orvane")};
        if (!line.isEmpty())
            args += line.split(QLatin1Char(' '));
        const Request request = cli::parseCommandLine(args);
        QCOMPARE(request.mode, mode);
        if (mode == Request::Mode::Error) {
            QVERIFY2(request.error.contains(expected), qPrintable(request.error));
            return;
        }
        if (expected.isEmpty())
            return;
        const QString got = QStringList{request.file,
                                        request.repeat ? QString::number(*request.repeat) : QString(),
                                        QString::number(request.endless),
                                        request.delay ? QString::number(*request.delay) : QString(),
                                        request.stop.value_or(QString()),
                                        request.report}
                                .join(QLatin1Char('|'));
        QCOMPARE(got, expected);
    }

    void pageDescriptions_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("click") << cli::describeOperation({"クリック", "左", "0.005"}) << "クリック（左、0.005 秒）";
        QTest::newRow("key") << cli::describeOperation({"キー", "65,2", "0.1"}) << "キー（Ctrl+A、0.1 秒）";
        QTest::newRow("line break") << cli::describeOperation({"入力", "あ\nい", "2"}) << "入力（「あ\\nい」、2 秒）";
        QTest::newRow("smooth move") << cli::describeOperation({"スムーズムーブ", "10", "20", "1"})
                                     << "スムーズムーブ（10, 20、1 秒）";
        QTest::newRow("unknown kind") << cli::describeOperation({"未来", "x"}) << "未来（x）";
        QTest::newRow("key condition") << cli::describeCondition({"キー", "123,0"}) << "キー（F12）";
        QTest::newRow("time") << cli::describeCondition({"時間", "0.02"}) << "時間（0.02 秒）";
    }
    void pageDescriptions()
    {
        QFETCH(QString, text);
        QTEST(text, "expected");
    }

    // The program itself, started without any display: --check needs none, --run judges its file first and then
    // says that there is no display, as the editor does, instead of the toolkit's abort.
    void withoutDisplay_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QByteArray>("content"); // "fifo": a FIFO, which no writer ever opens
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("printed"); // on standard output, or standard error when not 0
        const QByteArray good = R"({"list_command":[["なし"],["クリック","右","1"]],)"
                                R"("list_condition":[["即時"],["キー","27,0"]]})";
        QTest::newRow("check") << "--check" << good << 0
                               << QStringList{"2 ページ", "1. なし → 即時", "2. クリック（右、1 秒） → キー（Esc）"};
        QTest::newRow("check, repaired") << "--check" << QByteArray(R"({"list_command":[["入力"]]})") << 0
                                         << QStringList{"1 ページ", "修復: "};
        QTest::newRow("check, refused") << "--check" << QByteArray("[1,2]") << 2 << QStringList{"p.cmdat: "};
        QTest::newRow("run") << "--run" << good << 3 << QStringList{"画面に接続できないため、実行できません。"};
        QTest::newRow("record") << "--record" << good << 3 << QStringList{"画面に接続できないため、記録できません。"};
        QTest::newRow("editor") << "" << good << 3 << QStringList{"エディターを開けません"};
        QTest::newRow("check, FIFO") << "--check" << QByteArray("fifo") << 2 << QStringList{"通常のファイルではない"};
        QTest::newRow("run, FIFO") << "--run" << QByteArray("fifo") << 2 << QStringList{"通常のファイルではない"};
        const QByteArray offScreen(R"({"list_command":[["クリック","左","1"],["マウスポインター","5000","-300"]],)"
                                   R"("list_condition":[["即時"],["即時"]]})");
        QTest::newRow("check, pointer off the screen")
            << "monitor" << offScreen << 0
            << QStringList{"警告: 2 ページ目: マウスポインターの移動先 (5000, -300) はどのモニターの上にもありません"
                           "（画面の範囲: (0, 0)〜(1279, 1023)）。"};
        QTest::newRow("check, pointer") << "--check" << offScreen << 0
                                        << QStringList{"注意: デスクトップに接続できない"};
        // The run would stop on the press every time: the condition is never met.
        QTest::newRow("check, key condition of the stop command")
            << "--check --stop Ctrl+Alt+S"
            << QByteArray(R"({"list_command":[["なし"],["なし"]],"list_condition":[["即時"],["キー","83,3"]]})") << 2
            << QStringList{"p.cmdat: 2 ページ目のキー条件「Ctrl+Alt+S」"};
    }
    void withoutDisplay()
    {
#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
        // ThreadSanitizer's runtime aborts in the child of QProcess's clone(); the other builds run these rows.
        QSKIP("starting a program is not followed by ThreadSanitizer");
#endif
#endif
        QFETCH(QString, option);
        QFETCH(QByteArray, content);
        QFETCH(int, exitCode);
        QFETCH(QStringList, printed);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("p.cmdat"));
        QFile file(path);
        if (content == "fifo")
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        file.close();
        if (option == QLatin1String("monitor")) { // the check as it runs on a desktop with one 1280x1024 monitor
            QString out, err;
            QTextStream outStream(&out), errStream(&err);
            QCOMPARE(cli::checkProject(path, QStringLiteral("83,3"), outStream, errStream, {{0, 0, 1280, 1024}}),
                     exitCode);
            for (const QString& text : std::as_const(printed))
                QVERIFY2(out.contains(text), qPrintable(out + err));
            return;
        }
        QProcess program; // killed when it goes, should it hang
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(name));
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME"}) // never the user's configuration
            env.insert(QLatin1String(name), dir.path());
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(ORVANE_PROGRAM), option.split(u' ', Qt::SkipEmptyParts) << path);
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), exitCode);
        const QString said =
            QString::fromUtf8(exitCode == 0 ? program.readAllStandardOutput() : program.readAllStandardError());
        for (const QString& text : std::as_const(printed))
            QVERIFY2(said.contains(text), qPrintable(said));
    }

    void reportsKeepTheNewestTen()
    {
        QTemporaryDir dir;
        const auto t0 = std::chrono::steady_clock::now();
        const auto at = [t0](double ms) { return t0 + std::chrono::microseconds(qRound64(ms * 1000)); };
        const cli::RunReport report =
            cli::makeReport(QStringLiteral("demo"), {{0, 0, at(0), at(0.4)}, {0, 1, at(0.4), at(3.5)}},
                            {{"入力", "秘密", "1"}, {"クリック", "左", "0.005"}}, {{"即時"}}, QString(), true);
        for (int i = 0; i < 12; ++i)
            QVERIFY(!cli::storeReport(report, dir.path()).isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 10);

        QFile file(cli::latestReport(dir.path()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray json = file.readAll();
        QVERIFY(!json.contains("秘密")); // kept after every run: a typed text is only counted
        const QJsonObject root = QJsonDocument::fromJson(json).object();
        QCOMPARE(root.value("pages").toArray().size(), 2);
        QCOMPARE(root.value("pages").toArray().at(1).toObject().value("operation").toString(),
                 QStringLiteral("クリック（左、0.005 秒）"));
        QCOMPARE(root.value("pages").toArray().at(1).toObject().value("lateness_ms").toDouble(), 3.1);
        const QJsonObject summary = root.value("summary").toObject();
        QCOMPARE(summary.value("longest_lateness_ms").toDouble(), 3.1);
        QCOMPARE(summary.value("outcome").toString(), QStringLiteral("stopped"));
    }
};

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
