// The real program on a private X server, driven with xdotool the way a user would, for what only the whole program on
// a real desktop shows: the keyboard after a stop-command capture in the run settings dialog, the editor back with the
// focus after a stopped run, the end on SIGTERM and SIGHUP mid-run (an unsaved project kept as the recovery copy),
// and a command-line run typing into another program (a text box in a process of its own), stopped by a tapped
// combination, going on after SIGHUP under nohup, or ending with exit code 3 where its input cannot be delivered. The
// program gets a home and a configuration of its own in a temporary directory. Every wait is for what another program
// can observe: window sizes, the pixels on the screen, files and X input. A screenshot of the failure is kept beside
// the program's log when a test fails (the folder is kept always with ORVANE_E2E_KEEP=1).

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <functional>
#include <memory>

#include "x11client.h" // after every Qt header
#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>

#include <atomic>
#include <mutex>
#include <poll.h>
#include <thread>

using x11test::Sink;

namespace {

// Runs xdotool with the arguments and returns what it printed (killed after 10 s).
QString xdotool(const QStringList& args)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), args);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// The program under test and what belongs to it: its private home and configuration, its log, the windows it shows.
class Program {
public:
    Program(const QString& root, Window rootWindow) : root_(root), rootWindow_(QString::number(rootWindow))
    {
        QDir(root_).mkpath(QStringLiteral("home/Desktop"));
        QDir(root_).mkpath(QStringLiteral("config/orvane"));
        QDir(root_).mkpath(QStringLiteral("runtime"));
        QFile::setPermissions(path(QStringLiteral("runtime")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    ~Program()
    {
        process.kill();
        process.waitForFinished(3000);
    }

    QString path(const QString& relative) const { return QDir(root_).filePath(relative); }
    QString configFile() const { return path(QStringLiteral("config/orvane/orvane_free.json")); }

    // A returning user's configuration: no greeting, the stop-command notice already seen, a one-second start delay.
    bool writeConfig()
    {
        const QJsonObject config{{"stert_time", 1},          {"run_number", 1},         {"stop_command", "83,3"},
                                 {"file_path", ""},          {"is_used_stert", true},   {"is_used_this", true},
                                 {"is_help", false},         {"is_message_file", true}, {"is_message_paste", false},
                                 {"is_message_delete", true}};
        QFile file(configFile());
        return file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(config).toJson()) > 0;
    }

    // Without the desktop, the program gets no X display at all.
    bool start(const QStringList& arguments = {}, bool desktop = true)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!desktop)
            env.remove(QStringLiteral("DISPLAY"));
        env.insert(QStringLiteral("HOME"), path(QStringLiteral("home")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("home/.local/share")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), path(QStringLiteral("home/.cache")));
        env.insert(QStringLiteral("XDG_STATE_HOME"), path(QStringLiteral("state")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), path(QStringLiteral("runtime")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), desktop ? QStringLiteral("xcb") : QStringLiteral("offscreen"));
        env.remove(QStringLiteral("QT_QPA_PLATFORMTHEME"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        process.setProcessEnvironment(env);
        // Whatever this test was started under, the program gets SIGHUP as the row wants it.
        process.setChildProcessModifier([ignore = ignoreHangup] { ::signal(SIGHUP, ignore ? SIG_IGN : SIG_DFL); });
        // The program reads its images beside itself through relative paths.
        process.setWorkingDirectory(QFileInfo(QStringLiteral(ORVANE_PROGRAM)).absolutePath());
        process.setStandardOutputFile(path(QStringLiteral("orvane.log")));
        process.setStandardErrorFile(path(QStringLiteral("orvane.log")), QIODevice::Append);
        process.start(QStringLiteral(ORVANE_PROGRAM), arguments);
        return process.waitForStarted(10000);
    }

    // The program's visible windows with their geometry on the screen.
    QList<QPair<QString, QRect>> visibleWindows() const
    {
        QList<QPair<QString, QRect>> result;
        const QStringList ids =
            xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                     QString::number(process.processId()), QStringLiteral("")})
                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QString& id : ids) {
            if (id == rootWindow_) // an empty pattern also matches the root window
                continue;
            QMap<QString, int> value; // from lines such as "WIDTH=630"
            for (const QString& line :
                 xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), id}).split(QLatin1Char('\n')))
                value[line.section(QLatin1Char('='), 0, 0)] = line.section(QLatin1Char('='), 1).toInt();
            result.append({id, QRect(value[QStringLiteral("X")], value[QStringLiteral("Y")],
                                     value[QStringLiteral("WIDTH")], value[QStringLiteral("HEIGHT")])});
        }
        return result;
    }

    // The visible window of the program with this size; an empty id when there is none.
    QPair<QString, QRect> window(QSize size) const
    {
        for (const auto& window : visibleWindows()) {
            if (window.second.size() == size)
                return window;
        }
        return {};
    }
    QPair<QString, QRect> waitWindow(QSize size, int timeoutMs) const
    {
        waitUntil(timeoutMs, [&] { return !window(size).first.isEmpty(); });
        return window(size);
    }
    // Waits until the program shows exactly count windows (a menu or a selector's list is a window of its own).
    bool waitWindowCount(qsizetype count, int timeoutMs) const
    {
        return waitUntil(timeoutMs, [&] { return visibleWindows().size() == count; });
    }
    bool waitNoWindow(QSize size, int timeoutMs) const
    {
        return waitUntil(timeoutMs, [&] { return window(size).first.isEmpty(); });
    }
    static bool waitUntil(int timeoutMs, const std::function<bool()>& condition)
    {
        QElapsedTimer timer;
        timer.start();
        while (!condition()) {
            if (timer.elapsed() > timeoutMs)
                return false;
            QTest::qWait(50);
        }
        return true;
    }

    QProcess process;
    bool ignoreHangup = false; // started as nohup starts a program

