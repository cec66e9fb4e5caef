// The guardian on a real X server: a child process (this executable with --child) starts the real guardian, really
// presses keys and a button and rebinds keycodes through XTest, reporting each to the ledger as the backend does, and
// is then killed. From a connection of its own the test sees everything handed back within 1.5 s, and the watchdog
// gone. The server runs with -noreset, so nothing is undone by the server forgetting its state.

#include "platform/guardian/guardian.h"
#include "platform/guardian/ledgerrecords.h"
#include "platform/inputledger.h"
#include "platform/x11/x11factory.h"

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

constexpr int kBoth = 1000;      // SIGKILL to the watchdog, then to the program
constexpr int kStopTwice = 1001; // SIGSTOP, SIGCONT while the program goes on pressing, SIGSTOP again

void rebind(x11test::Client& client, int keycode, unsigned long keysym)
{
    platform::ledger().rebound(keycode, client.mapping()[keycode]);
    client.bind(keycode, {keysym});
    platform::ledger().bound(keycode, {keysym});
}

// Four keysyms on an unused keycode, as the backend binds them where the map has a third-level key: the map's
// FOUR_LEVEL type, set explicitly, which the core mapping does not show.
void rebindFourLevels(x11test::Client& client, int keycode, const std::vector<unsigned long>& keysyms)
{
    platform::ledger().rebound(keycode, {});
    XkbDescPtr desc = XkbGetMap(client.display(), XkbAllClientInfoMask | XkbExplicitComponentsMask, XkbUseCoreKbd);
    XkbGetNames(client.display(), XkbKeyTypeNamesMask, desc);
    XkbSymMapRec& key = desc->map->key_sym_map[keycode];
    for (int t = 0; t < desc->map->num_types; ++t)
        key.kt_index[0] =
            desc->map->types[t].name == XInternAtom(client.display(), "FOUR_LEVEL", False) ? t : key.kt_index[0];
    std::copy(keysyms.begin(), keysyms.end(), XkbResizeKeySyms(desc, keycode, 4));
    key.group_info = 1, key.width = 4;
    desc->server->c_explicit[keycode] |= XkbExplicitKeyType1Mask;
    XkbMapChangesRec changes{};
    changes.changed = XkbKeySymsMask | XkbExplicitComponentsMask;
    changes.first_key_sym = changes.first_key_explicit = static_cast<KeyCode>(keycode);
    changes.num_key_syms = changes.num_key_explicit = 1;
    XkbChangeMap(client.display(), desc, &changes);
    XkbFreeKeyboard(desc, 0, True);
    platform::ledger().bound(keycode, keysyms);
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
    const long watchdog = platform::guardian::watchdogProcessId();
    std::vector<int> touched;
    if (std::strncmp(scenario, "hold", 4) == 0) {
        // The watchdog falls behind until a record does not fit: the hold is in no record it gets, and nothing changes
        // after it.
        const bool lose = std::strcmp(scenario, "hold, a record lost") == 0;
        auto& records = dynamic_cast<platform::guardian::RecordLedger&>(platform::ledger());
        if (lose)
            ::kill(static_cast<pid_t>(watchdog), SIGSTOP);
        for (int i = 0; lose && i < 100000 && !records.pending(); ++i)
            records.keyUp(ctrl);
        press(client, ctrl);
        press(client, letter);
        platform::ledger().buttonDown(1);
        client.button(1, true);
        if (lose)
            ::kill(static_cast<pid_t>(watchdog), SIGCONT);
        for (int i = 0; lose && i < 500 && records.pending(); ++i)
            usleep(10000);
        touched = {ctrl, letter};
    } else if (std::strcmp(scenario, "typing") == 0) {
        // Two spare keycodes bound to kana (one on four levels), one ordinary key taken over, one of them down
        // mid-character, CapsLock switched off for the text.
        rebindFourLevels(client, spare[0], {0x1003042, 0x1003043, 0x1003044, 0x1003045});
        rebind(client, spare[1], 0x1003044);
        rebind(client, f12, 0x1003046);
        press(client, spare[1]);
        client.setLocked(LockMask, true);
        platform::ledger().capsLockSuspended(true);
        client.setLocked(LockMask, false);
        touched = {spare[0], spare[1], f12};
    } else if (std::strcmp(scenario, "retaken") == 0) {
        // A layout switch puts its own keys on a keycode the program had bound.
        rebind(client, spare[0], 0x1003042);
        client.bind(spare[0], {XK_yen, XK_bar});
        touched = {spare[0]};
    } else {
        // Another program has taken the keycode over since: the watchdog must leave it alone after the goodbye.
        rebind(client, spare[0], 0x1003042);
        platform::ledger().restored(spare[0]);
        touched = {spare[0]};
    }
    XSync(client.display(), False);
    std::printf("READY %ld", watchdog);
    for (int kc : touched)
        std::printf(" %d", kc);
    std::printf("\n");
    std::fflush(stdout);
    if (std::strcmp(scenario, "clean") == 0) {
        platform::guardian::stop();
        return 0;
    }
    for (;;) {
        usleep(20000);
        if (std::strcmp(scenario, "hold, pressing on") == 0)
            press(client, ctrl);
    }
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
        QTest::newRow("stopped twice mid-hold, pressing on") << "hold, pressing on" << kStopTwice;
        QTest::newRow("SIGKILL mid-hold after a record was lost") << "hold, a record lost" << int(SIGKILL);
        QTest::newRow("SIGKILL of both: the next start lets go") << "hold" << kBoth;
        QTest::newRow("SIGKILL of both, another instance lives") << "hold beside another" << kBoth;
        QTest::newRow("SIGKILL mid-typing, keycodes rebound (one on four levels), CapsLock off")
            << "typing" << int(SIGKILL);
        QTest::newRow("SIGKILL after a layout took a keycode") << "retaken" << int(SIGKILL);
        QTest::newRow("clean exit leaves what the ledger calls done") << "clean" << 0;
    }

    void handsTheDesktopBack()
    {
        QFETCH(QString, scenario);
        QFETCH(int, signalNumber);

        // What the keycodes carry before the child touches them; the spare ones are found by the child.
        const std::vector<Keysyms> before = user.mapping();
        const std::vector<unsigned char> typesBefore = user.explicitTypes();

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
        const auto held = [&] {
            return user.keysDown().count(touched[0]) && user.keysDown().count(touched[1]) &&
                   user.buttonsDown() == unsigned(Button1Mask);
        };
        if (scenario.startsWith(QLatin1String("hold"))) {
            QVERIFY(held());
        } else {
            QVERIFY(scenario == QLatin1String("retaken") || user.keysDown().count(touched[1]));
            for (int kc : touched)
                QVERIFY(user.mapping()[kc] != before[kc]);
        }

        const auto pid = static_cast<pid_t>(child.processId());
        if (signalNumber == kBoth) {
            QVERIFY(::kill(static_cast<pid_t>(watchdog), SIGKILL) == 0 && ::kill(pid, SIGKILL) == 0);
            QTRY_VERIFY_WITH_TIMEOUT(processGone(watchdog) && processGone(pid), 3000);
            QVERIFY(held()); // nobody is left to let go
            const bool other = scenario.endsWith(QLatin1String("another"));
            const Window owner =
                XCreateSimpleWindow(user.display(), DefaultRootWindow(user.display()), 0, 0, 1, 1, 0, 0, 0);
            if (other)
                XSetSelectionOwner(user.display(), XInternAtom(user.display(), "_ORVANE_INSTANCE_5", False), owner,
                                   CurrentTime);
            XSync(user.display(), False);
            QVERIFY(platform::createDefaultServices()->isAvailable()); // the next start
            XDestroyWindow(user.display(), owner);
            QCOMPARE(held(), other);
            for (int kc : touched)
                user.keycode(kc, false);
            user.button(1, false);
            return;
        }
        if (signalNumber == kStopTwice) {
            QCOMPARE(::kill(pid, SIGSTOP), 0);
            QTRY_VERIFY_WITH_TIMEOUT(user.keysDown().empty() && user.buttonsDown() == 0, 1500);
            QCOMPARE(::kill(pid, SIGCONT), 0);
            QTRY_VERIFY_WITH_TIMEOUT(user.keysDown().count(touched[0]), 1500);
            signalNumber = SIGSTOP;
        }
        QCOMPARE(signalNumber > 0 ? ::kill(pid, signalNumber) : ::kill(-pid, -signalNumber), 0);
        QTRY_VERIFY_WITH_TIMEOUT(user.keysDown().empty() && user.buttonsDown() == 0, 1500);
        if (signalNumber == SIGSTOP) // a stopped program may go on: its watchdog stays until it ends
            QVERIFY(!processGone(watchdog) && ::kill(pid, SIGKILL) == 0);
        QTRY_VERIFY_WITH_TIMEOUT(processGone(watchdog), 1500);
        if (scenario == QLatin1String("retaken")) { // the layout's keys stay
            QVERIFY(user.keycodeCarries(touched[0], XK_yen));
            user.bind(touched[0], {});
        }
        const std::vector<Keysyms> now = user.mapping();
        for (int kc : touched)
            QCOMPARE(now[kc], before[kc]);
        QCOMPARE(user.explicitTypes(), typesBefore); // no key type of a binding is left
        if (scenario == QLatin1String("typing")) {
            QVERIFY(user.locked(LockMask));
            user.setLocked(LockMask, false);
        }
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
