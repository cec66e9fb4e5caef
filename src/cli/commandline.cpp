#include "commandline.h"

#include "model/keycombination.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace cli {

namespace {

struct Options {
    QCommandLineOption run{QStringLiteral("run"),
                           QCoreApplication::translate("cli", "エディターを開かずにプロジェクトを実行します。")};
    QCommandLineOption check{
        QStringLiteral("check"),
        QCoreApplication::translate("cli",
                                    "プロジェクトを読み込み、ページごとの内容と修復点を表示します（実行しません）。")};
    QCommandLineOption record{QStringLiteral("record"),
                              QCoreApplication::translate("cli", "操作を記録して新しいプロジェクトとして保存します。")};
    QCommandLineOption moves{
        QStringLiteral("moves"),
        QCoreApplication::translate("cli", "マウスポインターの動きも記録します（--record と共に）。")};
    QCommandLineOption repeat{QStringLiteral("repeat"),
                              QCoreApplication::translate("cli", "実行回数（--run と共に）。"), QStringLiteral("N")};
    QCommandLineOption endless{QStringLiteral("endless"),
                               QCoreApplication::translate("cli", "停止されるまで繰り返します（--run と共に）。")};
    QCommandLineOption delay{QStringLiteral("delay"),
                             QCoreApplication::translate("cli", "開始までの秒数（--run、--record と共に）。"),
                             QStringLiteral("SECONDS")};
    QCommandLineOption stop{QStringLiteral("stop"),
                            QCoreApplication::translate(
                                "cli", "停止コマンド。例: Ctrl+Alt+S または 83,3（--run、--record、--check と共に）。\n"
                                       "単独で指定すると、進行中の実行をすべて停止します。"),
                            QStringLiteral("COMBINATION")};
    QCommandLineOption report{
        QStringLiteral("report"),
        QCoreApplication::translate("cli", "実行したページごとの予定時刻・実際の時刻を JSON で書き出します。"),
        QStringLiteral("FILE.json")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QCoreApplication::translate("cli", "このヘルプを表示します。")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QCoreApplication::translate("cli", "バージョンを表示します。")};

    void addTo(QCommandLineParser& parser) const
    {
        parser.setApplicationDescription(QCoreApplication::translate("cli", "オルヴェイン Free: 入力の自動操作"));
        parser.addPositionalArgument(QStringLiteral("FILE.cmdat"),
                                     QCoreApplication::translate("cli", "開く、または実行するプロジェクト。"));
        for (const auto* option :
             {&run, &record, &moves, &check, &repeat, &endless, &delay, &stop, &report, &help, &version})
            parser.addOption(*option);
    }
};

Request failure(const QString& message)
{
    Request request;
    request.mode = Request::Mode::Error;
    request.error = message;
    return request;
}

std::optional<int> readWholeNumber(const QString& text, int lowest, int highest)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok || value < lowest || value > highest)
        return std::nullopt;
    return value;
}

} // namespace