private:
    QString root_;
    QString rootWindow_;
};

// The pixels the screen shows in rect, as any client can read them.
QByteArray screenPixels(Display* display, const QRect& rect)
{
    XImage* image = XGetImage(display, DefaultRootWindow(display), rect.x(), rect.y(), unsigned(rect.width()),
                              unsigned(rect.height()), AllPlanes, ZPixmap);
    if (!image)
        return {};
    QByteArray pixels(image->data, image->bytes_per_line * image->height);
    image->f.destroy_image(image);
    return pixels;
}

// A separate client that sees the desktop's buttons and keys as XInput 2 raw events, with the server's times. A press
// becomes one action: "button x,y" (the pointer read as the press arrives), "keysym" of a key with Ctrl ("C-a"), or a
// run of character keys as one text action of its first key; with when it began and, for a button, how long it was
// held.
class Observer {
public:
    struct Action {
        QString what;
        unsigned long start = 0;
        unsigned long held = 0;
    };
    Observer() : display_(XOpenDisplay(nullptr))
    {
        int event = 0, error = 0, major = 2, minor = 2;
        XQueryExtension(display_, "XInputExtension", &opcode_, &event, &error);
        XIQueryVersion(display_, &major, &minor);
        unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
        for (int type : {XI_RawKeyPress, XI_RawKeyRelease, XI_RawButtonPress, XI_RawButtonRelease})
            XISetMask(bits, type);
        XIEventMask mask{XIAllMasterDevices, int(sizeof bits), bits};
        XISelectEvents(display_, DefaultRootWindow(display_), &mask, 1);
        XSync(display_, False);
        thread_ = std::thread([this] { run(); });
    }
    ~Observer()
    {
        done_ = true;
        thread_.join();
        XCloseDisplay(display_);
    }
    // The actions seen so far, Ctrl+Alt combinations (the stop command) left out; forgets them.
    QList<Action> take()
    {
        std::lock_guard lock(mutex_);
        QList<Action> taken;
        std::swap(taken, actions_);
        typing_ = false;
        return taken;
    }

private:
    void run()
    {
        while (!done_) {
            pollfd fd{ConnectionNumber(display_), POLLIN, 0};
            poll(&fd, 1, 20);
            while (XPending(display_) > 0) {
                XEvent event;
                XNextEvent(display_, &event);
                if (event.type != GenericEvent || event.xcookie.extension != opcode_ ||
                    !XGetEventData(display_, &event.xcookie))
                    continue;
                const auto* raw = static_cast<const XIRawEvent*>(event.xcookie.data);
                note(event.xcookie.evtype, raw->detail, raw->time);
                XFreeEventData(display_, &event.xcookie);
            }
        }
    }
    void note(int type, int detail, unsigned long time)
    {
        std::lock_guard lock(mutex_);
        const KeySym sym = XkbKeycodeToKeysym(display_, KeyCode(detail), 0, 0);
        const bool control = sym == XK_Control_L || sym == XK_Control_R;
        const bool alt = sym == XK_Alt_L || sym == XK_Alt_R;
        if (type == XI_RawButtonPress) {
            Window root = 0, child = 0;
            int x = 0, y = 0, wx = 0, wy = 0;
            unsigned buttons = 0;
            XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &x, &y, &wx, &wy, &buttons);
            actions_.append({QStringLiteral("button%1 %2,%3").arg(detail).arg(x).arg(y), time, 0});
            typing_ = false;
        } else if (type == XI_RawButtonRelease && !actions_.isEmpty()) {
            actions_.last().held = time - actions_.last().start;
        } else if (control || alt) {
            (control ? control_ : alt_) = type == XI_RawKeyPress;
        } else if (type == XI_RawKeyPress && sym != XK_Shift_L && sym != XK_Shift_R && !alt_) {
            const QString name = QString::fromLatin1(XKeysymToString(sym));
            if (control_ || (name.size() > 1 && sym != XK_space)) {
                actions_.append({(control_ ? "C-" : "") + name, time, 0});
                typing_ = false;
            } else if (typing_) {
                actions_.last().what += name == "space" ? QStringLiteral(" ") : name;
            } else {
                actions_.append({QStringLiteral("text ") + name, time, 0});
                typing_ = true;
            }
        }
    }

    Display* display_;
    int opcode_ = 0;
    std::atomic<bool> done_{false};
    std::thread thread_;
    std::mutex mutex_;
    QList<Action> actions_;
    bool typing_ = false;
    bool control_ = false;
    bool alt_ = false;
};

} // namespace

