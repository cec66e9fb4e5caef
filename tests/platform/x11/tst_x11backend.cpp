// The X11 backend against a real X server (a private Xvfb): key state seen by other clients and vice versa, the
// swallowing capture, hot keys with lock keys, Unicode typing into a text box of another process, clicks and the
// pointer, start-up reclaim, the ledger, failures and the key watch. A second X connection of this process plays the
// physical keyboard (XTest) and the other programs; child processes of this binary play earlier or doomed instances.

#include "platform/guardian/ledgerrecords.h"
#include "platform/inputservices.h"
#include "platform/qt/nativeeventforwarder.h"
#include "platform/stopsignal.h"
#include "platform/x11/x11factory.h"
#include "platform/x11/x11vktable.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QTest>
#include <QtGui/qguiapplication_platform.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "x11client.h" // after every Qt header
#include <X11/Xatom.h>
#include <X11/extensions/Xrandr.h>
#include <X11/keysym.h>
#include <unistd.h>

namespace {

using platform::services;
using x11test::Sink;

using KeyLog = std::vector<std::pair<int, int>>;

// Sends a text from a worker thread, back to back: whole (typeText) or each UTF-16 unit pressed and released.
// Returns the units delivered.
std::size_t typeFromWorker(const QString& text, bool whole = false, std::chrono::milliseconds interval = {})
{
    std::size_t delivered = 0;
    std::thread([&] {
        const platform::StopSignal never;
        if (whole) {
            delivered = services().typeText(text.toStdU16String(), std::chrono::steady_clock::now(), interval, never);
            return;
        }
        for (QChar unit : text) {
            if (services().sendUnicodeUnit(unit.unicode(), true) && services().sendUnicodeUnit(unit.unicode(), false))
                ++delivered;
        }
    }).join();
    return delivered;
}

// The pairs (keycode, keysym) that running or dead instances (or only instance `only`) record on the root window as
// bound.
std::map<int, KeySym> boundRecord(Display* display, int only = -1)
{
    std::map<int, KeySym> pairs;
    for (int n = std::max(only, 0); n < (only < 0 ? 16 : only + 1); ++n) {
        const std::string name = "_ORVANE_BOUND_KEYCODES" + (n == 0 ? std::string() : "_" + std::to_string(n));
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(display, DefaultRootWindow(display), XInternAtom(display, name.c_str(), False), 0, 1024,
                           False, XA_CARDINAL, &type, &format, &count, &after, &data);
        for (unsigned long i = 0; data && i + 1 < count; i += 2)
            pairs[static_cast<int>(reinterpret_cast<long*>(data)[i])] =
                static_cast<KeySym>(reinterpret_cast<long*>(data)[i + 1]);
        XFree(data);
    }
    return pairs;
}

// What a guardian would have to undo right now, rebuilt from the records as the watchdog rebuilds it; while full, the
// channel refuses every record.
class LedgerRecord final : public platform::guardian::RecordLedger {
public:
    bool full = false;
    platform::guardian::LedgerState state()
    {
        std::lock_guard lock(mutex_);
        return reader_.state();
    }

protected:
    bool write(const std::vector<std::uint32_t>& record, bool) override
    {
        std::lock_guard lock(mutex_);
        return !full && reader_.feed(record.data(), record.size() * sizeof(std::uint32_t));
    }

private:
    std::mutex mutex_;
    platform::guardian::RecordReader reader_;
};

// Loads a keyboard layout on the test's display, as a user switching layouts does.
bool setLayout(const QString& layout)
{
    return QProcess::execute(QStringLiteral("setxkbmap"), {QStringLiteral("-layout"), layout}) == 0;
}

} // namespace

