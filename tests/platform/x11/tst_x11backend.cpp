// The X11 backend against a real X server (a private Xvfb): key state seen by other clients and vice versa, the
// swallowing capture, hot keys with lock keys, Unicode typing into a text box of another process, clicks and the
// pointer, start-up reclaim, the ledger, failures and the key watch. A second X connection of this process plays the
// physical keyboard (XTest) and the other programs; child processes of this binary play earlier or doomed instances.

#include "tst_x11backend.h"

namespace {

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

} // namespace

void tst_X11Backend::initTestCase()
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

void tst_X11Backend::cleanup()
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

void tst_X11Backend::vkTable_data()
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

void tst_X11Backend::vkTable()
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

void tst_X11Backend::keyState_data()
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

void tst_X11Backend::keyState()
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

void tst_X11Backend::captureSwallowsAndReports_data()
{
    QTest::addColumn<unsigned>("locks"); // locked modifiers meanwhile
    QTest::addColumn<int>("keypad");     // what the keypad key labelled 1/End reads as
    QTest::newRow("NumLock off: End") << 0u << 35;
    QTest::newRow("NumLock on: numpad 1") << unsigned(Mod2Mask) << 97;
}

void tst_X11Backend::captureSwallowsAndReports()
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

void tst_X11Backend::captureFoldsAutorepeat()
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

void tst_X11Backend::hotKey_data()
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

void tst_X11Backend::hotKey()
{
    QFETCH(unsigned, locks);
    QFETCH(bool, shift);
    std::vector<int> fired;
    QVERIFY2(services().registerHotKey(1001, vk::ModAlt | vk::ModControl, 'G', [&](int id) { fired.push_back(id); }),
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

void tst_X11Backend::displayGoneFailsWithoutEndingTheProgram()
{
    QProcess server;
    server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                          QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    QVERIFY(server.waitForReadyRead(10000));
    const QString display = QLatin1Char(':') + QString::fromLatin1(server.readLine().trimmed());
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), QStringLiteral("gone"), display});
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

void tst_X11Backend::ledgerRecordsWhatIsHeldAndBound()
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

void tst_X11Backend::lostRecordsAreMadeGood()
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

void tst_X11Backend::recordsSplitAnywhere()
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

void tst_X11Backend::watchKeys_data()
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

void tst_X11Backend::watchKeys()
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
        QCOMPARE(XGrabKeyboard(d, DefaultRootWindow(d), False, GrabModeAsync, GrabModeAsync, CurrentTime), GrabSuccess);
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
void tst_X11Backend::pointer_data()
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

void tst_X11Backend::pointer()
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
    const QByteArray event = ' ' + QByteArray::number(vk) + ' ' + QByteArray::number(x) + ' ' + QByteArray::number(y);
    QCOMPARE(sink.waitLine("PRESS", 5000), "PRESS" + event); // Qt numbers the buttons as the codes do
    QCOMPARE(sink.waitLine("RELEASE", 5000), "RELEASE" + event);
    QVERIFY(!services().isKeyDown(vk));
    // A button pressed by someone else reads as down, and only that button.
    other_.button(vk == 1 ? 1 : 3, true);
    QVERIFY(services().isKeyDown(vk) && !services().isKeyDown(3 - vk));
    other_.button(vk == 1 ? 1 : 3, false);
    QVERIFY(!services().isKeyDown(vk));
}

// Replaces the screen's own monitor by these (none: back to the screen's own), as `xrandr --setmonitor` does.
void tst_X11Backend::setMonitors(const QList<QRect>& monitors)
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

platform::CaptureHandle tst_X11Backend::capture(KeyLog& log)
{
    const platform::CaptureHandle handle = services().installKeyboardCapture([&log](int message, int vk) {
        log.emplace_back(message, vk);
        return true;
    });
    if (handle != 0)
        captures_.push_back(handle);
    return handle;
}

platform::KeyWatchHandle tst_X11Backend::watch(std::shared_ptr<WatchLog> log)
{
    const platform::KeyWatchHandle handle = services().watchKeys([log](int code, bool down) {
        std::lock_guard lock(log->mutex);
        log->log.emplace_back(down ? 256 : 257, code);
    });
    watches_.push_back(handle);
    return handle;
}

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