class tst_E2eProgram : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(user.display(), "no X display");
        QVERIFY2(!xdotool({QStringLiteral("version")}).isEmpty(), "xdotool is not installed");
        QVERIFY2(QFileInfo::exists(QStringLiteral(ORVANE_PROGRAM)), ORVANE_PROGRAM);
    }

    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        program = std::make_unique<Program>(dir->path(), DefaultRootWindow(user.display()));
        QVERIFY(program->writeConfig());
        // The pointer starts where no window will be.
        user.movePointer(1270, 10);
    }

    void cleanup()
    {
        const bool keep = QTest::currentTestFailed() || qEnvironmentVariableIntValue("ORVANE_E2E_KEEP") != 0;
        if (QTest::currentTestFailed()) // what the screen showed, beside the program's log
            QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                                         dir->filePath(QStringLiteral("failure.png"))});
        program.reset();
        if (keep) {
            dir->setAutoRemove(false);
            qInfo().noquote() << "the screen and the program's log kept in" << dir->path();
        }
        dir.reset();
    }

    void endlessRunEndsFromTheDesktop_data()
    {
        // Sent mid-run to a run of a changed, unsaved project; 0: the stop command is changed to F9 in the run settings
        // dialog, the run is stopped with it, and the program is then ended by SIGTERM in the editor.
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("stop command changed to F9 in the dialog") << 0;
        QTest::newRow("SIGTERM mid-run") << int(SIGTERM);
        QTest::newRow("SIGHUP mid-run") << int(SIGHUP);
    }

    void endlessRunEndsFromTheDesktop()
    {
        QFETCH(int, signalNumber);
        const auto mainWindow = openEditor();
        QVERIFY2(!mainWindow.first.isEmpty(), "the main window did not appear");
        const QPoint origin = mainWindow.second.topLeft();
        if (signalNumber != 0) {
            // A click page: the project is changed (a close would ask about it) and the run holds a button at times.
            QVERIFY(choose(origin, QPoint(120, 80), 1));  // "クリック"
            QVERIFY(clickChangingPages(origin, 270, 79)); // "追加"
        }

        // The fresh page (nothing to do, then 0.1 s), repeated until the user ends it.
        click(origin, 315, 551, 800); // "実行"
        const auto runDialog = program->waitWindow(QSize(300, 430), 5000);
        QVERIFY2(!runDialog.first.isEmpty(), "the run settings dialog did not appear");
        click(runDialog.second.topLeft(), 17, 237, 300); // "終了コマンドまで繰り返す"
        if (signalNumber == 0) {
            click(runDialog.second.topLeft(), 255, 310, 500); // "変更"
            key(QStringLiteral("F9"), 500);
            // The keyboard is the user's again right after the capture: digits reach 開始までの秒数.
            click(runDialog.second.topLeft(), 70, 80, 200);
            key(QStringLiteral("ctrl+a 2"), 300);
        }
        click(runDialog.second.topLeft(), 150, 390, 200); // "開始"
        QVERIFY2(program->waitNoWindow(QSize(630, 585), 5000), "the main window did not hide for the run");

        // Still running well after one pass would have ended.
        QTest::qWait(2500);
        const auto windows = program->visibleWindows();
        QCOMPARE(windows.size(), 1); // the stand-in of the tray icon, as this desktop has no tray
        const QRect stopWindow = windows.first().second;
        QVERIFY2(stopWindow.right() > 1000 && stopWindow.bottom() > 900,
                 "the stand-in is not in the bottom right corner");

        if (signalNumber == 0) {
            // Held long enough for the stop-command watch to see it.
            xdotool({QStringLiteral("keydown"), QStringLiteral("F9")});
            QTest::qWait(300);
            xdotool({QStringLiteral("keyup"), QStringLiteral("F9")});
            QVERIFY2(!program->waitWindow(QSize(630, 585), 5000).first.isEmpty(), "the main window did not come back");
            QVERIFY2(program->waitNoWindow(stopWindow.size(), 3000), "the stand-in of the tray icon stayed");
            QTRY_COMPARE(xdotool({QStringLiteral("getwindowfocus")}), mainWindow.first); // the editor has the keyboard
            QCOMPARE(program->process.state(), QProcess::Running);
        }
        // The program ends as a close would, without the question; a changed project is kept only as the recovery copy.
        QVERIFY(QFile::remove(program->configFile()));
        QCOMPARE(::kill(static_cast<pid_t>(program->process.processId()), signalNumber ? signalNumber : SIGTERM), 0);
        QVERIFY2(program->process.waitForFinished(3000), "the program did not end within 3 s");
        QCOMPARE(program->process.exitStatus(), QProcess::NormalExit);
        QVERIFY2(user.keysDown().empty() && user.buttonsDown() == 0, "an input is still down after the run");
        QDirIterator projects(dir->path(), {QStringLiteral("*.cmdat")}, QDir::Files, QDirIterator::Subdirectories);
        QStringList written;
        while (projects.hasNext())
            written << projects.next();
        QCOMPARE(written, signalNumber ? QStringList{program->path("state/orvane/recovery.cmdat")} : QStringList{});

        // The settings of the run are kept for the next start.
        QFile configFile(program->configFile());
        QVERIFY(configFile.open(QIODevice::ReadOnly));
        const QJsonObject config = QJsonDocument::fromJson(configFile.readAll()).object();
        QCOMPARE(config.value(QStringLiteral("stop_command")).toString(),
                 QString::fromLatin1(signalNumber ? "83,3" : "120,0"));
        QCOMPARE(config.value(QStringLiteral("run_number")).toInt(), 114514);
        QCOMPARE(config.value(QStringLiteral("stert_time")).toInt(), signalNumber ? 1 : 2);
    }

    void commandLineRun_data()
    {
        QTest::addColumn<QString>("arguments"); // after "--run <project>"
        QTest::addColumn<int>("timesTyped");    // before the end; -1: stopped by Ctrl+Alt+S once the text arrived
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("desktop"); // an X display with synthetic input; 3 types a key the keymap lacks
        QTest::newRow("twice, finished") << "--repeat 2 --delay 0" << 2 << 0 << true;
        QTest::newRow("endless, stopped") << "--endless --delay 0 --stop Ctrl+Alt+S" << -1 << 1 << true;
        // -2: started with SIGHUP ignored, as nohup starts it, sent SIGHUP once typing, then stopped as above.
        QTest::newRow("endless under nohup, SIGHUP") << "--endless --delay 0 --stop Ctrl+Alt+S" << -2 << 1 << true;
        QTest::newRow("missing project") << "" << 0 << 2 << true;
        QTest::newRow("key not delivered") << "--delay 0" << 0 << 3 << true;
        QTest::newRow("no desktop") << "--delay 0" << 0 << 3 << false;
    }

    void commandLineRun()
    {
        QFETCH(QString, arguments);
        QFETCH(int, timesTyped);
        QFETCH(int, exitCode);
        QFETCH(bool, desktop);
        const QString text = QStringLiteral("こんにちは、世界！ Hello 123");
        const QString project = dir->filePath(QStringLiteral("demo.cmdat"));
        QFile file(project);
        QVERIFY(file.open(QIODevice::WriteOnly));
        // Built step by step: a braced array of one array is a copy of it for some compilers, a nested array for
        // others.
        QJsonArray commands, conditions;
        commands.append(exitCode == 3 ? QJsonArray{"キー", "7,0", "0.01"} : QJsonArray{"入力", text, "0.2"});
        conditions.append(QJsonArray{"時間", "0.4"});
        file.write(QJsonDocument(QJsonObject{{"list_command", commands}, {"list_condition", conditions}}).toJson());
        file.close();
        Sink sink(QStringLiteral("text"), QRect(100, 100, 500, 300));
        QVERIFY(sink.waitReady());

        QStringList args{QStringLiteral("--run"),
                         exitCode == 2 ? dir->filePath(QStringLiteral("none.cmdat")) : project};
        args += arguments.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        args += {QStringLiteral("--report"), dir->filePath(QStringLiteral("report.json"))};
        program->ignoreHangup = timesTyped == -2;
        QVERIFY(program->start(args, desktop));
        if (timesTyped < 0) {
            QVERIFY2(Program::waitUntil(10000, [&] { return sink.text().contains(text); }), "nothing was typed");
            if (timesTyped == -2) {
                // Two more texts: one may have been under way when the signal came, the next proves the run went on.
                const qsizetype typed = sink.text().count(text);
                QCOMPARE(::kill(static_cast<pid_t>(program->process.processId()), SIGHUP), 0);
                QVERIFY2(Program::waitUntil(10000, [&] { return sink.text().count(text) >= typed + 2; }),
                         "the run ended on SIGHUP");
            }
            user.chord({XK_Control_L, XK_Alt_L, XK_s}); // tapped at once: seen by a watch, missed by polling
        }
        QVERIFY2(program->process.waitForFinished(10000), "the run did not end");
        QCOMPARE(program->process.exitCode(), exitCode);
        QVERIFY2(user.keysDown().empty() && user.buttonsDown() == 0, "an input is still down after the run");
        if (timesTyped >= 0)
            QCOMPARE(sink.text(), text.repeated(timesTyped));
        // The report holds one row per page that began; none for a project that could not be read.
        QFile report(dir->filePath(QStringLiteral("report.json")));
        QCOMPARE(report.exists(), exitCode != 2 && desktop);
        if (exitCode == 0) {
            QVERIFY(report.open(QIODevice::ReadOnly));
            QCOMPARE(QJsonDocument::fromJson(report.readAll()).object().value("pages").toArray().size(), timesTyped);
        }
    }

    // Done once by the user and recorded, then replayed by --run: an independent client sees the same buttons at the
    // same places and the same keys, and the recorded pages keep the gaps the recording's own event times show.
    void recordThenReplay_data()
    {
        QTest::addColumn<QStringList>("work"); // xdotool commands, one after the other; "_" is a space
        QTest::addColumn<bool>("stopCommand"); // ended by `orvane --stop` rather than the stop combination
        const QStringList work{"mousemove 300 250 mousedown 1 sleep 0.35 mouseup 1 sleep 0.4",
                               "type --delay 40 Hello_World", "sleep 0.6 key ctrl+a sleep 0.3"};
        QTest::newRow("held click, capitals, Ctrl+A, pauses") << work << false;
        QTest::newRow("ended by orvane --stop") << work << true;
    }
    void recordThenReplay()
    {
        QFETCH(QStringList, work);
        QFETCH(bool, stopCommand);
        const QString project = dir->filePath(QStringLiteral("recorded.cmdat"));
        Observer observer;
        QList<Observer::Action> done;
        for (const bool replay : {false, true}) {
            Sink sink(QStringLiteral("text"), QRect(100, 100, 500, 300));
            QVERIFY(sink.waitReady());
            if (!replay) {
                QVERIFY(program->start({"--record", project, "--delay", "0", "--stop", "Ctrl+Alt+S"}));
                // The stand-in of the tray icon, in the bottom right corner, shows that the recording runs.
                QVERIFY2(Program::waitUntil(10000,
                                            [&] {
                                                const auto shown = program->visibleWindows();
                                                return std::any_of(shown.begin(), shown.end(), [](const auto& w) {
                                                    return w.second.bottom() > 900;
                                                });
                                            }),
                         "the recording did not start");
                observer.take();
                for (const QString& step : work)
                    xdotool(step.split(QLatin1Char(' ')).replaceInStrings(QStringLiteral("_"), QStringLiteral(" ")));
                Program stopper(dir->path(), DefaultRootWindow(user.display()));
                if (!stopCommand)
                    user.chord({XK_Control_L, XK_Alt_L, XK_s});
                else
                    QVERIFY(stopper.start({"--stop"}, false) && stopper.process.waitForFinished(10000) &&
                            stopper.process.exitCode() == 0);
            } else {
                QVERIFY(program->start({"--run", project, "--delay", "0"}));
            }
            QVERIFY2(program->process.waitForFinished(15000), "the program did not end");
            QCOMPARE(program->process.exitCode(), 0);
            QCOMPARE(sink.text(), QStringLiteral("Hello World"));
            QTest::qWait(200); // the observer's thread reads what is already queued for it
            const QList<Observer::Action> seen = observer.take();
            QStringList whats;
            for (const auto& action : seen)
                whats << action.what;
            QCOMPARE(whats,
                     (QStringList{"button1 300,250", "text hello world", "C-a"})); // keys by their unshifted keysym
            if (!replay)
                done = seen;
        }
        // The pages' gaps (each action's last page) and the click's hold against the recording's event times.
        QFile file(project);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();
        const QJsonArray conditions = json.value("list_condition").toArray();
        const QJsonArray commands = json.value("list_command").toArray();
        QCOMPARE(conditions.size(), 4); // pointer, click, text, key
        const auto seconds = [](const QJsonValue& entry) { return entry.toArray().at(1).toString().toDouble() * 1000; };
        QVERIFY(qAbs(seconds(QJsonArray{0, commands.at(1).toArray().at(2)}) - double(done[0].held)) <= 20);
        QVERIFY(qAbs(seconds(conditions.at(1)) - double(done[1].start - done[0].start)) <= 20);
        QVERIFY(qAbs(seconds(conditions.at(2)) - double(done[2].start - done[1].start)) <= 20);
    }

