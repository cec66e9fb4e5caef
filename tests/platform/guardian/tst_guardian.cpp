// The guardian on a real X server: a child process (this executable with --child) starts the real guardian, really
// presses keys and a button and rebinds keycodes through XTest, reporting each to the ledger as the backend does, and
// is then killed. From a connection of its own the test sees everything handed back within 1.5 s, and the watchdog
// gone. The server runs with -noreset, so nothing is undone by the server forgetting its state.

#include "platform/guardian/guardian.h"
#include "platform/inputledger.h"

#include <QFile>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "x11client.h" // after every Qt header
#include <X11/keysym.h>

namespace {

using x11test::Keysyms;

void rebind(x11test::Client& client, int keycode, unsigned long keysym)
{
    platform::ledger().rebound(keycode, client.mapping()[keycode]);
    client.bind(keycode, {keysym});
}

void press(x11test::Client& client, int keycode)
{
    platform::ledger().keyDown(keycode);
    client.keycode(keycode, true);
}

// The child: does what the scenario says and prints "READY <watchdog pid> <keycodes it touched...>".
int childMain(const char* scenario)
{
    setpgid(0, 0); // a process group of its own, which the test may kill as a whole
    if (!platform::guardian::start())
        return 2;
    x11test::Client client;
    if (!client.display())
        return 3;
    const std::set<int> unused = client.unusedKeycodes();
    const std::vector<int> spare(unused.rbegin(), unused.rend());
    const int ctrl = client.keycodeOf(XK_Control_L);
    const int letter = client.keycodeOf(XK_a);
    const int f12 = client.keycodeOf(XK_F12);
    std::vector<int> touched;
    if (std::strcmp(scenario, "hold") == 0) {
        press(client, ctrl);
        press(client, letter);
        platform::ledger().buttonDown(1);
        client.button(1, true);
        touched = {ctrl, letter};
    } else if (std::strcmp(scenario, "typing") == 0) {
        // Two spare keycodes bound to kana, one ordinary key taken over, one of them down mid-character.
        rebind(client, spare[0], 0x1003042);
        rebind(client, spare[1], 0x1003044);
        rebind(client, f12, 0x1003046);
        press(client, spare[1]);
        touched = {spare[0], spare[1], f12};
    } else {
        // Another program has taken the keycode over since: the watchdog must leave it alone after the goodbye.
        rebind(client, spare[0], 0x1003042);
        platform::ledger().restored(spare[0]);
        touched = {spare[0]};
    }
    XSync(client.display(), False);
    std::printf("READY %ld", platform::guardian::watchdogProcessId());
    for (int kc : touched)
        std::printf(" %d", kc);
    std::printf("\n");
    std::fflush(stdout);
    if (std::strcmp(scenario, "clean") == 0) {
        platform::guardian::stop();
        return 0;
    }
    for (;;)
        pause();
}

bool processGone(long pid)
{
    // Gone, or a zombie waiting for a parent that is not ours to reap it.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close >= 0 && text.mid(close + 2, 1) == "Z";
}

} // namespace

class tst_Guardian : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY2(user.display(), "no X display"); }

    void handsTheDesktopBack_data()
    {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<int>("signalNumber"); // 0: the child ends cleanly; negative: to its whole process group
        QTest::newRow("SIGKILL mid-hold") << "hold" << int(SIGKILL);
        QTest::newRow("abort mid-hold") << "hold" << int(SIGABRT);
        QTest::newRow("SIGKILL of the process group mid-hold") << "hold" << -int(SIGKILL);
        QTest::newRow("stopped mid-hold") << "hold" << int(SIGSTOP);
        QTest::newRow("SIGKILL mid-typing, keycodes rebound") << "typing" << int(SIGKILL);
        QTest::newRow("clean exit leaves what the ledger calls done") << "clean" << 0;
    }

    void handsTheDesktopBack()
    {
        QFETCH(QString, scenario);
        QFETCH(int, signalNumber);

        // What the keycodes carry before the child touches them; the spare ones are found by the child.
        const std::vector<Keysyms> before = user.mapping();

        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), scenario});
        QVERIFY(child.waitForReadyRead(10000));
        const QByteArray ready = child.readLine();
        const QList<QByteArray> fields = ready.trimmed().split(' ');
        QVERIFY2(fields.size() >= 3 && fields[0] == "READY" && fields[1].toLong() > 0, ready.constData());
        const long watchdog = fields[1].toLong();
        QList<int> touched;
        for (qsizetype i = 2; i < fields.size(); ++i)
            touched.append(fields[i].toInt());

        if (signalNumber == 0) {
            QVERIFY(child.state() == QProcess::NotRunning || child.waitForFinished(5000));
            QCOMPARE(child.exitCode(), 0);
            QVERIFY2(processGone(watchdog), "the watchdog outlived a clean exit");
            // The keycode that the ledger was told is restored keeps what the child bound there.
            QVERIFY(user.keycodeCarries(touched[0], 0x1003042));
            user.bind(touched[0], {});
            return;
        }

        // The child really holds and binds what it says, so that the hand-back below is not merely the starting state.
        if (scenario == QLatin1String("hold")) {
            QVERIFY(user.keysDown().count(touched[0]) && user.keysDown().count(touched[1]));
            QCOMPARE(user.buttonsDown(), unsigned(Button1Mask));
        } else {
            QVERIFY(user.keysDown().count(touched[1]));
            for (int kc : touched)
                QVERIFY(user.mapping()[kc] != before[kc]);
        }

        const auto pid = static_cast<pid_t>(child.processId());
        QCOMPARE(signalNumber > 0 ? ::kill(pid, signalNumber) : ::kill(-pid, -signalNumber), 0);
        QTRY_VERIFY_WITH_TIMEOUT(user.keysDown().empty() && user.buttonsDown() == 0, 1500);
        if (signalNumber == SIGSTOP) // a stopped program may go on: its watchdog stays until it ends
            QVERIFY(!processGone(watchdog) && ::kill(pid, SIGKILL) == 0);
        QTRY_VERIFY_WITH_TIMEOUT(processGone(watchdog), 1500);
        const std::vector<Keysyms> now = user.mapping();
        for (int kc : touched)
            QCOMPARE(now[kc], before[kc]);
        child.waitForFinished(3000); // dead already; lets QProcess see it
    }

private:
    x11test::Client user;
};

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--child") == 0)
        return childMain(argv[2]);
    QCoreApplication app(argc, argv);
    tst_Guardian test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_guardian.moc"