class tst_X11Backend : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(qGuiApp->nativeInterface<QNativeInterface::QX11Application>(), "needs the xcb platform");
        QVERIFY(other_.display());
        unusedAtStart_ = other_.unusedKeycodes();
        mappingAtStart_ = other_.mapping();
        QVERIFY(unusedAtStart_.size() >= 4);
        auto backend = platform::createDefaultServices();
        QVERIFY(backend);
        QCOMPARE(backend->backendName(), std::string("x11"));
        QVERIFY(backend->isAvailable());
        platform::setServices(std::move(backend));
        platform::installNativeEventForwarder();

        // The X11 platform is chosen unless the user chose another.
        const QByteArray saved = qgetenv("QT_QPA_PLATFORM");
        qunsetenv("QT_QPA_PLATFORM");
        platform::prepareGuiPlatform();
        QCOMPARE(qgetenv("QT_QPA_PLATFORM"), QByteArray("xcb"));
        qputenv("QT_QPA_PLATFORM", "wayland");
        platform::prepareGuiPlatform();
        QCOMPARE(qgetenv("QT_QPA_PLATFORM"), QByteArray("wayland"));
        qputenv("QT_QPA_PLATFORM", saved);
    }

    void cleanupTestCase() { platform::setServices(nullptr); }

    void cleanup()
    {
        // A failed test must not leave keys, locks or grabs behind for the next one.
        services().unregisterHotKey(1001);
        for (platform::CaptureHandle handle : std::exchange(captures_, {}))
            services().removeKeyboardCapture(handle);
        for (platform::KeyWatchHandle handle : std::exchange(watches_, {}))
            services().unwatchKeys(handle);
        XUngrabKeyboard(other_.display(), CurrentTime);
        XSync(other_.display(), False);
        for (KeySym sym : {XK_Shift_L, XK_Shift_R, XK_Control_L, XK_Control_R, XK_Alt_L, XK_g, XK_a, XK_d})
            other_.key(sym, false);
        other_.setLocked(0xff, false);
        if (std::exchange(layoutChanged_, false))
            setLayout(QStringLiteral("us"));
        setMonitors({});
    }

    void vkTable_data()
    {
        QTest::addColumn<int>("keysym");
        QTest::addColumn<QString>("keyName");
        QTest::addColumn<int>("vk");
        QTest::newRow("AltGr reads as right Alt") << int(XK_ISO_Level3_Shift) << QString() << 165;
        QTest::newRow("keypad End") << int(XK_KP_End) << QString() << 35;
        QTest::newRow("keypad 1") << int(XK_KP_1) << QString() << 97;
        QTest::newRow("capital letter") << int(XK_Q) << QString() << 81;
        QTest::newRow("vendor keysym") << int(XK_VoidSymbol) << QString() << 0;
        QTest::newRow("F13 by name") << 0 << QStringLiteral("FK13") << 124;
        QTest::newRow("F25 by name") << 0 << QStringLiteral("FK25") << 0;
        QTest::newRow("A by position") << 0 << QStringLiteral("AC01") << 65;
        QTest::newRow("beyond the row") << 0 << QStringLiteral("AB11") << 0;
        QTest::newRow("zero by position") << 0 << QStringLiteral("AE10") << 48;
        QTest::newRow("ISO extra key") << 0 << QStringLiteral("LSGT") << 226;
    }

    void vkTable()
    {
        QFETCH(int, keysym);
        QFETCH(QString, keyName);
        QFETCH(int, vk);
        if (keyName.isEmpty()) {
            QCOMPARE(platform::x11::vkForKeysym(static_cast<unsigned long>(keysym)), vk);
            if (vk != 0 && platform::x11::keysymForVk(vk) != 0) // sending and reading agree on the code
                QCOMPARE(platform::x11::vkForKeysym(platform::x11::keysymForVk(vk)), vk);
        } else {
            QCOMPARE(platform::x11::vkForKeyName(keyName.toStdString()), vk);
        }
    }

    void keyState_data()
    {
        QTest::addColumn<int>("vk");
        QTest::addColumn<int>("keysym");
        QTest::addColumn<int>("generic");       // 0 or the generic code that must follow
        QTest::addColumn<int>("sibling");       // 0 or the other side's code that must stay up
        QTest::addColumn<bool>("physical");     // the key exists on the keymap, so the other client can press it
        QTest::addColumn<bool>("worker");       // pressed from a thread that then ends, released from this one
        QTest::addColumn<QString>("meanwhile"); // while held: a layout loaded, or NumLock (on at the press) off

        QTest::newRow("left shift") << 160 << int(XK_Shift_L) << 16 << 161 << true << false << QString();
        QTest::newRow("right shift") << 161 << int(XK_Shift_R) << 16 << 160 << true << false << QString();
        QTest::newRow("left ctrl") << 162 << int(XK_Control_L) << 17 << 163 << true << false << QString();
        QTest::newRow("left alt") << 164 << int(XK_Alt_L) << 18 << 165 << true << false << QString();
        QTest::newRow("left win") << 91 << int(XK_Super_L) << 0 << 92 << true << false << QString();
        QTest::newRow("right win") << 92 << int(XK_Super_R) << 0 << 91 << true << false << QString();
        QTest::newRow("letter") << 65 << int(XK_a) << 0 << 0 << true << false << QString();
        QTest::newRow("digit") << 48 << int(XK_0) << 0 << 0 << true << false << QString();
        QTest::newRow("F1") << 112 << int(XK_F1) << 0 << 0 << true << false << QString();
        QTest::newRow("OEM_1") << 186 << int(XK_semicolon) << 0 << 0 << true << false << QString();
        QTest::newRow("enter") << 13 << int(XK_Return) << 0 << 0 << true << false << QString();
        QTest::newRow("keypad multiply") << 106 << int(XK_KP_Multiply) << 0 << 0 << true << false << QString();
        QTest::newRow("numpad 1, NumLock off") << 97 << int(XK_KP_1) << 0 << 0 << false << false << QString();
        QTest::newRow("F13 off the map, from a worker") << 124 << int(XK_F13) << 0 << 0 << false << true << QString();
        QTest::newRow("Y held while the layout goes us -> de")
            << 89 << int(XK_y) << 0 << 0 << false << false << QStringLiteral("de");
        QTest::newRow("numpad 1 held while NumLock goes off")
            << 97 << int(XK_KP_1) << 0 << 0 << false << false << QStringLiteral("numlock");
    }

    void keyState()
    {
        QFETCH(int, vk);
        QFETCH(int, keysym);
        QFETCH(int, generic);
        QFETCH(int, sibling);
        QFETCH(bool, physical);
        QFETCH(bool, worker);
        QFETCH(QString, meanwhile);
        auto& s = services();
        other_.setLocked(Mod2Mask, meanwhile == QLatin1String("numlock"));

        // Backend -> server: the other client sees the key down, and so does the backend.
        QVERIFY(!s.isKeyDown(vk));
        bool sent = false;
        const auto press = [&] { sent = s.sendKey(vk, true); };
        worker ? std::thread(press).join() : press();
        QVERIFY(sent);
        QVERIFY(s.isKeyDown(vk));
        QVERIFY(other_.symDown(static_cast<KeySym>(keysym)));
        QVERIFY(!generic || s.isKeyDown(generic));
        QVERIFY(!sibling || !s.isKeyDown(sibling));
        if (meanwhile == QLatin1String("numlock"))
            other_.setLocked(Mod2Mask, false);
        else if (!meanwhile.isEmpty())
            QVERIFY(layoutChanged_ = setLayout(meanwhile));
        s.sendKey(vk, false);
        QVERIFY(!s.isKeyDown(vk));
        QCOMPARE(other_.keysDown(), std::set<int>{}); // released where it went down
        QVERIFY(!generic || !s.isKeyDown(generic));

        // Server -> backend: a key pressed by someone else reads with its own code.
        if (!physical)
            return;
        other_.key(static_cast<KeySym>(keysym), true);
        QVERIFY(s.isKeyDown(vk));
        QVERIFY(!generic || s.isKeyDown(generic));
        QVERIFY(!sibling || !s.isKeyDown(sibling));
        other_.key(static_cast<KeySym>(keysym), false);
        QVERIFY(!s.isKeyDown(vk));
    }

    void captureSwallowsAndReports_data()
    {
        QTest::addColumn<unsigned>("locks"); // locked modifiers meanwhile
        QTest::addColumn<int>("keypad");     // what the keypad key labelled 1/End reads as
        QTest::newRow("NumLock off: End") << 0u << 35;
        QTest::newRow("NumLock on: numpad 1") << unsigned(Mod2Mask) << 97;
    }

    void captureSwallowsAndReports()
    {
        QFETCH(unsigned, locks);
        QFETCH(int, keypad);
        Sink sink(QStringLiteral("text"), QRect(100, 100, 400, 200));
        QVERIFY(sink.waitReady());
        services().setCursorPos(300, 200);
        other_.setLocked(locks, true);

        // Refused while another program holds the keyboard, and nothing is left of the attempt.
        Display* d = other_.display();
        QCOMPARE(XGrabKeyboard(d, DefaultRootWindow(d), False, GrabModeAsync, GrabModeAsync, CurrentTime), GrabSuccess);
        KeyLog earlier;
        QCOMPARE(capture(earlier), 0);
        QVERIFY(!services().lastError().empty());
        XUngrabKeyboard(d, CurrentTime);
        XSync(d, False);
        // A key still queued for an earlier capture when it ended goes to neither that capture nor the next.
        QVERIFY(capture(earlier) != 0);
        other_.chord({XK_e});
        services().removeKeyboardCapture(captures_.back());
        other_.key(XK_Shift_R, true); // held before the capture: its release must not be reported
        KeyLog log;
        const platform::CaptureHandle handle = capture(log);
        QVERIFY2(handle != 0, services().lastError().c_str());
        other_.key(XK_Shift_R, false);
        other_.chord({XK_a});
        other_.chord({XK_Shift_L}); // a modifier alone
        other_.chord({XK_Control_R, XK_b});
        other_.chord({XK_Super_L});
        other_.chord({XK_Alt_L});
        other_.chord({XK_F5});
        other_.chord({XK_KP_End});
        services().sendKey(124, true); // our own F13, on a temporary binding
        services().sendKey(124, false);
        const KeyLog expected = {{256, 65},  {257, 65},  {256, 160},    {257, 160},    {256, 163}, {256, 66},
                                 {257, 66},  {257, 163}, {256, 91},     {257, 91},     {260, 164}, {261, 164},
                                 {256, 116}, {257, 116}, {256, keypad}, {257, keypad}, {256, 124}, {257, 124}};
        QTRY_COMPARE(log, expected);
        QTest::qWait(100);
        QCOMPARE(log, expected);
        services().removeKeyboardCapture(handle);

        // After the capture the window gets keys again, and it got none while the capture lasted; another program may
        // grab the keyboard again.
        other_.chord({XK_c});
        QTRY_COMPARE(sink.text(), QStringLiteral("c"));
        QCOMPARE(log.size(), expected.size());
        QVERIFY(earlier.empty());
        QCOMPARE(XGrabKeyboard(d, DefaultRootWindow(d), False, GrabModeAsync, GrabModeAsync, CurrentTime), GrabSuccess);
        XUngrabKeyboard(d, CurrentTime);
        XSync(d, False);
        // The key state agrees with the capture about the keypad.
        other_.key(XK_KP_End, true);
        QVERIFY(services().isKeyDown(keypad) && !services().isKeyDown(keypad == 35 ? 97 : 35));
        other_.key(XK_KP_End, false);
    }

    void captureFoldsAutorepeat()
    {
        KeyLog log;
        const platform::CaptureHandle handle = capture(log);
        QVERIFY2(handle != 0, services().lastError().c_str());
        other_.key(XK_d, true);
        QTest::qWait(1300); // the server starts repeating after 660 ms
        other_.key(XK_d, false);
        QTRY_VERIFY(!log.empty() && log.back() == std::make_pair(257, 68));
        QTest::qWait(100);
        services().removeKeyboardCapture(handle);
        QVERIFY2(log.size() >= 4, "expected repeated key-downs");
        for (std::size_t i = 0; i + 1 < log.size(); ++i) // the release came last, once
            QCOMPARE(log[i], std::make_pair(256, 68));
    }

    void hotKey_data()
    {
        QTest::addColumn<unsigned>("locks"); // NumLock is Mod2, CapsLock is Lock
        QTest::addColumn<bool>("shift");
        QTest::newRow("Ctrl+Alt+G") << 0u << false;
        QTest::newRow("Ctrl+Alt+G, NumLock on") << unsigned(Mod2Mask) << false;
        QTest::newRow("Ctrl+Alt+G, NumLock and CapsLock on") << unsigned(Mod2Mask | LockMask) << false;
        QTest::newRow("Ctrl+Alt+G, CapsLock on") << unsigned(LockMask) << false;
        QTest::newRow("Ctrl+Alt+Shift+G") << 0u << true;
        QTest::newRow("Ctrl+Alt+Shift+G, NumLock on") << unsigned(Mod2Mask) << true;
    }

    void hotKey()
    {
        QFETCH(unsigned, locks);
        QFETCH(bool, shift);
        std::vector<int> fired;
        QVERIFY2(
            services().registerHotKey(1001, vk::ModAlt | vk::ModControl, 'G', [&](int id) { fired.push_back(id); }),
            services().lastError().c_str());
        other_.setLocked(locks, true);
        shift ? other_.chord({XK_Control_L, XK_Alt_L, XK_Shift_L, XK_g}) : other_.chord({XK_Control_L, XK_Alt_L, XK_g});
        QTRY_COMPARE(fired.size(), shift ? 0u : 1u);
        QTest::qWait(300);
        QCOMPARE(fired, shift ? std::vector<int>{} : std::vector<int>{1001});
        other_.setLocked(locks, false);
        services().unregisterHotKey(1001);
        other_.chord({XK_Control_L, XK_Alt_L, XK_g}); // released: the combination no longer reaches us
        QTest::qWait(100);
        QCOMPARE(fired.size(), shift ? 0u : 1u);

        // Refused while another program holds the combination, and nothing is left of the attempt.
        Display* d = other_.display();
        XGrabKey(d, other_.keycodeOf(XK_g), ControlMask | Mod1Mask, DefaultRootWindow(d), False, GrabModeAsync,
                 GrabModeAsync);
        XSync(d, False);
        QVERIFY(!services().registerHotKey(1001, vk::ModAlt | vk::ModControl, 'G', [](int) {}));
        QVERIFY(!services().lastError().empty());
        XUngrabKey(d, other_.keycodeOf(XK_g), ControlMask | Mod1Mask, DefaultRootWindow(d));
        XSync(d, False);
        // Registering now works, and a second registration of the id is refused.
        QVERIFY2(services().registerHotKey(1001, vk::ModAlt | vk::ModControl, 'G', [](int) {}),
                 services().lastError().c_str());
        QVERIFY(!services().registerHotKey(1001, vk::ModAlt | vk::ModControl, 'G', [](int) {}));
    }

    void typing_data()
    {
        QTest::addColumn<QString>("text");   // the text box keeps "\r\n" as "\n"
        QTest::addColumn<bool>("whole");     // typeText (batched) rather than unit by unit
        QTest::addColumn<bool>("capsLock");  // on while typing, and on again afterwards
        QTest::addColumn<bool>("busy");      // a second Qt client keeps itself busy meanwhile
        QTest::addColumn<QString>("layout"); // loaded during the text, then us again
        QTest::addColumn<int>("userShift");  // the user's right Shift: 1 held throughout, 2 pressed during the text
        QTest::newRow("japanese") << QStringLiteral("「こんにちは、世界！ Hello 123」") << false << false << false
                                  << QString() << 0;
        const QString symbols = QStringLiteral("!\"#$%&'()=~|`{}*+<>?_-^\\@[];:,./ ABC xyz 0123456789");
        QTest::newRow("ascii symbols") << symbols << true << false << false << QString() << 0;
        const QString breaks = QStringLiteral("one\ntwo\r\nthree\tfour");
        QTest::newRow("line breaks and tab") << breaks << false << false << false << QString() << 0;
        QTest::newRow("line breaks and tab, whole") << breaks << true << false << false << QString() << 0;
        const QString planes = QStringLiteral("A😀B𠮷C");
        QTest::newRow("emoji and other planes") << planes << false << false << false << QString() << 0;
        QTest::newRow("emoji and other planes, whole") << planes << true << false << false << QString() << 0;
        const QString caps = QStringLiteral("abc XYZ äöü Привет!");
        QTest::newRow("CapsLock on") << caps << false << true << false << QString() << 0;
        QTest::newRow("CapsLock on, whole") << caps << true << true << false << QString() << 0;
        // Every character needs a binding of its own: the pool of spare keycodes turns over many times.
        QString distinct;
        for (char16_t c = 0x4E00; distinct.size() < 300; c += 7)
            distinct += QChar(c);
        QTest::newRow("300 distinct CJK characters") << distinct << true << false << false << QString() << 0;
        // Two characters on each spare keycode, one on its Shift level, which the user's Shift must not choose.
        const QString mixedCase = distinct.left(80) + QStringLiteral("Hello, World! ") + distinct.right(40);
        QTest::newRow("distinct CJK and ASCII, user holds Shift")
            << mixedCase << true << false << false << QString() << 1;
        QTest::newRow("distinct CJK, user presses Shift meanwhile")
            << distinct << true << false << false << QString() << 2;
        QString kana; // more than the pool holds, then each again: bound ones are reused
        for (int i = 0; kana.size() < 320; ++i)
            kana += QChar(0x3042 + i % 24);
        QTest::newRow("320 kana, us -> jp meanwhile") << kana << true << false << false << QStringLiteral("jp") << 0;
        const QString mixed = QStringLiteral("吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。"
                                             "何でも薄暗い所で Nya-nya 泣いていた事だけは記憶している。"
                                             "（1905年）。「ホトトギス」に発表された長編小説です！");
        for (int run = 1; run <= 3; ++run)
            QTest::addRow("94 mixed characters with a busy client, run %d", run)
                << mixed << true << false << true << QString() << 0;
        QString ascii;
        while (ascii.size() < 900)
            ascii += QStringLiteral("The quick brown fox jumps over the lazy dog; 0123456789! ");
        QTest::newRow("900 ascii characters") << ascii << true << false << false << QString() << 0;
    }

    void typing()
    {
        QFETCH(QString, text);
        QFETCH(bool, whole);
        QFETCH(bool, capsLock);
        QFETCH(bool, busy);
        QFETCH(QString, layout);
        QFETCH(int, userShift);
        std::unique_ptr<Sink> busyClient;
        if (busy) {
            busyClient = std::make_unique<Sink>(QStringLiteral("busy"), QRect(800, 500, 300, 300));
            QVERIFY(busyClient->waitReady());
        }
        Sink sink(QStringLiteral("text"), QRect(100, 100, 600, 400));
        QVERIFY(sink.waitReady());
        services().setCursorPos(300, 200);
        other_.setLocked(LockMask, capsLock);
        other_.key(XK_Shift_R, userShift == 1);
        std::size_t delivered = 0;
        const bool meanwhile = !layout.isEmpty() || userShift == 2;
        const auto interval = std::chrono::milliseconds(meanwhile ? 5 : 0); // time to act during the text
        std::thread typist([&] { delivered = typeFromWorker(text, whole, interval); });
        if (meanwhile) {
            QTRY_VERIFY_WITH_TIMEOUT(sink.text().size() >= 40, 10000);
            if (userShift == 2)
                other_.key(XK_Shift_R, true);
            else
                layoutChanged_ = setLayout(layout);
        }
        typist.join();
        other_.key(XK_Shift_R, false);
        // Exact, or short (only where something changed meanwhile): then what was counted as delivered arrived exactly.
        const bool exact = delivered == static_cast<std::size_t>(text.size());
        QVERIFY(exact || meanwhile);
        const QString arrived =
            text.left(static_cast<qsizetype>(delivered)).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        if (exact)
            QTRY_COMPARE_WITH_TIMEOUT(sink.text(), arrived, 10000);
        else
            QTRY_VERIFY_WITH_TIMEOUT(sink.text().startsWith(arrived), 10000);
        int x = 0, y = 0;
        QCOMPARE((other_.pointer(x, y) & LockMask) != 0, capsLock);
        if (layout.isEmpty())
            return;
        // The keys the layout put on keycodes that were unused (the JIS ro and yen keys) are never blanked.
        QTRY_VERIFY_WITH_TIMEOUT(boundRecord(other_.display()).empty(), 3000);
        const std::vector<x11test::Keysyms> left = other_.mapping();
        QVERIFY(setLayout(layout));
        QCOMPARE(other_.mapping(), left);
        // Back to us: the keycodes come back to the pool (two characters on each).
        QVERIFY(setLayout(QStringLiteral("us")));
        QString fresh;
        for (char16_t c = 0x5000; fresh.size() < 2 * static_cast<qsizetype>(unusedAtStart_.size()); ++c)
            fresh += QChar(c);
        typeFromWorker(fresh, true);
        QCOMPARE(boundRecord(other_.display()).size(), unusedAtStart_.size());
    }

    void typingRestoresSpareKeycodes()
    {
        Sink sink(QStringLiteral("text"), QRect(100, 100, 600, 400));
        QVERIFY(sink.waitReady());
        services().setCursorPos(300, 200);
        QTRY_COMPARE_WITH_TIMEOUT(other_.unusedKeycodes(), unusedAtStart_, 3000); // earlier bindings gone
        // Another program puts a key of its own on one of the unused keycodes.
        const int taken = *unusedAtStart_.begin();
        other_.bind(taken, {XK_F30});
        std::set<int> spare = unusedAtStart_;
        spare.erase(taken);
        QTest::qWait(50);
        QString text;
        for (char16_t c = 0x3041; text.size() < 60; ++c)
            text += QChar(c); // more distinct characters than there are spare keycodes
        typeFromWorker(text);
        services().sendKey(124, true); // F13, bound while held
        QVERIFY(other_.unusedKeycodes() != spare);
        // The record on the root window names exactly what is bound, as bound.
        const std::map<int, KeySym> record = boundRecord(other_.display());
        QCOMPARE(record.size(), spare.size() - other_.unusedKeycodes().size());
        for (const auto& [kc, sym] : record)
            QVERIFY(spare.count(kc) && other_.keycodeCarries(kc, sym));
        QTRY_COMPARE_WITH_TIMEOUT(sink.text(), text, 10000);
        QTest::qWait(600);
        QVERIFY2(other_.unusedKeycodes() != spare, "a held key keeps its binding");
        services().sendKey(124, false);
        QTRY_COMPARE_WITH_TIMEOUT(other_.unusedKeycodes(), spare, 3000);
        QVERIFY(boundRecord(other_.display()).empty());
        QVERIFY(other_.keycodeCarries(taken, XK_F30));
        other_.bind(taken, {});
        // Batches are written as spans of keycodes: the keys in between came back as they were.
        QCOMPARE(other_.mapping(), mappingAtStart_);
    }

    void releaseNeverWaitsForTyping()
    {
        Sink sink(QStringLiteral("text"), QRect(100, 100, 600, 400));
        QVERIFY(sink.waitReady());
        services().setCursorPos(300, 200);
        QString text;
        for (char16_t c = 0x5000; text.size() < 300; c += 3)
            text += QChar(c);
        QVERIFY(services().sendKey(113, true)); // F2, held while the text goes out
        std::atomic<bool> typing{true};
        std::thread typist([&] {
            typeFromWorker(text, true);
            typing = false;
        });
        QTest::qWait(50);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(services().sendKey(113, false));
        const qint64 releaseMs = timer.elapsed();
        const bool overlapped = typing;
        QVERIFY(!other_.symDown(XK_F2));
        typist.join();
        QVERIFY2(overlapped, "the text was out before the release: nothing overlapped");
        QVERIFY2(releaseMs < 100, QByteArray::number(releaseMs).constData());
        QTRY_COMPARE_WITH_TIMEOUT(sink.text(), text, 10000);
    }

    void startReclaimsWhatAKilledInstanceBound()
    {
        QTRY_COMPARE_WITH_TIMEOUT(other_.unusedKeycodes(), unusedAtStart_, 3000);
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), QStringLiteral("bind")});
        QVERIFY(child.waitForReadyRead(10000));
        QCOMPARE(child.readLine().trimmed(), QByteArray("BOUND"));
        const std::map<int, KeySym> record = boundRecord(other_.display());
        QCOMPARE(record.size(), 4u); // five characters on three keycodes (two levels each) and a held F13
        // A start while that instance lives leaves its bindings alone.
        platform::createDefaultServices().reset();
        QCOMPARE(boundRecord(other_.display()), record);
        for (const auto& [kc, sym] : record)
            QVERIFY(other_.keycodeCarries(kc, sym));
        // A layout loaded meanwhile empties its keycodes, yet its record still names them: they are not ours to take.
        QVERIFY(layoutChanged_ = setLayout(QStringLiteral("us")));
        QString text;
        for (char16_t c = 0x3041; text.size() < 40; ++c)
            text += QChar(c);
        typeFromWorker(text, true);
        for (const auto& [kc, sym] : boundRecord(other_.display(), 0))
            QVERIFY2(!record.count(kc), QByteArray::number(kc).constData());
        QTRY_VERIFY_WITH_TIMEOUT(boundRecord(other_.display(), 0).empty(), 3000);
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished(5000));
        // Meanwhile another program puts a key of its own on one of them.
        const int taken = record.begin()->first;
        other_.bind(taken, {XK_F30});
        for (const auto& pair : record)
            other_.keycode(pair.first, false); // the killed instance held F13 down
        auto second = platform::createDefaultServices();
        QVERIFY(second->isAvailable());
        std::set<int> expected = unusedAtStart_;
        expected.erase(taken);
        QCOMPARE(other_.unusedKeycodes(), expected);
        QVERIFY(other_.keycodeCarries(taken, XK_F30));
        QVERIFY(boundRecord(other_.display()).empty());
        second.reset();
        other_.bind(taken, {});
    }

    void failuresAreReported()
    {
        // Every spare keycode held down by keys missing from the map (F13-F24, keypad digits with NumLock off): no
        // keycode is left for a character that the map lacks.
        std::vector<int> held;
        for (int vk : {124, 125, 126, 127, 128, 129, 130, 131, 132, 133, 134,
                       135, 96,  97,  98,  99,  100, 101, 102, 103, 104, 105}) {
            if (!services().sendKey(vk, true))
                break;
            held.push_back(vk);
        }
        QVERIFY2(held.size() < 22, "every key was bound: the pool never ran out"); // (pool: the unused keycodes)
        const platform::StopSignal never;
        QVERIFY(!services().sendUnicodeUnit(u'漢', true));
        QCOMPARE(services().typeText(u"ab漢c", std::chrono::steady_clock::now(), {}, never), 2u);
        for (int vk : held)
            QVERIFY(services().sendKey(vk, false));
        QCOMPARE(services().typeText(u"漢", std::chrono::steady_clock::now(), {}, never), 1u);
        QVERIFY(!services().sendUnicodeUnit(0xDC00, true)); // half a character
        QVERIFY(!services().sendKey(0, true));
    }

    void displayGoneFailsWithoutEndingTheProgram()
    {
        QProcess server;
        server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                              QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        QVERIFY(server.waitForReadyRead(10000));
        const QString display = QLatin1Char(':') + QString::fromLatin1(server.readLine().trimmed());
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--child"), QStringLiteral("gone"), display});
        QVERIFY(child.waitForReadyRead(10000));
        QCOMPARE(child.readLine().trimmed(), QByteArray("READY"));
        server.kill();
        QVERIFY(server.waitForFinished(5000));
        child.write("go\n");
        QVERIFY(child.waitForFinished(10000));
        QCOMPARE(child.readAllStandardOutput().trimmed(), QByteArray("RESULT 0 0 0 0 0"));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
    }

    void ledgerRecordsWhatIsHeldAndBound()
    {
        QTRY_COMPARE_WITH_TIMEOUT(other_.unusedKeycodes(), unusedAtStart_, 3000);
        auto owned = std::make_unique<LedgerRecord>();
        LedgerRecord& record = *owned;
        auto previous = platform::setLedger(std::move(owned));
        services().sendKey(162, true); // left Ctrl, on the map
        services().sendKey(124, true); // F13, bound on a spare keycode while held
        services().sendMouseButton(platform::MouseButton::Right, true);
        const std::map<int, KeySym> bound = boundRecord(other_.display());
        QCOMPARE(bound.size(), 1u);
        QCOMPARE(record.state().keys, (std::set<int>{other_.keycodeOf(XK_Control_L), bound.begin()->first}));
        QCOMPARE(record.state().buttons, std::set<int>{3});
        QCOMPARE(record.state().rebound.size(), 1u);
        QCOMPARE(record.state().rebound.count(bound.begin()->first), 1u);
        services().sendMouseButton(platform::MouseButton::Right, false);
        services().sendKey(124, false);
        services().sendKey(162, false);
        typeFromWorker(QStringLiteral("漢字"), true);
        QVERIFY(record.state().keys.empty() && record.state().buttons.empty());
        QCOMPARE(record.state().rebound.size(), 2u);                   // F13's keycode, and one for both characters
        QTRY_VERIFY_WITH_TIMEOUT(record.state().holdsNothing(), 3000); // restored once typing is idle
        platform::setLedger(std::move(previous));
    }

    void lostRecordsAreMadeGood()
    {
        LedgerRecord ledger;
        ledger.keyDown(38);
        ledger.rebound(200, {0x61, 0x41});
        ledger.full = true;
        ledger.keyDown(50);
        ledger.restored(200);
        ledger.buttonDown(1);
        QVERIFY(!ledger.sayGoodbye()); // a key is still down: the watchdog must undo it
        ledger.full = false;
        ledger.buttonUp(1);
        QCOMPARE(ledger.state().keys, (std::set<int>{38, 50}));
        QVERIFY(ledger.state().buttons.empty() && ledger.state().rebound.empty());
        ledger.keyUp(38);
        ledger.keyUp(50);
        QVERIFY(ledger.sayGoodbye());
        QVERIFY(ledger.state().goodbye);
    }

    void recordsSplitAnywhere()
    {
        using namespace platform::guardian;
        std::vector<std::uint32_t> stream = encodeRecord(RecordKind::Rebound, 201, {0x1003042, 0x62});
        const auto press = encodeRecord(RecordKind::KeyDown, 37);
        stream.insert(stream.end(), press.begin(), press.end());
        const auto* bytes = reinterpret_cast<const char*>(stream.data());
        RecordReader reader;
        for (std::size_t at = 0; at < stream.size() * 4; at += 3)
            QVERIFY(reader.feed(bytes + at, std::min<std::size_t>(3, stream.size() * 4 - at)));
        QCOMPARE(reader.state().rebound.at(201), (x11test::Keysyms{0x1003042, 0x62}));
        QCOMPARE(reader.state().keys, std::set<int>{37});
        const std::uint32_t garbage[2] = {0xff000000u, 0};
        QVERIFY(!reader.feed(garbage, sizeof garbage));
    }

    void watchKeys_data()
    {
        QTest::addColumn<int>("keysym"); // 0: the backend's own press
        QTest::addColumn<int>("holdMs");
        QTest::addColumn<bool>("grabbed"); // another program holds the keyboard meanwhile
        QTest::addColumn<int>("vk");
        QTest::addColumn<QString>("typed"); // the backend types this while the key is held: never reported
        QTest::newRow("letter tapped for 1 ms") << int(XK_a) << 1 << false << 65 << QString();
        QTest::newRow("right Ctrl tapped for 5 ms") << int(XK_Control_R) << 5 << false << 163 << QString();
        QTest::newRow("F13 on a spare keycode") << 0 << 1 << false << 124 << QString();
        QTest::newRow("letter during another's grab") << int(XK_a) << 1 << true << 65 << QString();
        QTest::newRow("letter held while the backend types") << int(XK_d) << 0 << false << 68 << QStringLiteral("Ab\n");
    }

    void watchKeys()
    {
        QFETCH(int, keysym);
        QFETCH(int, holdMs);
        QFETCH(bool, grabbed);
        QFETCH(int, vk);
        QFETCH(QString, typed);
        // Shared with the watches: a failed check returns before the watches end, in cleanup().
        const auto first = std::make_shared<WatchLog>(), second = std::make_shared<WatchLog>(); // two at once
        const platform::KeyWatchHandle a = watch(first), b = watch(second);
        QVERIFY(a != 0 && b != 0 && a != b);
        Display* d = other_.display();
        if (grabbed)
            QCOMPARE(XGrabKeyboard(d, DefaultRootWindow(d), False, GrabModeAsync, GrabModeAsync, CurrentTime),
                     GrabSuccess);
        auto press = [&](bool down) { keysym ? other_.key(KeySym(keysym), down) : void(services().sendKey(vk, down)); };
        press(true);
        std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
        QCOMPARE(typeFromWorker(typed, true), static_cast<std::size_t>(typed.size()));
        press(false); // the grab, if any, lasts until cleanup()
        const KeyLog expected{{256, vk}, {257, vk}};
        QTRY_COMPARE(second->get(), expected);
        services().unwatchKeys(b);
        other_.chord({XK_b});
        QTRY_COMPARE(first->get(), (KeyLog{{256, vk}, {257, vk}, {256, 66}, {257, 66}}));
        QCOMPARE(second->get(), expected); // nothing after its end
    }

    // A target on no monitor is refused and the pointer stays where it was (expected = the start, 640,512). The screen
    // is Xvfb's one 1280x1024 output, or split into the RandR monitors given, as desktops with several outputs are.
    void pointer_data()
    {
        QTest::addColumn<QPoint>("target");
        QTest::addColumn<QPoint>("expected");
        QTest::addColumn<int>("vk"); // the button clicked there (1 left, 2 right), or 0
        QTest::addColumn<QList<QRect>>("monitors");
        const QList<QRect> two{{0, 0, 600, 1024}, {680, 0, 600, 1024}};
        QTest::newRow("left click") << QPoint(250, 260) << QPoint(250, 260) << 1 << QList<QRect>();
        QTest::newRow("right click") << QPoint(420, 330) << QPoint(420, 330) << 2 << QList<QRect>();
        QTest::newRow("beyond the screen") << QPoint(5000, -300) << QPoint(640, 512) << 0 << QList<QRect>();
        QTest::newRow("beyond 16 bits") << QPoint(99999, 70000) << QPoint(640, 512) << 0 << QList<QRect>();
        QTest::newRow("far negative") << QPoint(-99999, 300) << QPoint(640, 512) << 0 << QList<QRect>();
        QTest::newRow("second of two monitors") << QPoint(1000, 300) << QPoint(1000, 300) << 0 << two;
        QTest::newRow("between two monitors") << QPoint(620, 300) << QPoint(640, 512) << 0 << two;
    }

    void pointer()
    {
        QFETCH(QPoint, target);
        QFETCH(QPoint, expected);
        QFETCH(int, vk);
        QFETCH(QList<QRect>, monitors);
        XWarpPointer(other_.display(), None, DefaultRootWindow(other_.display()), 0, 0, 0, 0, 640, 512);
        setMonitors(monitors);
        QCOMPARE(services().setCursorPos(target.x(), target.y()), target == expected);
        int x = -1, y = -1;
        QVERIFY(services().getCursorPos(x, y));
        QCOMPARE(QPoint(x, y), expected);
        other_.pointer(x, y); // another client agrees
        QCOMPARE(QPoint(x, y), expected);
        if (vk == 0)
            return;
        Sink sink(QStringLiteral("events"), QRect(200, 200, 300, 200));
        QVERIFY(sink.waitReady());
        const auto button = vk == 1 ? platform::MouseButton::Left : platform::MouseButton::Right;
        services().sendMouseButton(button, true);
        services().sendMouseButton(button, false);
        const QByteArray event =
            ' ' + QByteArray::number(vk) + ' ' + QByteArray::number(x) + ' ' + QByteArray::number(y);
        QCOMPARE(sink.waitLine("PRESS", 5000), "PRESS" + event); // Qt numbers the buttons as the codes do
        QCOMPARE(sink.waitLine("RELEASE", 5000), "RELEASE" + event);
        QVERIFY(!services().isKeyDown(vk));
        // A button pressed by someone else reads as down, and only that button.
        other_.button(vk == 1 ? 1 : 3, true);
        QVERIFY(services().isKeyDown(vk) && !services().isKeyDown(3 - vk));
        other_.button(vk == 1 ? 1 : 3, false);
        QVERIFY(!services().isKeyDown(vk));
    }