private:
    // Screen-relative helpers on the window at origin.
    void click(QPoint origin, int x, int y, int pauseMs = 300)
    {
        xdotool({QStringLiteral("mousemove"), QString::number(origin.x() + x), QString::number(origin.y() + y),
                 QStringLiteral("click"), QStringLiteral("1")});
        QTest::qWait(pauseMs);
    }

    // Clicks and waits until the page list of the window at origin shows something else: the click was acted upon.
    bool clickChangingPages(QPoint origin, int x, int y)
    {
        const QRect pageList(origin + QPoint(450, 60), QSize(150, 295));
        const QByteArray before = screenPixels(user.display(), pageList);
        click(origin, x, y, 0);
        return Program::waitUntil(5000, [&] { return screenPixels(user.display(), pageList) != before; });
    }

    void key(const QString& keys, int pauseMs = 200)
    {
        QStringList args{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("80")};
        args += keys.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        xdotool(args);
        QTest::qWait(pauseMs);
    }

    // Opens a selector of the editor and picks its item at index (0 = first).
    bool choose(QPoint origin, QPoint selector, int index)
    {
        const qsizetype windows = program->visibleWindows().size();
        click(origin, selector.x(), selector.y(), 100);
        if (!program->waitWindowCount(windows + 1, 5000))
            return false;
        QString keys = QStringLiteral("Home");
        for (int i = 0; i < index; ++i)
            keys += QStringLiteral(" Down");
        key(keys + QStringLiteral(" Return"), 100);
        return program->waitWindowCount(windows, 5000);
    }

    QPair<QString, QRect> openEditor()
    {
        if (!program->start())
            return {};
        const auto mainWindow = program->waitWindow(QSize(630, 585), 15000);
        if (mainWindow.first.isEmpty())
            return {};
        QTest::qWait(500);
        // A returning user gets no greeting: the main window is the program's only window.
        if (program->visibleWindows().size() != 1)
            return {};
        if (!clickChangingPages(mainWindow.second.topLeft(), 315, 40)) // "新しいプロジェクトを作成"
            return {};
        return mainWindow;
    }

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<Program> program;
    x11test::Client user;
};

QTEST_GUILESS_MAIN(tst_E2eProgram)
#include "tst_e2e_program.moc"