Request parseCommandLine(const QStringList& arguments)
{
    // Alone, --stop takes no combination: it ends the runs in progress (a key binding of the desktop calls it).
    if (arguments.size() == 2 && arguments.at(1) == QLatin1String("--stop")) {
        Request request;
        request.mode = Request::Mode::StopRuns;
        return request;
    }
    QCommandLineParser parser;
    const Options options;
    options.addTo(parser);
    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty())
            return failure(
                QCoreApplication::translate("cli", "不明なオプションです: %1").arg(unknown.join(QStringLiteral(", "))));
        return failure(parser.errorText());
    }

    Request request;
    if (parser.isSet(options.help)) {
        request.mode = Request::Mode::Help;
        return request;
    }
    if (parser.isSet(options.version)) {
        request.mode = Request::Mode::Version;
        return request;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1)
        return failure(QCoreApplication::translate("cli", "プロジェクトは一つだけ指定してください: %1")
                           .arg(files.join(QLatin1Char(' '))));
    request.file = files.value(0);

    const bool runOnly = parser.isSet(options.repeat) || parser.isSet(options.endless) || parser.isSet(options.report);
    if (int(parser.isSet(options.run)) + int(parser.isSet(options.check)) + int(parser.isSet(options.record)) > 1)
        return failure(QCoreApplication::translate("cli", "--run、--record、--check は同時に指定できません。"));
    if (parser.isSet(options.run))
        request.mode = Request::Mode::Run;
    else if (parser.isSet(options.check))
        request.mode = Request::Mode::Check;
    else if (parser.isSet(options.record))
        request.mode = Request::Mode::Record;
    if (request.mode != Request::Mode::Run && runOnly)
        return failure(
            QCoreApplication::translate("cli", "--repeat、--endless、--report は --run と共に指定してください。"));
    if (request.mode != Request::Mode::Run && request.mode != Request::Mode::Record && parser.isSet(options.delay))
        return failure(QCoreApplication::translate("cli", "--delay は --run または --record と共に指定してください。"));
    if (request.mode != Request::Mode::Record && parser.isSet(options.moves))
        return failure(QCoreApplication::translate("cli", "--moves は --record と共に指定してください。"));
    request.moves = parser.isSet(options.moves);
    if (request.mode == Request::Mode::Editor && parser.isSet(options.stop))
        return failure(
            QCoreApplication::translate("cli", "--stop は --run、--record または --check と共に指定してください。"));
    if (request.mode != Request::Mode::Editor && request.file.isEmpty())
        return failure(QCoreApplication::translate("cli", "プロジェクトファイル（.cmdat）を指定してください。"));

    if (parser.isSet(options.repeat) && parser.isSet(options.endless))
        return failure(QCoreApplication::translate("cli", "--repeat と --endless は同時に指定できません。"));
    if (parser.isSet(options.repeat)) {
        // The editor's run settings allow the same range.
        request.repeat = readWholeNumber(parser.value(options.repeat), 1, 9999);
        if (!request.repeat)
            return failure(
                QCoreApplication::translate("cli", "--repeat には 1 から 9999 までの整数を指定してください: %1")
                    .arg(parser.value(options.repeat)));
    }
    request.endless = parser.isSet(options.endless);
    if (parser.isSet(options.delay)) {
        request.delay = readWholeNumber(parser.value(options.delay), 0, 3600);
        if (!request.delay)
            return failure(
                QCoreApplication::translate("cli", "--delay には 0 から 3600 までの秒数（整数）を指定してください: %1")
                    .arg(parser.value(options.delay)));
    }
    if (parser.isSet(options.stop)) {
        request.stop = readCombination(parser.value(options.stop));
        if (!request.stop)
            return failure(QCoreApplication::translate("cli", "--stop のキーの組み合わせを読めません: %1")
                               .arg(parser.value(options.stop)));
    }
    request.report = parser.value(options.report);
    return request;
}

QString helpText()
{
    QCommandLineParser parser;
    Options().addTo(parser);
    // Qt writes its headings in English unless its own translation is loaded, and the program as it was started (before
    // an application object exists, a placeholder).
    QString text = parser.helpText();
    text.replace(QCoreApplication::instance() ? QCoreApplication::arguments().constFirst()
                                              : QStringLiteral("<executable_name>"),
                 QStringLiteral("orvane"));
    text.replace(QStringLiteral("Usage:"), QCoreApplication::translate("cli", "使い方:"));
    text.replace(QStringLiteral("\nOptions:\n"), QCoreApplication::translate("cli", "\nオプション:\n"));
    text.replace(QStringLiteral("\nArguments:\n"), QCoreApplication::translate("cli", "\n引数:\n"));
    // Scripts need the exit codes.
    text += QCoreApplication::translate(
        "cli", "\n終了コード:\n"
               "  0  実行が最後まで終わった（--check では読み込めた）\n"
               "  1  利用者が停止した\n"
               "  2  引数やファイルが正しくない（何も実行していない）\n"
               "  3  入力を送れなかった（画面に接続できない場合を含む）\n"
               "--record は記録を保存できたとき 0、引数や書き込めないファイルのとき 2 で終わります。\n"
               "--stop を単独で指定した場合: 0 実行を停止した、1 進行中の実行はなかった\n");
    return text;
}

QString versionText()
{
    return QCoreApplication::translate("cli", "オルヴェイン Free %1\n").arg(QStringLiteral(ORVANE_VERSION));
}

