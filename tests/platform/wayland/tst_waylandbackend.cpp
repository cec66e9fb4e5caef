// The Wayland backend against a headless sway, observed by a Wayland client of another process (waylandobserver).
#include "platform/guardian/guardian.h"
#include "platform/inputservices.h"
#include "platform/wayland/waylandfactory.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/socket.h>
#include <thread>

using platform::MouseButton;

class tst_WaylandBackend : public QObject {
    Q_OBJECT

    QProcess observer_;
    QStringList lines_;
    std::unique_ptr<platform::InputServices> backend_;

    // The lines seen since from, once they hold want in order (other lines between them allowed).
    bool seenInOrder(qsizetype from, const QStringList& want, int timeoutMs = 10000)
    {
        return QTest::qWaitFor(
            [&] {
                qsizetype next = 0;
                for (qsizetype i = from; i < lines_.size() && next < want.size(); ++i)
                    next += lines_.at(i) == want.at(next) ? 1 : 0;
                return next == want.size();
            },
            timeoutMs);
    }
    QString textSince(qsizetype from) const
    {
        QString text;
        for (qsizetype i = from; i < lines_.size(); ++i)
            text += lines_.at(i).startsWith(QLatin1String("text ")) ? lines_.at(i).mid(5) : QString();
        return text;
    }

private Q_SLOTS:
    void initTestCase()
    {
        connect(&observer_, &QProcess::readyReadStandardOutput, this, [this] {
            while (observer_.canReadLine())
                lines_ << QString::fromUtf8(observer_.readLine()).chopped(1);
        });
        observer_.start(QStringLiteral(ORVANE_WAYLAND_OBSERVER), {});
        QVERIFY(seenInOrder(0, {"mapped"}));
        QCOMPARE(platform::waylandDesktop(), platform::WaylandDesktop::Wlroots);
        backend_ = platform::createWaylandServices();
        QVERIFY(backend_);
        QVERIFY(!backend_->canWatchKeys() && !backend_->canRegisterHotKey() && !backend_->canCapture());
        QVERIFY(seenInOrder(0, {"focus"}));
    }
    void cleanupTestCase()
    {
        observer_.kill();
        observer_.waitForFinished();
    }