private:
    // Replaces the screen's own monitor by these (none: back to the screen's own), as `xrandr --setmonitor` does.
    void setMonitors(const QList<QRect>& monitors)
    {
        Display* display = other_.display();
        const Window root = DefaultRootWindow(display);
        for (Atom name : std::exchange(monitorNames_, {}))
            XRRDeleteMonitor(display, root, name);
        XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root);
        for (const QRect& area : monitors) {
            // The first takes the output, whose own monitor then goes; the others show nothing, as a split does.
            XRRMonitorInfo* info = XRRAllocateMonitor(display, monitorNames_.empty() ? 1 : 0);
            const std::string name = "ORVANE_TEST_" + std::to_string(monitorNames_.size());
            info->name = XInternAtom(display, name.c_str(), False);
            info->x = area.x();
            info->y = area.y();
            info->width = area.width();
            info->height = area.height();
            info->mwidth = area.width() / 4;
            info->mheight = area.height() / 4;
            if (info->noutput == 1)
                info->outputs[0] = resources->outputs[0];
            XRRSetMonitor(display, root, info);
            monitorNames_.push_back(info->name);
            XRRFreeMonitors(info);
        }
        XRRFreeScreenResources(resources);
        XSync(display, False);
    }

    platform::CaptureHandle capture(KeyLog& log)
    {
        const platform::CaptureHandle handle = services().installKeyboardCapture([&log](int message, int vk) {
            log.emplace_back(message, vk);
            return true;
        });
        if (handle != 0)
            captures_.push_back(handle);
        return handle;
    }
    struct WatchLog {
        std::mutex mutex;
        KeyLog log;
        KeyLog get()
        {
            std::lock_guard lock(mutex);
            return log;
        }
    };
    platform::KeyWatchHandle watch(std::shared_ptr<WatchLog> log)
    {
        const platform::KeyWatchHandle handle = services().watchKeys([log](int code, bool down) {
            std::lock_guard lock(log->mutex);
            log->log.emplace_back(down ? 256 : 257, code);
        });
        watches_.push_back(handle);
        return handle;
    }

    x11test::Client other_;
    std::set<int> unusedAtStart_;
    bool layoutChanged_ = false;
    std::vector<x11test::Keysyms> mappingAtStart_;
    std::vector<platform::CaptureHandle> captures_;
    std::vector<platform::KeyWatchHandle> watches_;
    std::vector<Atom> monitorNames_;
};