std::optional<QString> readCombination(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || keys::isNoCombination(trimmed))
        return std::nullopt;
    keys::KeyCombination stored;
    if (!trimmed.contains(QLatin1Char('+')) && keys::parseKeyCombination(trimmed, &stored)) {
        if (stored.key <= 0 || stored.key > 255 || stored.storedMask < 0 || stored.storedMask > 15)
            return std::nullopt;
        return QStringLiteral("%1,%2").arg(stored.key).arg(stored.storedMask);
    }
    int mask = 0;
    int key = 0;
    const QStringList parts = trimmed.split(QLatin1Char('+'));
    for (int i = 0; i < parts.size(); ++i) {
        const QString part = parts.at(i).trimmed();
        int found = 0;
        // The shown form uses the names of the key-name rule; generic modifier codes come first in that search.
        for (int vk = 1; vk <= 255 && found == 0; ++vk) {
            if (keys::keyName(vk).compare(part, Qt::CaseInsensitive) == 0)
                found = vk;
        }
        if (found == 0)
            return std::nullopt;
        const bool last = i == parts.size() - 1;
        if (!last) {
            if (!vk::isModifierKey(found))
                return std::nullopt;
            mask |= vk::modifierOf(found);
        } else {
            key = found;
        }
    }
    return keys::keyCombinationText(key, mask);
}

} // namespace cli

#include "cli/projectcheck.h"
#include "cli/stopchannel.h"
#include "model/projectfile.h"
#include "settings/config.h"

#include <QLoggingCategory>
#include <QSaveFile>
#include <QTextStream>

#include <cstdio>

namespace cli {

QStringList argumentsOf(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

QString fileMessage(const QString& path, const QString& message)
{
    return message.contains(path) ? message : path + QStringLiteral(": ") + message;
}

std::optional<int> runConsoleMode(const Request& request, model::ProjectData* runProject)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    switch (request.mode) {
    case Request::Mode::Help:
        out << helpText();
        return ExitFinished;
    case Request::Mode::Version:
        out << versionText();
        return ExitFinished;
    case Request::Mode::Error:
        err << request.error << Qt::endl
            << QCoreApplication::translate("cli", "使い方は --help で表示できます。") << Qt::endl;
        return ExitBadInput;
    case Request::Mode::Check: {
        // The reader's own diagnostics would repeat the repairs that the check prints.
        QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.warning=false"));
        // Checked against the stop command the run would use: the one given, or that of the editor's last run.
        settings::Config config;
        if (!request.stop)
            settings::loadConfig(config);
        return checkProject(request.file, request.stop.value_or(config.stopCommand), out, err);
    }
    case Request::Mode::Run:
        if (const model::ProjectFileResult read = model::readProjectFile(request.file, runProject); !read.ok()) {
            err << fileMessage(request.file, read.message) << Qt::endl;
            return ExitBadInput;
        }
        break;
    case Request::Mode::Record: {
        // Found out before the user does the work, not after: the file must be writable.
        QSaveFile probe(request.file);
        if (!probe.open(QIODevice::WriteOnly)) {
            err << fileMessage(request.file, QCoreApplication::translate("cli", "このファイルには書き込めません。"))
                << Qt::endl;
            return ExitBadInput;
        }
        probe.cancelWriting();
        break;
    }
    case Request::Mode::StopRuns:
        if (askRunsToStop() > 0)
            return ExitFinished;
        err << QCoreApplication::translate("cli", "進行中の実行はありません。") << Qt::endl;
        return ExitStopped;
    case Request::Mode::Editor:
        break;
    }
    return std::nullopt;
}

int reportNoDisplay(const Request& request)
{
    QTextStream err(stderr);
    err << (request.mode == Request::Mode::Run
                ? QCoreApplication::translate("cli", "画面に接続できないため、実行できません。")
            : request.mode == Request::Mode::Record
                ? QCoreApplication::translate("cli", "画面に接続できないため、記録できません。")
                : QCoreApplication::translate("cli", "画面に接続できないため、エディターを開けません。"))
        << Qt::endl
        << QCoreApplication::translate("cli", "デスクトップ（X11 または Wayland）の中で起動してください。"
                                              "DISPLAY が設定されていないか、その画面に接続できません。")
        << Qt::endl;
    return ExitNotDelivered;
}

} // namespace cli