    void typing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("Japanese") << QStringLiteral("こんにちは、世界！漢字とカタカナ。𠮷野家");
        QTest::newRow("ASCII") << QStringLiteral("Hello, World! ~`|\\{}[]<>?/ 0123456789 ABC xyz");
        QString many; // more distinct characters than the keymap's slots hold at once (fewer than 247)
        for (char16_t c = u'一'; c < u'一' + 300; ++c)
            many += QChar(c);
        QTest::newRow("more characters than slots") << many + many.left(20);
    }
    void typing()
    {
        QFETCH(QString, text);
        const qsizetype from = lines_.size();
        const auto typed = backend_->typeText(text.toStdU16String(), std::chrono::steady_clock::now(), {}, {});
        QCOMPARE(typed, std::size_t(text.size()));
        QTRY_COMPARE_WITH_TIMEOUT(textSince(from), text, 10000);
    }

    void keys_data()
    {
        QTest::addColumn<QList<int>>("presses"); // virtual-key codes, negative for a release
        QTest::addColumn<QStringList>("seen");
        QTest::addColumn<int>("held");
        QTest::newRow("Shift") << QList<int>{16, 'A', -'A', -16} << QStringList{"key A down Shift", "text A"} << 0;
        QTest::newRow("combination") << QList<int>{17, 18, 'T', -'T', -18, -17}
                                     << QStringList{"key t down Control+Mod1", "key t up Control+Mod1"} << 0;
        QTest::newRow("held key") << QList<int>{'X'} << QStringList{"key x down -"} << int('X');
    }
    void keys()
    {
        QFETCH(QList<int>, presses);
        QFETCH(QStringList, seen);
        QFETCH(int, held);
        const qsizetype from = lines_.size();
        for (int vk : presses)
            QVERIFY(backend_->sendKey(std::abs(vk), vk > 0));
        // Everything sent before the mark has arrived once the mark has.
        QVERIFY(backend_->typeText(u"#", std::chrono::steady_clock::now(), {}, {}) == 1);
        QVERIFY(seenInOrder(from, seen + QStringList{"text #"}));
        QCOMPARE(backend_->isKeyDown(held), held != 0);
        if (held) {
            QVERIFY(!lines_.mid(from).contains(QStringLiteral("key x up -")));
            QVERIFY(backend_->sendKey(held, false));
            QVERIFY(seenInOrder(from, {"key x up -"}));
        }
    }

    void pointer()
    {
        const qsizetype from = lines_.size();
        QVERIFY(!backend_->setCursorPos(1280, 10)); // beyond the output
        QVERIFY(backend_->setCursorPos(100, 200));
        QVERIFY(backend_->sendMouseButton(MouseButton::Left, true) &&
                backend_->sendMouseButton(MouseButton::Left, false));
        QVERIFY(backend_->sendMouseButton(MouseButton::Right, true) && backend_->setCursorPos(1279, 1023));
        QVERIFY(backend_->isKeyDown(2));
        QVERIFY(backend_->sendMouseButton(MouseButton::Right, false));
        QVERIFY(seenInOrder(from, {"motion 100 200", "button 272 down", "button 272 up", "button 273 down",
                                   "motion 1279 1023", "button 273 up"}));
        int x = 0, y = 0;
        QVERIFY(backend_->getCursorPos(x, y) && x == 1279 && y == 1023);
    }

    // Only our own connection cut, as when the compositor closes it or a protocol error ends it, while other clients
    // go on: every later input says at once that it was not delivered, so that the run stops and says so.
    void brokenConnection()
    {
        const auto sockets = [] {
            QStringList fds = QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::System);
            fds.removeIf(
                [](const QString& fd) { return !QFile::symLinkTarget("/proc/self/fd/" + fd).contains("socket:"); });
            return fds;
        };
        const QStringList before = sockets();
        auto backend = platform::createWaylandServices();
        QVERIFY(backend && backend->setCursorPos(10, 10));
        QStringList ours = sockets();
        ours.removeIf([&](const QString& fd) { return before.contains(fd); });
        QCOMPARE(ours.size(), 1);
        QCOMPARE(::shutdown(ours.first().toInt(), SHUT_RDWR), 0); // the descriptor stays ours, unlike after close()
        QVERIFY(!backend->sendKey('A', true) && !backend->sendUnicodeUnit(u'a', true) && !backend->setCursorPos(9, 9));
        QVERIFY(!backend->sendMouseButton(MouseButton::Left, true) && backend->monitors().empty());
        QCOMPARE(backend->typeText(u"ab", std::chrono::steady_clock::now(), {}, {}), std::size_t(0));
        QVERIFY(backend_->typeText(u"#", std::chrono::steady_clock::now(), {}, {}) == 1);
    }

    // A killed process's keys come up with its connection; its buttons through the guardian.
    void killedHolder()
    {
        const qsizetype from = lines_.size();
        QProcess holder;
        holder.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold")});
        QVERIFY(seenInOrder(from, {"key q down -", "button 272 down"}));
        holder.kill();
        QVERIFY(holder.waitForFinished());
        QVERIFY(seenInOrder(from, {"key q up -"}));
        QVERIFY(seenInOrder(from, {"button 272 up"}));
    }

    // The whole program on the command line, typing into the observer; `orvane --stop` ends an endless run. A program
    // stopped while it holds a key has it let go of, and once it continues its run ends as undelivered.
    void commandLineRun_data()
    {
        QTest::addColumn<QString>("repeat");
        QTest::addColumn<bool>("stopHolding");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("twice") << "2" << false << 0;
        QTest::newRow("endless, --stop") << "" << false << 1;
        QTest::newRow("stopped holding a key") << "1" << true << 3;
    }
    void commandLineRun()
    {
        QFETCH(QString, repeat);
        QFETCH(bool, stopHolding);
        QFETCH(int, exitCode);
        QTemporaryDir dir;
        const QString text = QStringLiteral("こんにちは、世界！ Hello 123");
        QJsonArray commands, conditions;
        commands.append(stopHolding ? QJsonArray{"キー", "65,0", "30"} : QJsonArray{"入力", text, "0.2"});
        conditions.append(stopHolding ? QJsonArray{"即時"} : QJsonArray{"時間", "0.4"});
        QFile project(dir.filePath(QStringLiteral("demo.cmdat")));
        QVERIFY(project.open(QIODevice::WriteOnly));
        project.write(QJsonDocument(QJsonObject{{"list_command", commands}, {"list_condition", conditions}}).toJson());
        project.close();
        const qsizetype from = lines_.size();
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), dir.path());
        program.setProcessEnvironment(env);
        QStringList args{"--run", project.fileName(), "--delay", "0"};
        args += repeat.isEmpty() ? QStringList{"--endless"} : QStringList{"--repeat", repeat};
        program.start(QStringLiteral(ORVANE_PROGRAM), args);
        if (repeat.isEmpty()) {
            QTRY_VERIFY_WITH_TIMEOUT(textSince(from).contains(text), 10000);
            QCOMPARE(QProcess::execute(QStringLiteral(ORVANE_PROGRAM), {"--stop"}), 0);
        }
        if (stopHolding) {
            QVERIFY(seenInOrder(from, {"key a down -"}, 20000));
            QCOMPARE(::kill(static_cast<pid_t>(program.processId()), SIGSTOP), 0);
            QVERIFY(seenInOrder(from, {"key a down -", "key a up -"}, 20000));
            QCOMPARE(::kill(static_cast<pid_t>(program.processId()), SIGCONT), 0);
        }
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitCode(), exitCode);
        if (!repeat.isEmpty() && !stopHolding)
            QTRY_COMPARE_WITH_TIMEOUT(textSince(from), text + text, 10000);
        QCOMPARE(QProcess::execute(QStringLiteral(ORVANE_PROGRAM), {"--stop"}), 1); // nothing left to stop
    }
};

int main(int argc, char** argv)
{
    if (argc == 2 && qstrcmp(argv[1], "--hold") == 0) {
        platform::guardian::start(); // as the program does
        auto backend = platform::createWaylandServices();
        if (!backend || !backend->sendKey('Q', true) || !backend->setCursorPos(10, 10) ||
            !backend->sendMouseButton(MouseButton::Left, true))
            return 1;
        std::this_thread::sleep_for(std::chrono::minutes(1));
        return 0;
    }
    QCoreApplication app(argc, argv);
    tst_WaylandBackend test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_waylandbackend.moc"