// The roles of child processes: "bind" types a few characters that need spare keycodes, holds F13 and waits to be
// killed; "gone" waits for a line on stdin (by then its display has gone away) and prints what synthesis returned.
int childMain(const std::string& role, const char* display)
{
    if (display)
        setenv("DISPLAY", display, 1);
    auto backend = platform::createX11Services();
    if (!backend)
        return 3;
    backend->settle();
    const platform::StopSignal never;
    if (role == "bind") {
        backend->typeText(u"弐参肆伍陸", std::chrono::steady_clock::now(), {}, never);
        backend->sendKey(124, true);
        std::puts("BOUND");
        std::fflush(stdout);
        for (;;)
            ::pause();
    }
    std::puts("READY");
    std::fflush(stdout);
    char line[16];
    if (!std::fgets(line, sizeof line, stdin))
        return 4;
    const bool key = backend->sendKey(65, true);
    const bool unit = backend->sendUnicodeUnit(u'漢', true);
    const bool button = backend->sendMouseButton(platform::MouseButton::Left, true);
    const bool moved = backend->setCursorPos(1, 1);
    const std::size_t typed = backend->typeText(u"a漢", std::chrono::steady_clock::now(), {}, never);
    std::printf("RESULT %d %d %d %d %zu\n", key, unit, button, moved, typed);
    std::fflush(stdout);
    return 0;
}

int main(int argc, char** argv)
{
    if (argc >= 3 && std::string(argv[1]) == "--child")
        return childMain(argv[2], argc > 3 ? argv[3] : nullptr);
    QGuiApplication app(argc, argv);
    tst_X11Backend test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_x11backend.moc"
